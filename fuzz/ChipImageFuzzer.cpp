// The strict HEX parser and writer of chip images: any text either parses or
// is refused with its line, and what parses writes to a text that parses back
// to the same image (and writes again to the same text).
//
// Input: byte 0 picks the bounds (bit 0: a 4K part); the rest is the file.
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "image/ChipImageHex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tallis;
    fuzz::FuzzInput input(data, size);
    const ImageBounds bounds =
        (input.Byte() & 0x01) != 0 ? ImageBounds{FindDevice("16f873")->regions} : ImageBounds{};
    const HexParseResult result = ParseChipImageHex(input.Rest(), bounds);
    if (!result) {
        FUZZ_CHECK(result.line >= 1, "a refusal without a line");
        FUZZ_CHECK(result.error.starts_with("line " + std::to_string(result.line) + ": "),
                   "a refusal that does not start with its line: " + result.error);
        return 0;
    }
    const ChipImage& image = *result.image;
    const std::size_t programWords = FindRegion(bounds.regions, RegionKind::Program)->size;
    const std::size_t eepromBytes = FindRegion(bounds.regions, RegionKind::Eeprom)->size;
    for (std::size_t w = 0; w < image.program.size(); ++w) {
        FUZZ_CHECK(w < programWords || !image.program[w], "a word beyond the bounds");
        FUZZ_CHECK(image.program[w].value_or(0) <= 0x3FFF, "a program word wider than 14 bits");
    }
    for (std::size_t e = eepromBytes; e < image.eeprom.size(); ++e) {
        FUZZ_CHECK(!image.eeprom[e], "an EEPROM byte beyond the bounds");
    }

    const std::string written = FormatChipImageHex(image, bounds.regions);
    const HexParseResult again = ParseChipImageHex(written, bounds);
    FUZZ_CHECK(again.image.has_value(), "a written image does not parse: " + again.error);
    FUZZ_CHECK(*again.image == image, "a written image parses back different");
    FUZZ_CHECK(FormatChipImageHex(*again.image, bounds.regions) == written,
               "writing is not stable");
    return 0;
}
