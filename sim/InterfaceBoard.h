#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "portio/BoardLines.h"
#include "sim/PicChip.h"
#include "sim/SimClock.h"

namespace tallis::sim {

// Faults of the wiring between the port and the chip.
enum class BoardFault {
    None,
    NoTarget,      // nothing connected: RB7 floats high, status bit 6 always reads 1
    DataStuckLow,  // RB7 shorted to ground: it always reads 0
};

// How slowly the board's lines move. A real board has a pull-up and the
// cable's capacitance on RB7 and an RC on the VPP switch; an ideal one (all 0)
// switches at once.
struct BoardTiming {
    // Released RB7 reads high once this long has passed (one time constant
    // reaches 63 % of VDD, above the port input's and the chip's threshold).
    std::uint64_t rb7RiseNs = 0;
    std::uint64_t vppRiseNs = 0;  // MCLR reaches VPP this long after the VPP line switches on
    std::uint64_t vppFallNs = 0;  // and leaves it this long after it switches off

    // A board with a weak pull-up and a slow VPP switch.
    static constexpr BoardTiming Slow() { return {.rb7RiseNs = 5000, .vppRiseNs = 50000}; }
};

// The board a command line names: "ideal" or "slow"; nothing for other names.
std::optional<BoardTiming> BoardTimingNamed(std::string_view name);

// The interface board between the port's registers and the chip's pins:
//   data bit 0 -> RB6 (clock)
//   data bit 1 -> run line, data bit 3 -> VPP line; MCLR is
//       run 0 -> low (reset), run 1 and VPP 0 -> high (running),
//       run 1 and VPP 1 -> VPP (programming voltage)
//   control bit 0 set -> holds RB7 low; clear -> releases it (open drain)
//   RB7 = the host's drive AND the chip's drive; status bit 6 reads it.
// Slow edges (BoardTiming) reach the chip stamped with the time they complete,
// at the next port access: before anything later happens, but a chip looked at
// without a port access since may not have seen the last one yet.
class InterfaceBoard {
  public:
    static constexpr std::uint8_t kClockBit = board::kDataClock;
    static constexpr std::uint8_t kRunBit = board::kDataRun;
    static constexpr std::uint8_t kVppBit = board::kDataVpp;
    static constexpr std::uint8_t kHoldDataLowBit = board::kControlHoldDataLow;

    // chip may be null: then the board behaves as with no target connected.
    InterfaceBoard(PicChip* chip, SimClock& clock, BoardTiming timing = {})
        : chip_(chip), clock_(clock), timing_(timing) {}

    // Called by the port after every write to the data or control register.
    void SetRegisters(std::uint8_t data, std::uint8_t control);

    // The RB7 line as the status register sees it now.
    bool Rb7();
    bool Rb6() const { return (data_ & kClockBit) != 0; }
    // The level the chip sees: a VPP edge still under way is not there yet.
    MclrLevel Mclr() const { return mclr_; }
    static MclrLevel MclrFor(std::uint8_t data);

    void SetFault(BoardFault fault);
    BoardFault Fault() const { return fault_; }
    const BoardTiming& Timing() const { return timing_; }

  private:
    bool ChipConnected() const { return chip_ != nullptr && fault_ != BoardFault::NoTarget; }
    bool Released() const;
    bool LineLevelAt(std::uint64_t nowNs) const;
    void TrackRelease(std::uint64_t nowNs);
    void StartMclrEdge(std::uint64_t nowNs);
    void CatchUp(std::uint64_t nowNs);
    void Notify(std::uint64_t nowNs);

    PicChip* chip_;
    SimClock& clock_;
    BoardTiming timing_;
    BoardFault fault_ = BoardFault::None;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;

    MclrLevel mclr_ = MclrLevel::Low;  // what the chip sees
    bool mclrEdgePending_ = false;     // a VPP edge is under way towards pendingMclr_
    MclrLevel pendingMclr_ = MclrLevel::Low;
    std::uint64_t mclrDueNs_ = 0;

    bool released_ = true;  // neither the host nor the chip holds RB7 low
    std::uint64_t releasedSinceNs_ = 0;
    bool chipSeesRb7High_ = false;  // last RB7 level handed to the chip
};

}  // namespace tallis::sim
