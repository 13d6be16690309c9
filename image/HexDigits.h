#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tallis {

// Value of one hexadecimal digit (0-9, A-F, a-f), or nothing for any other character.
constexpr std::optional<std::uint8_t> HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return std::nullopt;
}

// Value of the hexadecimal number at the front of `digits`. A character that is
// not a hex digit ends the number without error: "1G" is 1 and "G1" is 0.
constexpr std::uint32_t HexPrefixValue(std::string_view digits) {
    std::uint32_t value = 0;
    for (char c : digits) {
        const auto digit = HexDigitValue(c);
        if (!digit) {
            break;
        }
        value = value * 16 + *digit;
    }
    return value;
}

}  // namespace tallis
