#include "app/PortAddress.h"

#include <charconv>
#include <cstdio>

#include "portio/PcPortRanges.h"

namespace tallis {

namespace {

constexpr unsigned long kHighestBase = 0xFFFD;

std::string WithBase(const char* format, std::uint16_t base) {
    char text[48];
    std::snprintf(text, sizeof text, format, unsigned{base});
    return text;
}

std::optional<std::uint16_t> ParsePortAddress(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned long address = 0;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(text.data(), last, address, 16);
    if (error != std::errc{} || end != last || address == 0 || address > kHighestBase) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(address);
}

}  // namespace

CheckedPortAddress CheckPortAddress(std::string_view text) {
    const std::optional<std::uint16_t> base = ParsePortAddress(text);
    if (!base) {
        return {std::nullopt, kPortAddressFormatRefusal};
    }
    if (PcRangeTouchedBy(*base)) {
        return {std::nullopt, kPcOwnedPortRefusal};
    }
    return {base, {}};
}

std::string PortAddressStatus(std::uint16_t base) {
    return WithBase("Current port : %03XH", base);
}

std::string PortUnreachableStatus(std::uint16_t base) {
    return WithBase("No access to the port at %03XH", base);
}

}  // namespace tallis
