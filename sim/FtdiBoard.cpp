#include "sim/FtdiBoard.h"

namespace tallis::sim {

bool FtdiBoard::PinHigh(std::uint8_t bit) const {
    const auto mask = static_cast<std::uint8_t>(1U << bit);
    return (outputs_ & mask) == 0 || (latch_ & mask) != 0;
}

MclrLevel FtdiBoard::Mclr() const {
    if (!LineHigh(wiring_.run)) {
        return MclrLevel::Low;
    }
    return LineHigh(wiring_.vpp) ? MclrLevel::Vpp : MclrLevel::High;
}

// The board's pull-down holds PGM low while its pin is an input, so that a
// target left running by the adapter never sees low-voltage entry.
bool FtdiBoard::PgmHigh() const {
    return wiring_.pgm.connected && (outputs_ & wiring_.pgm.Mask()) != 0 && LineHigh(wiring_.pgm);
}

// RB7 is low while anything holds it low: the chip, a stuck line, or the data
// pin driving low (through the resistor of a split line too).
bool FtdiBoard::Rb7() const {
    if (fault_ == BoardFault::DataStuckLow) {
        return false;
    }
    const bool chipReleases = !ChipConnected() || chip_->Rb7Released();
    return chipReleases && LineHigh(wiring_.dataOut);
}

void FtdiBoard::SetPins(std::uint8_t latch, std::uint8_t outputs, std::uint64_t nowNs) {
    latch_ = latch;
    outputs_ = outputs;
    if (!ChipConnected()) {
        return;
    }
    chip_->UpdatePgm(PgmHigh(), nowNs);
    chip_->UpdatePins(Mclr(), LineHigh(wiring_.clock), Rb7(), nowNs);
    const bool drivesHigh = (outputs_ & wiring_.dataOut.Mask()) != 0 && LineHigh(wiring_.dataOut);
    if (!wiring_.SplitData() && drivesHigh && !chip_->Rb7Released()) {
        log_.Record(ViolationKind::DataContention, nowNs,
                    "the data pin drove RB7 high while the chip drove it low");
    }
}

std::uint8_t FtdiBoard::Pins() const {
    std::uint8_t pins = 0;
    for (std::uint8_t bit = 0; bit < 8; ++bit) {
        if (PinHigh(bit)) {
            pins = static_cast<std::uint8_t>(pins | (1U << bit));
        }
    }
    const std::uint8_t dataIn = wiring_.dataIn.Mask();
    const bool level = Rb7() != wiring_.dataIn.inverted;
    return static_cast<std::uint8_t>(level ? (pins | dataIn) : (pins & ~dataIn));
}

}  // namespace tallis::sim
