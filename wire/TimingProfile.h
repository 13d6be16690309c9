#pragma once

#include <cstdint>
#include <string_view>

namespace tallis {

// Every wait of the chip operations, in microseconds. A profile is data: a
// faster one is another row, not more code.
struct TimingProfile {
    std::uint32_t bitUs;                // each phase of a clock cycle on the serial lines
    std::uint32_t frameGapUs;           // after a command or data frame, before the next one
    std::uint32_t gapsBeforeDataFrame;  // frame gaps between a command and its data frame
    // RB7 steady around a falling clock edge that takes a bit: waited only
    // where nothing else has waited since the edge or the change. 0: none of its own.
    std::uint32_t dataSetupHoldUs;
    std::uint32_t lineUs;                 // after a change of MCLR, VPP or the run line
    std::uint32_t vppOffBeforeEntryUs;    // VPP off before programming mode is entered (again)
    std::uint32_t programRowUs;           // 87xA: Begin Programming Only to End Programming
    std::uint32_t endProgrammingQuietUs;  // 87xA: after End Programming (TDIS); 0: none of its own
    std::uint32_t programWordUs;          // 87x: Begin Programming Only, internally timed
    std::uint32_t eraseProgramUs;         // Begin Erase/Programming: IDs, EEPROM, 87xA config word
    std::uint32_t configProgramUs;        // 87x: the configuration word's Begin Programming Only
    std::uint32_t chipEraseUs;            // 87xA Chip Erase
    std::uint32_t bulkEraseUs;            // 87x code-protect-disable erase cycle
    // The data line is written only when the bit differs from the line's
    // state: one port access per bit fewer on average.
    bool dataLineOnChangeOnly;
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
    .programRowUs = 2000,
    .endProgrammingQuietUs = 0,  // the 60 us bit waits around every command exceed TDIS
    .programWordUs = 5000,
    .eraseProgramUs = 10000,
    .configProgramUs = 9000,
    .chipEraseUs = 9000,
    .bulkEraseUs = 10000,
    .dataLineOnChangeOnly = false,
    .retryWithStandardWaits = false,
};

namespace chip_minimum {

// The chips' minimum times from their programming documents (DS39025, DS39589), in
// microseconds; where the sources disagree, the larger.
inline constexpr double kFrameGapUs = 1;               // TDLY
inline constexpr double kDataSetupHoldUs = 0.1;        // RB7 around the falling clock edge
inline constexpr double kHoldAfterVppUs = 5;           // THLD0, RB6/RB7 low after VPP
inline constexpr double kProgramRowUs = 1000;          // 87xA TPROG1, command 24 to 23
inline constexpr double kEndProgrammingQuietUs = 100;  // 87xA TDIS after End Programming
inline constexpr double kProgramWordUs = 4000;         // 87x command 24
inline constexpr double kEraseProgramUs = 10000;       // command 8: 87x 8 ms, 87xA 8 or 10 ms
inline constexpr double kConfigProgramUs = 4000;       // 87x configuration word, command 24
inline constexpr double kChipEraseUs = 10000;          // 87xA Chip Erase: 8 or 10 ms
inline constexpr double kCodeProtectDisableUs = 8000;  // 87x bulk erase at 0x2007

}  // namespace chip_minimum

// Margins of the fast profile over the chip's minimums: externally timed
// waits, setups and holds times 1.5; internally timed cycles times 1.25 (the
// classic 5 ms for the 87x's 4 ms cycle).
inline constexpr double kExternalTimingMargin = 1.5;
inline constexpr double kInternalTimingMargin = 1.25;

// The slowest VPP switch the fast profile allows for: the board's RC delays
// VPP by tens of microseconds, and the chip only counts its hold time from
// when VPP has arrived. No port access can see MCLR, so this is assumed, not
// measured; a slower board needs the standard waits.
inline constexpr double kVppSwitchRiseUs = 50;
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
    .lineUs = WithMargin(chip_minimum::kHoldAfterVppUs + kVppSwitchRiseUs, kExternalTimingMargin),
    .vppOffBeforeEntryUs = kVppOffBoardAllowanceUs,
    .programRowUs = WithMargin(chip_minimum::kProgramRowUs, kExternalTimingMargin),
    .endProgrammingQuietUs =
        WithMargin(chip_minimum::kEndProgrammingQuietUs, kExternalTimingMargin),
    .programWordUs = WithMargin(chip_minimum::kProgramWordUs, kInternalTimingMargin),
    .eraseProgramUs = WithMargin(chip_minimum::kEraseProgramUs, kInternalTimingMargin),
    .configProgramUs = WithMargin(chip_minimum::kConfigProgramUs, kInternalTimingMargin),
    .chipEraseUs = WithMargin(chip_minimum::kChipEraseUs, kInternalTimingMargin),
    .bulkEraseUs = WithMargin(chip_minimum::kCodeProtectDisableUs, kInternalTimingMargin),
    .dataLineOnChangeOnly = true,
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

}  // namespace tallis
