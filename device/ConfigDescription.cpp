#include "device/ConfigDescription.h"

#include <algorithm>

namespace tallis {

std::vector<ConfigSetting> DescribeConfig(const Device& device, std::uint16_t configWord) {
    std::vector<ConfigSetting> settings;
    settings.reserve(device.configFields.size());
    for (const ConfigField& field : device.configFields) {
        const auto value = static_cast<std::uint16_t>(configWord & field.mask);
        const auto choice = std::ranges::find(field.choices, value, &ConfigChoice::value);
        settings.push_back({field.name, field.mask, value,
                            choice == field.choices.end() ? kUndefinedSetting : choice->meaning});
    }
    return settings;
}

}  // namespace tallis
