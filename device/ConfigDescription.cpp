#include "device/ConfigDescription.h"

#include <algorithm>

namespace tallis {

std::vector<ConfigSetting> DescribeConfig(const Device& device, std::uint16_t configWord) {
    return DescribeConfig(device, 0, configWord);
}

std::vector<ConfigSetting> DescribeConfig(const Device& device, std::size_t index,
                                          std::uint16_t configWord) {
    const std::span<const ConfigField> fields =
        index == 0 ? device.configFields : device.config2Fields;
    std::vector<ConfigSetting> settings;
    settings.reserve(fields.size());
    for (const ConfigField& field : fields) {
        const auto value = static_cast<std::uint16_t>(configWord & field.mask);
        const auto choice = std::ranges::find(field.choices, value, &ConfigChoice::value);
        settings.push_back({field.name, field.mask, value,
                            choice == field.choices.end() ? kUndefinedSetting : choice->meaning});
    }
    return settings;
}

}  // namespace tallis
