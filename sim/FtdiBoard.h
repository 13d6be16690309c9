#pragma once

#include <cstdint>

#include "board/FtdiWiring.h"
#include "sim/InterfaceBoard.h"
#include "sim/PicChip.h"
#include "sim/Violation.h"

namespace tallis::sim {

// A board on the eight pins of an FTDI chip's bit-bang port, wired as an
// FTDI wiring row says. A pin that is an input floats high (the chip's own
// pull-ups, and the board's on the VPP switch and MCLR). The lines:
//   run pin -> MCLR low while it is low (a diode: the pin never sees VPP)
//   VPP pin -> the switch that puts VPP on MCLR
//   clock pin -> RB6
//   data out pin -> RB7: on a one-pin data line directly, so the pin must be
//       an input while the chip drives RB7; on a split line through a
//       resistor, which the chip overrides
//   data in pin <- RB7
//   PGM pin -> RB3 (RB4), pulled down: low while the pin is an input
class FtdiBoard {
  public:
    // chip may be null: then nothing is connected.
    FtdiBoard(PicChip* chip, ViolationLog& log, const board::FtdiWiring& wiring)
        : chip_(chip), log_(log), wiring_(wiring) {}

    // The pins as one byte drives them at nowNs: the latched levels, and
    // which of them are outputs.
    void SetPins(std::uint8_t latch, std::uint8_t outputs, std::uint64_t nowNs);
    // The eight pins as the FTDI chip samples them.
    std::uint8_t Pins() const;

    bool VppOn() const { return LineHigh(wiring_.vpp); }
    MclrLevel Mclr() const;
    std::uint8_t Outputs() const { return outputs_; }
    void SetFault(BoardFault fault) { fault_ = fault; }

  private:
    bool PinHigh(std::uint8_t bit) const;
    bool LineHigh(const board::FtdiPin& pin) const {
        return pin.connected && PinHigh(pin.bit) != pin.inverted;
    }
    bool ChipConnected() const { return chip_ != nullptr && fault_ != BoardFault::NoTarget; }
    bool Rb7() const;
    bool PgmHigh() const;

    PicChip* chip_;
    ViolationLog& log_;
    const board::FtdiWiring& wiring_;
    BoardFault fault_ = BoardFault::None;
    std::uint8_t latch_ = 0;
    std::uint8_t outputs_ = 0;
};

}  // namespace tallis::sim
