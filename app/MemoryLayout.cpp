#include "app/MemoryLayout.h"

#include <bit>
#include <cstdio>

#include "device/ConfigDescription.h"

namespace tallis {

namespace {

std::string Hex(unsigned value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string DeviceIdMeaning(std::uint16_t idWord) {
    const Device* found = DeviceWithId(idWord);
    if (found == nullptr) {
        return "no supported chip has this ID";
    }
    return std::string(found->name) + ", revision " + std::to_string(found->Revision(idWord));
}

}  // namespace

bool IsBlankWord(std::optional<std::uint16_t> word) {
    return !word || *word == kErasedWord;
}

std::string WordText(std::optional<std::uint16_t> word) {
    if (!word) {
        return "----";
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned{*word});
    return text;
}

std::string ByteText(std::optional<std::uint8_t> byte) {
    if (!byte) {
        return "--";
    }
    char text[4];
    std::snprintf(text, sizeof text, "%02X", unsigned{*byte});
    return text;
}

char ShownChar(std::optional<std::uint8_t> byte) {
    constexpr std::uint8_t kFirstPrintable = 0x20;
    constexpr std::uint8_t kLastPrintable = 0x7E;
    if (!byte || *byte < kFirstPrintable || *byte > kLastPrintable) {
        return '.';
    }
    return static_cast<char>(*byte);
}

namespace {

using Kind = ConfigLine::Kind;

// "ID 0": a name and a number. Built up in place: GCC 12's 32-bit build warns
// falsely about the overlap of "name + string".
std::string NameAndNumber(const char* name, std::size_t number) {
    std::string text = name;
    text += ' ';
    text += std::to_string(number);
    return text;
}

// "Configuration word", "Configuration word 2": the first keeps its plain name.
std::string Numbered(const char* name, std::size_t index) {
    return index == 0 ? name : NameAndNumber(name, index + 1);
}

void AddConfigWords(std::vector<ConfigLine>& lines, const ChipImage& image, const Device& device,
                    const MemoryRegion& region) {
    for (std::uint16_t i = 0; i < region.size; ++i) {
        const auto address = static_cast<std::uint16_t>(region.start + i);
        const std::string name = Numbered("Configuration word", i);
        const std::optional<std::uint16_t> word = image.Value(RegionKind::Config, i);
        if (!word) {
            lines.push_back({Kind::ConfigWord, name, "----", "not in the image", address});
            continue;
        }
        lines.push_back({Kind::ConfigWord, name, Hex(*word, 4), std::string(device.name), address});
        for (const ConfigSetting& setting : DescribeConfig(device, i, *word)) {
            const unsigned shifted = setting.value >> std::countr_zero(setting.mask);
            lines.push_back({Kind::Field, std::string(setting.field), Hex(shifted, 1),
                             std::string(setting.meaning), address});
        }
    }
}

void AddWords(std::vector<ConfigLine>& lines, const ChipImage& image, const MemoryRegion& region,
              Kind kind, const char* name) {
    for (std::uint16_t i = 0; i < region.size; ++i) {
        const std::optional<std::uint16_t> word = image.Value(region.kind, i);
        lines.push_back({kind, NameAndNumber(name, i), word ? Hex(*word, 4) : WordText(word), "",
                         static_cast<std::uint16_t>(region.start + i)});
    }
}

// The calibration word, with each of its trims where the row names them.
void AddCalibration(std::vector<ConfigLine>& lines, const ChipImage& image, const Device& device,
                    const MemoryRegion& region) {
    AddWords(lines, image, region, Kind::Calibration, "Calibration word");
    const std::optional<std::uint16_t> word = image.Value(region.kind, 0);
    for (const ConfigField& field :
         word ? device.calibrationFields : std::span<const ConfigField>{}) {
        const unsigned shifted = (*word & field.mask) >> std::countr_zero(field.mask);
        lines.push_back(
            {Kind::Field, std::string(field.name), Hex(shifted, 2), "factory trim", region.start});
    }
}

void AddDeviceId(std::vector<ConfigLine>& lines, const ChipImage& image,
                 const MemoryRegion& region) {
    if (image.deviceId) {
        lines.push_back({Kind::DeviceId, "Device ID", Hex(*image.deviceId, 4),
                         DeviceIdMeaning(*image.deviceId), region.start});
    } else {
        lines.push_back(
            {Kind::DeviceId, "Device ID", "----", "read from a chip only", region.start});
    }
}

}  // namespace

std::vector<ConfigLine> ConfigLines(const ChipImage& image, const Device& device) {
    std::vector<ConfigLine> lines;
    for (RegionKind kind :
         {RegionKind::Config, RegionKind::Id, RegionKind::DeviceId, RegionKind::Calibration}) {
        for (const MemoryRegion& region : device.regions) {
            if (region.kind != kind) {
                continue;
            }
            switch (kind) {
                case RegionKind::Config:
                    AddConfigWords(lines, image, device, region);
                    break;
                case RegionKind::Id:
                    AddWords(lines, image, region, Kind::Id, "ID");
                    break;
                case RegionKind::DeviceId:
                    AddDeviceId(lines, image, region);
                    break;
                default:
                    AddCalibration(lines, image, device, region);
                    break;
            }
        }
    }
    return lines;
}

}  // namespace tallis
