#pragma once

#include <cstdint>

#include "wire/LineTransport.h"

namespace tallis {

// What the line check found wrong with the data line (RB7).
enum class LineFault {
    None,
    NotHeldLow,      // reads 1 while held low: no board, or the line is unconnected or inverted
    StuckLow,        // never reads 1 once released: shorted to ground or held by the board
    RisesTooSlowly,  // rises, but later than kMaxRiseUs: the pull-up is missing or too weak
};

struct LineCheckResult {
    LineFault fault = LineFault::None;
    // How long the released line took to read 1 (0: already at the first
    // look), and that time with the external margin: what every bit waits
    // after the line is released before it is taken or sampled.
    std::uint32_t riseUs = 0;
    std::uint32_t settleUs = 0;
    // The check ran and passed: the board's data line is known, and the
    // fast profile's waits are safe on it.
    bool measured = false;

    static constexpr std::uint32_t kMaxRiseUs = 100;
};

// With MCLR held low, so that the chip cannot drive RB7: holds RB7 low and
// expects 0, releases it and expects 1 within kMaxRiseUs. A session given
// the result waits settleUs after every release. Leaves MCLR low and RB7 held
// low, ready for entry into programming mode.
LineCheckResult CheckLines(LineTransport& lines);

}  // namespace tallis
