#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallis {

// A parallel port's base I/O address typed in hexadecimal, "3BC" or "0x3BC",
// under the command-line tool's rule: the three registers sit at base, base + 1
// and base + 2, so the base is 0x1 to 0xFFFD.
std::optional<std::uint16_t> ParsePortAddress(std::string_view text);

inline constexpr std::string_view kPortAddressFormatRefusal = "Hexadecimal, 1 to FFFD";
inline constexpr std::string_view kPcOwnedPortRefusal = "Used by the PC's own devices";

// Options' "Other address": the base, or why it is refused: not an address
// (kPortAddressFormatRefusal), or one whose registers would reach the PC's own
// devices (kPcOwnedPortRefusal), which the command-line tool refuses too.
struct CheckedPortAddress {
    std::optional<std::uint16_t> base;
    std::string_view refusal;
};
CheckedPortAddress CheckPortAddress(std::string_view text);

// "Current port : 3BCH": the status line for a port chosen by its address.
std::string PortAddressStatus(std::uint16_t base);
// "No access to the port at 3BCH"
std::string PortUnreachableStatus(std::uint16_t base);

}  // namespace tallis
