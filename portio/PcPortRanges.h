#pragma once

#include <cstdint>
#include <optional>

namespace tallis {

// An I/O address range that the PC's own devices answer at, and who owns it.
struct PcPortRange {
    std::uint16_t first;
    std::uint16_t last;
    const char* owner;
};

// The first of the PC's own ranges that a parallel port at this base would
// touch with its three registers (base, base + 1, base + 2), if any.
std::optional<PcPortRange> PcRangeTouchedBy(std::uint16_t base);

}  // namespace tallis
