#pragma once

#include <cstdint>

#include "portio/BoardLines.h"
#include "sim/PicChip.h"

namespace tallis::sim {

// Faults of the wiring between the port and the chip.
enum class BoardFault {
    None,
    NoTarget,      // nothing connected: RB7 floats high, status bit 6 always reads 1
    DataStuckLow,  // RB7 shorted to ground: it always reads 0
};

// The interface board between the port's registers and the chip's pins:
//   data bit 0 -> RB6 (clock)
//   data bit 1 -> run line, data bit 3 -> VPP line; MCLR is
//       run 0 -> low (reset), run 1 and VPP 0 -> high (running),
//       run 1 and VPP 1 -> VPP (programming voltage)
//   control bit 0 set -> holds RB7 low; clear -> releases it (open drain)
//   RB7 = the host's drive AND the chip's drive; status bit 6 reads it.
class InterfaceBoard {
  public:
    static constexpr std::uint8_t kClockBit = board::kDataClock;
    static constexpr std::uint8_t kRunBit = board::kDataRun;
    static constexpr std::uint8_t kVppBit = board::kDataVpp;
    static constexpr std::uint8_t kHoldDataLowBit = board::kControlHoldDataLow;

    // chip may be null: then the board behaves as with no target connected.
    explicit InterfaceBoard(PicChip* chip) : chip_(chip) {}

    // Called by the port after every write to the data or control register.
    void SetRegisters(std::uint8_t data, std::uint8_t control);

    // The RB7 line as the status register sees it.
    bool Rb7() const;
    bool Rb6() const { return (data_ & kClockBit) != 0; }
    MclrLevel Mclr() const { return MclrFor(data_); }
    static MclrLevel MclrFor(std::uint8_t data);

    void SetFault(BoardFault fault);
    BoardFault Fault() const { return fault_; }

  private:
    bool ChipConnected() const { return chip_ != nullptr && fault_ != BoardFault::NoTarget; }
    bool LineLevel() const;

    PicChip* chip_;
    BoardFault fault_ = BoardFault::None;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
};

}  // namespace tallis::sim
