#include "sim/InterfaceBoard.h"

#include <algorithm>
#include <utility>

#include "sim/PcPort.h"

namespace tallis::sim {

std::optional<BoardTiming> BoardTimingNamed(std::string_view name) {
    if (name == "ideal") {
        return BoardTiming{};
    }
    if (name == "slow") {
        return BoardTiming::Slow();
    }
    return std::nullopt;
}

InterfaceBoard::InterfaceBoard(PicChip* chip, SimClock& clock, BoardTiming timing,
                               const board::BoardWiring& wiring)
    : chip_(chip), clock_(clock), timing_(timing), wiring_(wiring) {
    const std::pair<board::PinLine, bool> atRest[] = {
        {wiring.clock, false},  {wiring.run, false},        {wiring.vpp, false},
        {wiring.vdd, false},    {wiring.pgm, false},        {wiring.connect, false},
        {wiring.dataOut, true}, {wiring.dataOutAlso, true}, {wiring.dataDirection, true},
    };
    for (const auto& [line, high] : atRest) {
        const pc_port::Pin pin = pc_port::PinAt(line.pin);
        if (!line.Connected() || !pc_port::BitFor(line.pin, high != line.inverted)) {
            continue;
        }
        if (pin.reg == pc_port::Register::Data) {
            restData_ = static_cast<std::uint8_t>(restData_ | pin.bit);
        } else if (pin.reg == pc_port::Register::Control) {
            restControl_ = static_cast<std::uint8_t>(restControl_ | pin.bit);
        }
    }
    data_ = restData_;
    control_ = restControl_;
    mclr_ = MclrFor(data_, control_);
    released_ = Released();
}

bool InterfaceBoard::LineHigh(const board::PinLine& line, std::uint8_t data, std::uint8_t control) {
    return line.Connected() && pc_port::OutputLevel(line.pin, data, control) != line.inverted;
}

bool InterfaceBoard::Powered(std::uint8_t data, std::uint8_t control) const {
    return !wiring_.vdd.Connected() || LineHigh(wiring_.vdd, data, control);
}

bool InterfaceBoard::Joined(std::uint8_t data, std::uint8_t control) const {
    return !wiring_.connect.Connected() || LineHigh(wiring_.connect, data, control);
}

// An unpowered chip sees nothing but a low MCLR; one the board has let go of
// runs on its own MCLR pull-up. A board without a run line holds MCLR low
// whenever VPP is off.
MclrLevel InterfaceBoard::MclrFor(std::uint8_t data, std::uint8_t control) const {
    if (!Powered(data, control)) {
        return MclrLevel::Low;
    }
    if (!Joined(data, control)) {
        return MclrLevel::High;
    }
    const bool hasRun = wiring_.run.Connected();
    if (hasRun && !LineHigh(wiring_.run, data, control)) {
        return MclrLevel::Low;  // the run line holds reset, whatever VPP does
    }
    if (LineHigh(wiring_.vpp, data, control)) {
        return MclrLevel::Vpp;
    }
    return hasRun ? MclrLevel::High : MclrLevel::Low;
}

bool InterfaceBoard::Rb6() const {
    return Powered(data_, control_) && Joined(data_, control_) && LineHigh(wiring_.clock);
}

// The host holds RB7 low only through a joined board whose data buffer faces
// the target, and where it joins two pins onto RB7, either one holds it.
bool InterfaceBoard::HostReleases() const {
    if (!Joined(data_, control_)) {
        return true;
    }
    if (wiring_.dataDirection.Connected() && LineHigh(wiring_.dataDirection)) {
        return true;
    }
    const bool also = !wiring_.dataOutAlso.Connected() || LineHigh(wiring_.dataOutAlso);
    return LineHigh(wiring_.dataOut) && also;
}

void InterfaceBoard::SetRegisters(std::uint8_t data, std::uint8_t control) {
    const std::uint64_t now = clock_.NowNs();
    CatchUp(now);
    const bool vppRisenUnpowered = VppOn() && !Powered() && !mclrEdgePending_;
    data_ = data;
    control_ = control;
    StartMclrEdge(now, vppRisenUnpowered);
    TrackRelease(now);
    FollowSocket(now);
    Notify(now);
}

// Only edges towards VPP and from VPP back to VDD go through the switch's RC;
// the run line pulls MCLR to ground, and releases it to VDD, at once.
void InterfaceBoard::StartMclrEdge(std::uint64_t nowNs, bool vppAlreadyRisen) {
    const MclrLevel target = MclrFor(data_, control_);
    if (target == (mclrEdgePending_ ? pendingMclr_ : mclr_)) {
        return;
    }
    std::uint64_t delayNs = 0;
    if (target == MclrLevel::Vpp && !vppAlreadyRisen) {
        delayNs = timing_.vppRiseNs;
    } else if (mclr_ == MclrLevel::Vpp && target == MclrLevel::High) {
        delayNs = timing_.vppFallNs;
    }
    mclrEdgePending_ = delayNs != 0;
    if (mclrEdgePending_) {
        pendingMclr_ = target;
        mclrDueNs_ = nowNs + delayNs;
    } else {
        mclr_ = target;
    }
}

bool InterfaceBoard::Released() const {
    const bool chipReleases = !ChipConnected() || !Powered(data_, control_) || chip_->Rb7Released();
    return fault_ != BoardFault::DataStuckLow && HostReleases() && chipReleases;
}

void InterfaceBoard::TrackRelease(std::uint64_t nowNs) {
    const bool released = Released();
    if (released && !released_) {
        releasedSinceNs_ = nowNs;
    }
    released_ = released;
}

bool InterfaceBoard::LineLevelAt(std::uint64_t nowNs) const {
    return released_ && nowNs - releasedSinceNs_ >= timing_.rb7RiseNs;
}

// Hands the chip every slow edge that has completed by now, and lets the
// chip's own drive of RB7 take effect when it does, oldest first.
void InterfaceBoard::CatchUp(std::uint64_t nowNs) {
    for (;;) {
        std::uint64_t atNs = nowNs + 1;
        if (mclrEdgePending_) {
            atNs = std::min(atNs, mclrDueNs_);
        }
        if (timing_.rb7RiseNs != 0 && ChipConnected() && released_ && !chipSeesRb7High_) {
            atNs = std::min(atNs, releasedSinceNs_ + timing_.rb7RiseNs);
        }
        const std::optional<std::uint64_t> driveDueNs =
            ChipConnected() ? chip_->DriveChangeDueNs() : std::nullopt;
        if (driveDueNs) {
            atNs = std::min(atNs, *driveDueNs);
        }
        if (atNs > nowNs) {
            return;
        }
        if (mclrEdgePending_ && mclrDueNs_ == atNs) {
            mclr_ = pendingMclr_;
            mclrEdgePending_ = false;
        }
        if (driveDueNs == atNs) {
            chip_->SettleDrive(atNs);
            TrackRelease(atNs);
        }
        Notify(atNs);
    }
}

void InterfaceBoard::Notify(std::uint64_t nowNs) {
    if (!ChipConnected()) {
        return;
    }
    if (const bool powered = Powered(data_, control_); powered != chipPowered_) {
        chipPowered_ = powered;
        chip_->SupplyChanged(powered, nowNs);
    }
    const bool vppRising = mclrEdgePending_ && pendingMclr_ == MclrLevel::Vpp;
    chipSeesRb7High_ = LineLevelAt(nowNs);
    const bool powered = Powered(data_, control_);
    chip_->UpdatePgm(powered && Joined(data_, control_) && LineHigh(wiring_.pgm), nowNs);
    chip_->UpdatePins(mclr_, Rb6(), chipSeesRb7High_, nowNs, vppRising);
    TrackRelease(nowNs);  // the chip may have taken or let go of RB7
}

bool InterfaceBoard::Rb7() {
    const std::uint64_t now = clock_.NowNs();
    CatchUp(now);
    FollowSocket(now);
    if (fault_ == BoardFault::DataStuckLow) {
        return false;
    }
    if (!ChipConnected() || !Joined(data_, control_)) {
        return true;  // nothing on the other end: the input floats high
    }
    if (!Powered(data_, control_)) {
        return false;  // the pull-up hangs on the target's supply
    }
    return LineLevelAt(now);
}

std::uint8_t InterfaceBoard::Status() {
    return pc_port::StatusWith(wiring_.dataIn.pin, Rb7() != wiring_.dataIn.inverted);
}

void InterfaceBoard::SetFault(BoardFault fault) {
    fault_ = fault;
    SetRegisters(data_, control_);  // the chip sees the new line levels at once
}

void InterfaceBoard::UseSocket(const InsertionSchedule& schedule,
                               std::function<void(unsigned chip)> inserted) {
    socket_ = schedule;
    inserted_ = std::move(inserted);
    seated_ = false;
    FollowSocket(clock_.NowNs());
}

// A chip that goes in meets the lines as they are now; one taken out keeps
// nothing of the session it was in.
void InterfaceBoard::FollowSocket(std::uint64_t nowNs) {
    if (!socket_) {
        return;
    }
    const std::optional<unsigned> chip = socket_->ChipAt(nowNs);
    // A chip due in or out while the socket is at VPP moves once VPP is off:
    // the programmer leaves the socket dead between chips but for the device
    // ID reads that look for them, which last milliseconds, and the operator
    // waits for the socket's light.
    if (chip.has_value() == seated_ || mclr_ == MclrLevel::Vpp || VppOn()) {
        return;
    }
    seated_ = chip.has_value();
    if (!seated_) {
        // Out of the socket the chip is unpowered: nothing it saw of the lines
        // counts towards an entry into programming mode once it is back.
        chip_->UpdatePins(MclrLevel::Low, true, true, nowNs);
        TrackRelease(nowNs);
        return;
    }
    inserted_(*chip);
    // It powers up in reset and meets the lines as they are now.
    chip_->UpdatePins(MclrLevel::Low, Rb6(), LineLevelAt(nowNs), nowNs);
    Notify(nowNs);
}

}  // namespace tallis::sim
