#include "portio/PortDriver.h"

#include <array>
#include <utility>

namespace tallis {

namespace {

constexpr std::array<std::pair<PortDriver, std::string_view>, 3> kNames{{
    {PortDriver::Auto, "auto"},
    {PortDriver::InpOut, "inpout"},
    {PortDriver::Zlportio, "zlportio"},
}};

}  // namespace

std::string_view PortDriverName(PortDriver driver) {
    for (const auto& [value, name] : kNames) {
        if (value == driver) {
            return name;
        }
    }
    return "auto";
}

std::optional<PortDriver> ParsePortDriver(std::string_view name) {
    for (const auto& [value, known] : kNames) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace tallis
