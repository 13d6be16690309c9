#pragma once

#include "wire/LineTransport.h"

// The states of the target's lines that the wire and the sequences above it
// drive. Clock, run and VPP always go out together; the data line alone.
namespace tallis::target_lines {

inline constexpr std::uint8_t kMclrAndClock = kClockLine | kRunLine | kVppLine;

// Clock low, target in reset, VPP off.
inline constexpr LineLevels kReset{kMclrAndClock, 0};
// Clock low, the target runs.
inline constexpr LineLevels kRunning{kMclrAndClock, kRunLine};
// Clock high, the target runs, VPP off: how the port is left at the end.
inline constexpr LineLevels kIdle{kMclrAndClock, kRunLine | kClockLine};
// Programming mode (MCLR at VPP) with the clock low or high.
inline constexpr LineLevels kProgrammingClockLow{kMclrAndClock, kRunLine | kVppLine};
inline constexpr LineLevels kProgrammingClockHigh{kMclrAndClock, kRunLine | kVppLine | kClockLine};

// The data line driven by the programmer (a board's buffer turned towards
// the target), held low or let go high.
inline constexpr std::uint8_t kDataLines = kDataOutLine | kDataDirectionLine;
inline constexpr LineLevels kDataHeldLow{kDataLines, 0};
inline constexpr LineLevels kDataReleased{kDataLines, kDataOutLine};

// Clock low; MCLR from the run and VPP lines as given.
constexpr LineLevels Mclr(bool run, bool vpp) {
    return {kMclrAndClock, static_cast<std::uint8_t>((run ? kRunLine : 0) | (vpp ? kVppLine : 0))};
}

// RB7 released, the target running: as a program leaves the port.
inline void LeaveTargetRunning(LineTransport& lines) {
    lines.Drive(kDataReleased);
    lines.Drive(kIdle);
    lines.Flush();
}

}  // namespace tallis::target_lines
