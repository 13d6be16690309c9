#pragma once

#include <cstdint>
#include <string_view>

namespace tallis {

// How a profile waits out a family's write and erase cycles.
enum class CycleWaits : std::uint8_t {
    Standard,           // each family's standard waits, which have always worked on real boards
    MinimumWithMargin,  // each family's minimums times the profile's margins
};

// The waits of the wire and of the chip operations, in microseconds, and how
// the cycles of a family (engine/families) are waited. A profile is data: a
// faster one is another row, not more code.
struct TimingProfile {
    std::uint32_t bitUs;                // each phase of a clock cycle on the serial lines
    std::uint32_t frameGapUs;           // after a command or data frame, before the next one
    std::uint32_t gapsBeforeDataFrame;  // frame gaps between a command and its data frame
    // RB7 steady around a falling clock edge that takes a bit: waited only
    // where nothing else has waited since the edge or the change. 0: none of its own.
    std::uint32_t dataSetupHoldUs;
    std::uint32_t lineUs;               // after a change of MCLR, VPP or the run line
    std::uint32_t vppOffBeforeEntryUs;  // VPP off before programming mode is entered (again)
    CycleWaits cycles;
    // With CycleWaits::MinimumWithMargin: the factor over a cycle's minimum for
    // cycles the host ends (externally timed) and for those the chip times itself.
    double externalMargin;
    double internalMargin;
    // The data line is written only when the bit differs from the line's
    // state: one port access per bit fewer on average.
    bool dataLineOnChangeOnly;
    // The waits leave a slow data line no slack: the line is checked before
    // the session, and its rise time waited for after every release.
    bool needsLineCheck;
    // A location that does not read back is written once more with the
    // standard profile's waits before the write fails.
    bool retryWithStandardWaits;
};

// The waits of the three classic commands, which have always worked on real boards.
inline constexpr TimingProfile kClassicTiming{
    .bitUs = 60,
    .frameGapUs = 60,
    .gapsBeforeDataFrame = 2,
    .dataSetupHoldUs = 0,  // the 60 us bit waits around every clock edge exceed it
    .lineUs = 2000,
    .vppOffBeforeEntryUs = 10000,
    .cycles = CycleWaits::Standard,
    .externalMargin = 1,
    .internalMargin = 1,
    .dataLineOnChangeOnly = false,
    .needsLineCheck = false,
    .retryWithStandardWaits = false,
};

namespace chip_minimum {

// The wire's minimum times from the chips' programming documents (DS39025,
// DS39589), in microseconds; where the sources disagree, the larger. Each
// family's cycle minimums are its own (engine/families).
inline constexpr double kFrameGapUs = 1;         // TDLY
inline constexpr double kDataSetupHoldUs = 0.1;  // RB7 around the falling clock edge
inline constexpr double kHoldAfterVppUs = 5;     // THLD0, RB6/RB7 low after VPP
inline constexpr double kDataOutDelayUs = 0.08;  // rising clock edge to a read bit on RB7

}  // namespace chip_minimum

// Margins of the fast profile over the chip's minimums: externally timed
// waits, setups and holds times 1.5; internally timed cycles times 1.25 (the
// classic 5 ms for the 87x's 4 ms cycle).
inline constexpr double kExternalTimingMargin = 1.5;
inline constexpr double kInternalTimingMargin = 1.25;

// The slowest VPP switch every profile allows for: the board's RC delays VPP
// by tens to hundreds of microseconds, and the chip only counts its hold time
// from when VPP has arrived. No port access can see MCLR, so this is assumed,
// not measured: the least that established programmers wait after switching
// VPP on (from 250 us up to 100 ms). It is a board allowance, not a chip
// minimum, so it takes no margin.
inline constexpr std::uint32_t kVppSwitchRiseUs = 250;
// VPP off before programming mode is entered again: long enough for MCLR to
// discharge and the address counter to start at 0 on real boards; no chip
// parameter, the same allowance as the classic waits.
inline constexpr std::uint32_t kVppOffBoardAllowanceUs = 10000;

constexpr std::uint32_t WithMargin(double minimumUs, double margin) {
    const double us = minimumUs * margin;
    const auto whole = static_cast<std::uint32_t>(us);
    return static_cast<double>(whole) < us ? whole + 1 : whole;
}

// Every wait at the chip's minimum with its margin, rounded up to the timer's
// whole microseconds. The clock phases have no wait of their own: a port
// access may take any time down to none, so the data line's setup and hold
// are waited out only where the line changes, and a single TDLY separates a
// command from its data frame.
inline constexpr TimingProfile kFastTiming{
    .bitUs = 0,
    .frameGapUs = WithMargin(chip_minimum::kFrameGapUs, kExternalTimingMargin),
    .gapsBeforeDataFrame = 1,
    .dataSetupHoldUs = WithMargin(chip_minimum::kDataSetupHoldUs, kExternalTimingMargin),
    .lineUs = kVppSwitchRiseUs + WithMargin(chip_minimum::kHoldAfterVppUs, kExternalTimingMargin),
    .vppOffBeforeEntryUs = kVppOffBoardAllowanceUs,
    .cycles = CycleWaits::MinimumWithMargin,
    .externalMargin = kExternalTimingMargin,
    .internalMargin = kInternalTimingMargin,
    .dataLineOnChangeOnly = true,
    .needsLineCheck = true,
    .retryWithStandardWaits = true,
};

// Every profile the chip operations can run with, by the name front ends show;
// whatever walks all of them (the self-test) covers a new row unchanged.
struct NamedTimingProfile {
    std::string_view name;
    const TimingProfile* timing;
};
inline constexpr NamedTimingProfile kTimingProfiles[] = {
    {"classic", &kClassicTiming},
    {"fast", &kFastTiming},
};

// Programming mode is entered with a line wait after VPP goes on: in every
// profile it must cover the slowest VPP switch allowed for and THLD0.
constexpr bool EveryProfileWaitsForVpp() {
    for (const NamedTimingProfile& profile : kTimingProfiles) {
        if (profile.timing->lineUs < kVppSwitchRiseUs + chip_minimum::kHoldAfterVppUs) {
            return false;
        }
    }
    return true;
}
static_assert(EveryProfileWaitsForVpp());

}  // namespace tallis
