// The simulated chip's HEX file reader (its saved memory, not the firmware
// reader): any text either loads or leaves the memory untouched, and what
// loads saves to a text that loads back to the same memory.
//
// Input: byte 0 picks the chip type (bit 0: 877 when set); the rest is the file.
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "sim/ChipHexFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tallis::sim;
    tallis::fuzz::FuzzInput input(data, size);
    const TargetType type =
        (input.Byte() & 0x01) != 0 ? TargetType::Pic16F877 : TargetType::Pic16F877A;
    const std::string_view text = input.Rest();

    const ChipMemory blank = ChipMemory::Blank(type, DefaultDeviceId(type));
    ChipMemory memory = blank;
    const HexStatus status = ParseChipHex(text, type, memory);
    if (!status) {
        FUZZ_CHECK(memory == blank, "a file that failed to load changed the memory");
        FUZZ_CHECK(!status.message.empty(), "a failed load without a reason");
        return 0;
    }
    for (std::uint16_t word : memory.program) {
        FUZZ_CHECK(word <= kWordMask, "a loaded program word wider than 14 bits");
    }
    FUZZ_CHECK(NormalizeConfigWord(type, memory.ConfigWord()) == memory.ConfigWord(),
               "a loaded configuration word with unimplemented bits at 0");
    FUZZ_CHECK(memory.DeviceId() == blank.DeviceId(), "loading changed the device ID");

    const std::string saved = FormatChipHex(memory, type);
    ChipMemory reloaded = blank;
    const HexStatus again = ParseChipHex(saved, type, reloaded);
    FUZZ_CHECK(again.ok, "a saved memory does not load: " + again.message);
    FUZZ_CHECK(reloaded == memory, "a saved memory loads back different");
    FUZZ_CHECK(FormatChipHex(reloaded, type) == saved, "saving is not stable");
    return 0;
}
