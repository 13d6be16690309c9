#include "sim/ChipHexFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "image/ChipImageHex.h"

namespace tallis::sim {

namespace {

constexpr std::uintmax_t kMaxFileBytes = 16U * 1024U * 1024U;

// The location of the simulated chip's memory that holds an address of a
// region; nullptr for configuration-space words the chip does not store.
template <typename Memory>
auto SlotOf(Memory& memory, const MemoryRegion& region, std::uint16_t index)
    -> decltype(&memory.program[0]) {
    const auto address = static_cast<std::uint16_t>(region.start + index);
    if (region.kind == RegionKind::Eeprom) {
        return nullptr;
    }
    if (address < kConfigSpaceStart) {
        return &memory.program[address];  // program memory, OSCCAL included
    }
    const auto word = static_cast<std::uint16_t>(address - kConfigSpaceStart);
    return word < kConfigSpaceWords ? &memory.config[word] : nullptr;
}

// Every location of the chip's regions (the reserved word 0x2005 is in none:
// no programming command writes it).
ChipImage ImageOf(const ChipMemory& memory, std::span<const MemoryRegion> layout) {
    ChipImage image;
    for (const MemoryRegion& region : layout) {
        for (std::uint16_t i = 0; i < region.size; ++i) {
            if (region.kind == RegionKind::Eeprom) {
                image.Set(region.kind, i, memory.eeprom[region.start + i]);
            } else if (const std::uint16_t* slot = SlotOf(memory, region, i)) {
                image.Set(region.kind, i, *slot);
            }
        }
    }
    return image;
}

// Locations the image leaves out are erased; the device ID stays the chip's.
ChipMemory MemoryOf(const ChipImage& image, const ChipMemory& blank, const Device& device) {
    ChipMemory memory = blank;
    for (const MemoryRegion& region : device.regions) {
        for (std::uint16_t i = 0; i < region.size && region.kind != RegionKind::DeviceId; ++i) {
            const std::optional<std::uint16_t> value = image.Value(region.kind, i);
            if (!value) {
                continue;
            }
            if (region.kind == RegionKind::Eeprom) {
                memory.eeprom[region.start + i] = static_cast<std::uint8_t>(*value);
            } else if (std::uint16_t* slot = SlotOf(memory, region, i)) {
                *slot = *value;
            }
        }
    }
    memory.ConfigWord() = NormalizeConfigWord(device, memory.ConfigWord());
    memory.ConfigWord2() = NormalizeConfigWord2(TypeOf(device), memory.ConfigWord2());
    return memory;
}

}  // namespace

std::string FormatChipHex(const ChipMemory& memory, TargetType type) {
    const std::span<const MemoryRegion> layout = DeviceOf(type).regions;
    return FormatChipImageHex(ImageOf(memory, layout), layout);
}

HexStatus ParseChipHex(std::string_view text, TargetType type, ChipMemory& memory) {
    const Device& device = DeviceOf(type);
    const HexParseResult parsed = ParseChipImageHex(text, {device.regions});
    if (!parsed) {
        return HexStatus{false, parsed.error};
    }
    memory = MemoryOf(*parsed.image, ChipMemory::Blank(type, memory.DeviceId()), device);
    return HexStatus{};
}

HexStatus SaveChipHex(const ChipMemory& memory, TargetType type,
                      const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return HexStatus{false, "cannot create " + path.string()};
    }
    const std::string text = FormatChipHex(memory, type);
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
