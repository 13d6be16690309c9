#pragma once

#include <cstdint>
#include <string_view>

namespace tallis {

// Every wait of the chip operations, in microseconds. A profile is data: a
// faster one is another row, not more code.
struct TimingProfile {
    std::uint32_t bitUs;                // each phase of a clock cycle on the serial lines
    std::uint32_t lineUs;               // after a change of MCLR, VPP or the run line
    std::uint32_t vppOffBeforeEntryUs;  // VPP off before programming mode is entered (again)
    std::uint32_t programRowUs;         // 87xA: Begin Programming Only to End Programming
    std::uint32_t programWordUs;        // 87x: Begin Programming Only, internally timed
    std::uint32_t eraseProgramUs;       // Begin Erase/Programming: IDs, EEPROM, 87xA config word
    std::uint32_t configProgramUs;      // 87x: the configuration word's Begin Programming Only
    std::uint32_t chipEraseUs;          // 87xA Chip Erase
    std::uint32_t bulkEraseUs;          // 87x code-protect-disable erase cycle
};

// The waits of the three classic commands, which have always worked on real boards.
inline constexpr TimingProfile kClassicTiming{
    .bitUs = 60,
    .lineUs = 2000,
    .vppOffBeforeEntryUs = 10000,
    .programRowUs = 2000,
    .programWordUs = 5000,
    .eraseProgramUs = 10000,
    .configProgramUs = 9000,
    .chipEraseUs = 9000,
    .bulkEraseUs = 10000,
};

// Every profile the chip operations can run with, by the name front ends show;
// whatever walks all of them (the self-test) covers a new row unchanged.
struct NamedTimingProfile {
    std::string_view name;
    const TimingProfile* timing;
};
inline constexpr NamedTimingProfile kTimingProfiles[] = {
    {"classic", &kClassicTiming},
};

}  // namespace tallis
