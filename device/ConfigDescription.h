#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/Device.h"

namespace tallis {

// One field of a configuration word as a person reads it: "FOSC = 0x2: HS oscillator".
struct ConfigSetting {
    std::string_view field;
    std::uint16_t mask;
    std::uint16_t value;       // configWord & mask
    std::string_view meaning;  // kUndefinedSetting when the value is no listed choice
};

inline constexpr std::string_view kUndefinedSetting = "undefined value";

// Every named field of the device's configuration word, in table order.
std::vector<ConfigSetting> DescribeConfig(const Device& device, std::uint16_t configWord);
// The same for configuration word `index` (0 the first, 1 the second at 0x2008).
std::vector<ConfigSetting> DescribeConfig(const Device& device, std::size_t index,
                                          std::uint16_t configWord);

}  // namespace tallis
