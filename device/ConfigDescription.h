#pragma once

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

}  // namespace tallis
