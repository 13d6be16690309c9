#pragma once

#include <cstdint>
#include <optional>

namespace tallis::sim {

// An operator at the programmer's socket: new chips go in one after another,
// each stays for a while, and the socket is then empty for a while, as when a
// chip is taken out and the next one picked up. The first chip sits in the
// socket from the start (startNs on the clock); after the last one the
// socket stays empty.
struct InsertionSchedule {
    unsigned chips = 0;
    std::uint64_t presentNs = 0;
    std::uint64_t absentNs = 0;
    std::uint64_t startNs = 0;

    // The chip (0 for the first) in the socket at this time, or nothing.
    std::optional<unsigned> ChipAt(std::uint64_t nowNs) const {
        const std::uint64_t period = presentNs + absentNs;
        if (period == 0 || nowNs < startNs) {
            return std::nullopt;
        }
        const std::uint64_t sinceStart = nowNs - startNs;
        const std::uint64_t index = sinceStart / period;
        if (index >= chips || sinceStart % period >= presentNs) {
            return std::nullopt;
        }
        return static_cast<unsigned>(index);
    }
};

}  // namespace tallis::sim
