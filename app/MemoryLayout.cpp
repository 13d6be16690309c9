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

std::vector<ConfigLine> ConfigLines(const ChipImage& image, const Device& device) {
    using Kind = ConfigLine::Kind;
    std::vector<ConfigLine> lines;
    if (image.config) {
        lines.push_back({Kind::ConfigWord, "Configuration word", Hex(*image.config, 4),
                         std::string(device.name), kConfigWordAddress});
        for (const ConfigSetting& setting : DescribeConfig(device, *image.config)) {
            const unsigned shifted = setting.value >> std::countr_zero(setting.mask);
            lines.push_back({Kind::Field, std::string(setting.field), Hex(shifted, 1),
                             std::string(setting.meaning), kConfigWordAddress});
        }
    } else {
        lines.push_back({Kind::ConfigWord, "Configuration word", "----", "not in the image",
                         kConfigWordAddress});
    }
    for (std::size_t i = 0; i < image.ids.size(); ++i) {
        const std::optional<std::uint16_t> id = image.ids[i];
        lines.push_back({Kind::Id, "ID " + std::to_string(i), id ? Hex(*id, 4) : WordText(id), "",
                         static_cast<std::uint16_t>(kIdAddress + i)});
    }
    if (image.deviceId) {
        lines.push_back({Kind::DeviceId, "Device ID", Hex(*image.deviceId, 4),
                         DeviceIdMeaning(*image.deviceId), kDeviceIdAddress});
    } else {
        lines.push_back(
            {Kind::DeviceId, "Device ID", "----", "read from a chip only", kDeviceIdAddress});
    }
    return lines;
}

}  // namespace tallis
