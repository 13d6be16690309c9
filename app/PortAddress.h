#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallis {

inline constexpr std::string_view kPortAddressFormatRefusal = "Hexadecimal, 1 to FFFD";
inline constexpr std::string_view kPcOwnedPortRefusal = "Used by the PC's own devices";

// Options' "Other address", a parallel port's base I/O address typed in
// hexadecimal, "3BC" or "0x3BC", checked as the command-line tool checks its
// --port: the base, or why it is refused. The three registers sit at base,
// base + 1 and base + 2, so the base is 0x1 to 0xFFFD
// (kPortAddressFormatRefusal), and none of them may reach the PC's own
// devices (kPcOwnedPortRefusal).
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
