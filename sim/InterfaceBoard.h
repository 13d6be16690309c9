#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "board/BoardWiring.h"
#include "sim/ChipSocket.h"
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
    // A board whose VPP switch takes 200 us to reach VPP, as a heavier RC
    // or a slow transistor stage may.
    static constexpr BoardTiming SlowVpp() { return {.rb7RiseNs = 5000, .vppRiseNs = 200000}; }
};

// The board a command line names: "ideal" or "slow"; nothing for other names.
std::optional<BoardTiming> BoardTimingNamed(std::string_view name);

// The interface board between the port's pins and the chip's: a board row
// says which DB-25 pin carries which line and whether the board inverts it;
// the PC's own registers and inversions are the simulation's (PcPort.h).
//   clock -> RB6
//   run and VPP lines -> MCLR: run low -> low (reset), run high and VPP low ->
//       high (running), run high and VPP high -> VPP (programming voltage);
//       without a run line, VPP low -> low
//   data out low -> holds RB7 low; high -> releases it (open drain); a second
//       data-out pin holds it low too; a data buffer turned towards the PC
//       (direction high) releases it
//   PGM -> RB3 (RB4), low while the chip is unpowered or let go
//   VDD low (where the board has the line) -> the chip unpowered: MCLR and
//       RB6 low, the chip drives nothing, RB7 reads low
//   connect low (where the board has the line) -> the chip let go: MCLR high
//       on its own pull-up, RB6 low, RB7 floats high
//   RB7 = the host's drive AND the chip's drive; the data-in pin reads it.
// The default board: RB6 on D0, run on D1, VPP on D3, data out on nStrobe
// (which the PC inverts: control bit 0 set holds RB7 low), data in on nAck
// (status bit 6).
// Slow edges (BoardTiming) reach the chip stamped with the time they complete,
// at the next port access: before anything later happens, but a chip looked at
// without a port access since may not have seen the last one yet.
class InterfaceBoard {
  public:
    // chip may be null: then the board behaves as with no target connected.
    InterfaceBoard(PicChip* chip, SimClock& clock, BoardTiming timing = {},
                   const board::BoardWiring& wiring = board::kDefaultBoard);

    // The registers that hold the board at rest, where the port starts: every
    // line low (target unpowered or in reset, VPP off, clock low, isolated)
    // but data out, which is released, and the data buffer turned away from
    // the target. The default board's rest is both registers 0.
    std::uint8_t RestData() const { return restData_; }
    std::uint8_t RestControl() const { return restControl_; }

    // Called by the port after every write to the data or control register.
    void SetRegisters(std::uint8_t data, std::uint8_t control);

    // The RB7 line as the data-in pin sees it now.
    bool Rb7();
    // The status register as the port reads it now.
    std::uint8_t Status();
    bool Rb6() const;
    // The level the chip sees: a VPP edge still under way is not there yet.
    MclrLevel Mclr() const { return mclr_; }
    // What MCLR becomes with these register values, once any edge has run.
    MclrLevel MclrFor(std::uint8_t data, std::uint8_t control = 0) const;
    bool VppOn() const { return LineHigh(wiring_.vpp); }
    // The target's supply: always on where the board does not switch it.
    bool Powered() const { return Powered(data_, control_); }
    const board::BoardWiring& Wiring() const { return wiring_; }

    void SetFault(BoardFault fault);
    BoardFault Fault() const { return fault_; }

    // The chip is taken out and put in on the schedule (while MCLR is at VPP
    // nothing moves until it is not); inserted is told
    // which chip of it has just gone in, before the chip sees the lines.
    void UseSocket(const InsertionSchedule& schedule, std::function<void(unsigned chip)> inserted);

    const BoardTiming& Timing() const { return timing_; }

  private:
    bool ChipConnected() const {
        return chip_ != nullptr && seated_ && fault_ != BoardFault::NoTarget;
    }
    void FollowSocket(std::uint64_t nowNs);
    bool LineHigh(const board::PinLine& line) const { return LineHigh(line, data_, control_); }
    static bool LineHigh(const board::PinLine& line, std::uint8_t data, std::uint8_t control);
    bool Powered(std::uint8_t data, std::uint8_t control) const;
    bool Joined(std::uint8_t data, std::uint8_t control) const;
    bool HostReleases() const;
    bool Released() const;
    bool LineLevelAt(std::uint64_t nowNs) const;
    void TrackRelease(std::uint64_t nowNs);
    // vppAlreadyRisen: VPP was switched on before VDD and has reached its
    // level on MCLR, which VDD now joins.
    void StartMclrEdge(std::uint64_t nowNs, bool vppAlreadyRisen = false);
    void CatchUp(std::uint64_t nowNs);
    void Notify(std::uint64_t nowNs);

    PicChip* chip_;
    SimClock& clock_;
    BoardTiming timing_;
    const board::BoardWiring& wiring_;
    BoardFault fault_ = BoardFault::None;
    std::uint8_t restData_ = 0;
    std::uint8_t restControl_ = 0;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;

    MclrLevel mclr_ = MclrLevel::Low;  // what the chip sees
    bool mclrEdgePending_ = false;     // a VPP edge is under way towards pendingMclr_
    MclrLevel pendingMclr_ = MclrLevel::Low;
    std::uint64_t mclrDueNs_ = 0;

    bool released_ = true;  // neither the host nor the chip holds RB7 low
    std::uint64_t releasedSinceNs_ = 0;
    bool chipSeesRb7High_ = false;  // last RB7 level handed to the chip
    bool chipPowered_ = true;       // last supply handed to the chip

    std::optional<InsertionSchedule> socket_;
    std::function<void(unsigned)> inserted_;
    bool seated_ = true;  // a chip sits in the socket
};

}  // namespace tallis::sim
