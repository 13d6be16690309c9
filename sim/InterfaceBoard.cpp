#include "sim/InterfaceBoard.h"

namespace tallis::sim {

MclrLevel InterfaceBoard::MclrFor(std::uint8_t data) {
    if ((data & kRunBit) == 0) {
        return MclrLevel::Low;  // the run line holds reset, whatever VPP does
    }
    return (data & kVppBit) != 0 ? MclrLevel::Vpp : MclrLevel::High;
}

void InterfaceBoard::SetRegisters(std::uint8_t data, std::uint8_t control) {
    data_ = data;
    control_ = control;
    if (ChipConnected()) {
        chip_->UpdatePins(MclrFor(data_), (data_ & kClockBit) != 0, LineLevel());
    }
}

bool InterfaceBoard::LineLevel() const {
    if (fault_ == BoardFault::DataStuckLow) {
        return false;
    }
    const bool hostReleases = (control_ & kHoldDataLowBit) == 0;
    const bool chipReleases = !ChipConnected() || chip_->Rb7Released();
    return hostReleases && chipReleases;
}

bool InterfaceBoard::Rb7() const {
    if (fault_ == BoardFault::DataStuckLow) {
        return false;
    }
    if (!ChipConnected()) {
        return true;  // nothing on the other end: the input floats high
    }
    return LineLevel();
}

void InterfaceBoard::SetFault(BoardFault fault) {
    fault_ = fault;
    SetRegisters(data_, control_);  // the chip sees the new line levels at once
}

}  // namespace tallis::sim
