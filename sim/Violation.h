#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tallis::sim {

// What the simulated hardware found wrong with the host's use of it.
enum class ViolationKind {
    PortAddress,          // access outside the three port registers, or a write to status
    VppEntry,             // VPP applied without RB6/RB7 low for 100 ns: no programming mode
    DataSetupHold,        // RB7 changed within 100 ns of a falling clock edge
    CommandTooSoon,       // less than 1 us after the previous command or data frame
    CommandWhileBusy,     // command during a write or erase cycle: ignored
    CommandDuringTdis,    // command within 100 us of End Programming: ignored
    UnknownCommand,       // code not in this chip type's command set: ignored
    ProgramTimeTooShort,  // a write cycle cut short: not committed
    EraseTimeTooShort,    // an erase cycle cut short: not committed
    ProgrammingNotEnded,  // left programming mode inside a Begin Programming Only cycle
    IncompleteFrame,      // left programming mode in the middle of a command or data frame
    BadEraseSequence,     // 877 bulk erase (1, 7, 8) without a load that selects what it erases
    VppHold,              // a clock edge before VPP had been at its level for 5 us (THLD0)
    ProgramTimeTooLong,   // an externally timed cycle held past its maximum: not committed
    DataContention,       // the programmer drove RB7 high while the chip drove it low
    // 87/88 with MCLR disabled: VPP more than 250 us after VDD rose, so the
    // chip ran its program (which may drive RB6/RB7) before programming mode
    VppLateAfterPowerUp,
    LowVoltageEntry,  // PGM raised or dropped out of order, or on a chip with LVP off
};

const char* ViolationKindName(ViolationKind kind);

struct Violation {
    ViolationKind kind;
    std::uint64_t timeNs;  // simulated time when it was seen
    std::string detail;    // for people: what happened, with numbers
};

inline constexpr std::size_t kViolationKinds = 17;

// What a real chip accepts but what may still go wrong on a real board. Kept
// and reported next to the violations; never a failure.
enum class HazardKind {
    EntryFromRunningChip,  // MCLR went from VDD (running) to VPP: user code ran in between
    // An 87xA erase or erase-and-program cycle waited less than the later
    // programming document's 10 ms but at least the earlier one's 8 ms: committed.
    CycleBelowRevisedMinimum,
};

const char* HazardKindName(HazardKind kind);

struct Hazard {
    HazardKind kind;
    std::uint64_t timeNs;
    std::string detail;
};

inline constexpr std::size_t kHazardKinds = 2;

// The list that tests read. Recording happens only on faults and hazards,
// never on every clock edge of a good run, so it may allocate. A badly broken
// host can cause a violation at every clock edge, so only the first kMaxKept
// of each class are kept in full; the counts stay exact. Empty(), Total() and
// Count() are about violations only: hazards never fail a run.
class ViolationLog {
  public:
    static constexpr std::size_t kMaxKept = 10000;

    void Record(ViolationKind kind, std::uint64_t timeNs, std::string detail);
    const std::vector<Violation>& All() const { return violations_; }
    bool Empty() const { return total_ == 0; }
    std::size_t Total() const { return total_; }
    std::size_t Count(ViolationKind kind) const { return counts_[static_cast<std::size_t>(kind)]; }
    void RecordHazard(HazardKind kind, std::uint64_t timeNs, std::string detail);
    const std::vector<Hazard>& Hazards() const { return hazards_; }
    std::size_t HazardCount(HazardKind kind) const {
        return hazardCounts_[static_cast<std::size_t>(kind)];
    }

    void Clear();
    // One line per kept violation, then one per kept hazard, for test failure
    // messages and the tools.
    std::string Describe() const;
    // The violations' lines of Describe() alone.
    std::string DescribeViolations() const;

  private:
    std::vector<Violation> violations_;
    std::array<std::size_t, kViolationKinds> counts_{};
    std::size_t total_ = 0;
    std::vector<Hazard> hazards_;
    std::array<std::size_t, kHazardKinds> hazardCounts_{};
    std::size_t hazardTotal_ = 0;
};

}  // namespace tallis::sim
