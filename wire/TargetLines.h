#pragma once

#include "wire/LineTransport.h"

// The states of the target's lines that the wire and the sequences above it
// drive. Clock, run and VPP always go out together; the data line alone.
namespace tallis::target_lines {

// On a board that switches the target's supply or can isolate the target,
// both come on with the first MCLR state a command drives: before VPP, since
// that state holds VPP off. A board without those lines writes nothing more.
inline constexpr std::uint8_t kPowerLines = kVddLine | kConnectLine;
inline constexpr std::uint8_t kMclrAndClock = kClockLine | kRunLine | kVppLine;

// Clock low; MCLR from the run and VPP lines as given; the target powered.
constexpr LineLevels Mclr(bool run, bool vpp) {
    return {kMclrAndClock | kPowerLines,
            static_cast<std::uint8_t>((run ? kRunLine : 0) | (vpp ? kVppLine : 0) | kPowerLines)};
}

// Clock low, target in reset, VPP off.
inline constexpr LineLevels kReset = Mclr(false, false);
// Clock low, the target runs.
inline constexpr LineLevels kRunning = Mclr(true, false);
// Clock high, the target runs, VPP off: how the port is left at the end. The
// supply stays as the last command left it.
inline constexpr LineLevels kIdle{kMclrAndClock, kRunLine | kClockLine};
// Programming mode (MCLR at VPP) with the clock low or high: every clock
// edge, so only the lines that move, the supply already on.
inline constexpr LineLevels kProgrammingClockLow{kMclrAndClock, kRunLine | kVppLine};
inline constexpr LineLevels kProgrammingClockHigh{kMclrAndClock, kRunLine | kVppLine | kClockLine};
// Low-voltage programming mode: MCLR at VDD, VPP off, PGM held high (PGM is
// driven on its own, before MCLR rises and after it falls).
inline constexpr LineLevels kLowVoltageClockLow{kMclrAndClock, kRunLine};
inline constexpr LineLevels kLowVoltageClockHigh{kMclrAndClock, kRunLine | kClockLine};
inline constexpr LineLevels kPgmHigh{kPgmLine, kPgmLine};
inline constexpr LineLevels kPgmLow{kPgmLine, 0};
// The target's supply off, the target still joined to the board where the
// board can isolate it: VPP before VDD holds RB6 and RB7 low while the chip
// is unpowered, since joining them again in the same step as VPP would leave
// the order of MCLR and RB7 to chance.
inline constexpr LineLevels kUnpowered{kPowerLines, kConnectLine};
// VPP on with the target's supply still off (VPP before VDD), then the supply.
inline constexpr LineLevels kVppUnpowered{kMclrAndClock | kPowerLines,
                                          kRunLine | kVppLine | kConnectLine};
inline constexpr LineLevels kPowerOn{kPowerLines, kPowerLines};
// The target's supply off and the target let go, after a command that does
// not leave it running.
inline constexpr LineLevels kPoweredOff{kPowerLines, 0};

// The data line driven by the programmer (a board's buffer turned towards
// the target), held low or let go high.
inline constexpr std::uint8_t kDataLines = kDataOutLine | kDataDirectionLine;
inline constexpr LineLevels kDataHeldLow{kDataLines, 0};
inline constexpr LineLevels kDataReleased{kDataLines, kDataOutLine};

// RB7 released, the target running: as a program leaves the port.
inline void LeaveTargetRunning(LineTransport& lines) {
    lines.Drive(kDataReleased);
    lines.Drive(kIdle);
    lines.Flush();
}

// On a board that can switch the target off or isolate it: VPP off with the
// target in reset, then the supply off and the target let go.
inline void PowerOff(LineTransport& lines) {
    lines.Drive(kReset);
    lines.Drive(kPoweredOff);
    lines.Flush();
}

}  // namespace tallis::target_lines
