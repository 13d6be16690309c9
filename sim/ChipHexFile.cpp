#include "sim/ChipHexFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "image/ChipImageHex.h"

namespace tallis::sim {

namespace {

constexpr std::uintmax_t kMaxFileBytes = 16U * 1024U * 1024U;
constexpr std::size_t kIdWords = 4;
constexpr std::size_t kDebugVectorIndex = 4;  // word 0x2004 in ChipMemory::config

// Every location of the chip, the reserved word 0x2005 aside (always erased:
// no programming command writes it).
ChipImage ImageOf(const ChipMemory& memory) {
    ChipImage image;
    std::ranges::copy(memory.program, image.program.begin());
    std::copy_n(memory.config.begin(), kIdWords, image.ids.begin());
    image.debugVector = memory.config[kDebugVectorIndex];
    image.deviceId = memory.DeviceId();
    image.config = memory.ConfigWord();
    std::ranges::copy(memory.eeprom, image.eeprom.begin());
    return image;
}

// Locations the image leaves out are erased; the device ID stays the chip's.
ChipMemory MemoryOf(const ChipImage& image, const ChipMemory& blank, TargetType type) {
    ChipMemory memory = blank;
    const auto take = [](auto& to, const auto& from) {
        if (from) {
            to = *from;
        }
    };
    for (std::size_t w = 0; w < kProgramWords; ++w) {
        take(memory.program[w], image.program[w]);
    }
    for (std::size_t i = 0; i < kIdWords; ++i) {
        take(memory.config[i], image.ids[i]);
    }
    take(memory.config[kDebugVectorIndex], image.debugVector);
    take(memory.ConfigWord(), image.config);
    memory.ConfigWord() = NormalizeConfigWord(type, memory.ConfigWord());
    for (std::size_t e = 0; e < kEepromBytes; ++e) {
        take(memory.eeprom[e], image.eeprom[e]);
    }
    return memory;
}

}  // namespace

std::string FormatChipHex(const ChipMemory& memory) {
    return FormatChipImageHex(ImageOf(memory));
}

HexStatus ParseChipHex(std::string_view text, TargetType type, ChipMemory& memory) {
    const HexParseResult parsed = ParseChipImageHex(text);
    if (!parsed) {
        return HexStatus{false, parsed.error};
    }
    memory = MemoryOf(*parsed.image, ChipMemory::Blank(type, memory.DeviceId()), type);
    return HexStatus{};
}

HexStatus SaveChipHex(const ChipMemory& memory, const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return HexStatus{false, "cannot create " + path.string()};
    }
    const std::string text = FormatChipHex(memory);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        return HexStatus{false, "cannot write " + path.string()};
    }
    return HexStatus{};
}

HexStatus LoadChipHex(const std::filesystem::path& path, TargetType type, ChipMemory& memory) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return HexStatus{false, "cannot read " + path.string() + ": " + error.message()};
    }
    if (size > kMaxFileBytes) {
        return HexStatus{false, path.string() + " is too large for a chip image"};
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        return HexStatus{false, "cannot read " + path.string()};
    }
    HexStatus status = ParseChipHex(text.str(), type, memory);
    if (!status) {
        status.message = path.string() + ": " + status.message;
    }
    return status;
}

}  // namespace tallis::sim
