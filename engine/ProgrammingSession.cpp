#include "engine/ProgrammingSession.h"

#include "wire/TargetLines.h"

namespace tallis {

ProgrammingSession::ProgrammingSession(LineTransport& lines, const TimingProfile& timing,
                                       OperationProgress* progress, const LineCheckResult& board,
                                       bool vppBeforeVdd)
    : wire_(lines, timing, board.settleUs),
      progress_(progress),
      failuresAtStart_(lines.FailedAccesses()),
      linesMeasured_(board.measured) {
    const BoardEntry entry = lines.Entry();
    wire_.UseLowVoltage(entry.lowVoltage);
    vppBeforeVdd_ = vppBeforeVdd && entry.switchesSupply && !entry.lowVoltage;
    Enter();
}

ProgrammingSession::~ProgrammingSession() {
    Leave();
}

// From reset straight to VPP with RB6 and RB7 held low: the chip cannot run a
// single instruction of its program on the way in, and VPP has been off long
// enough for the address counter to start again at 0. The line wait after VPP
// goes on covers the slowest VPP switch allowed for and THLD0 after it.
void ProgrammingSession::Enter() {
    if (wire_.LowVoltage()) {
        EnterLowVoltage();
        return;
    }
    if (vppBeforeVdd_) {
        EnterVppBeforeVdd();
        return;
    }
    wire_.Drive(target_lines::kDataHeldLow);
    wire_.Drive(target_lines::kReset);
    wire_.Pause(Timing().vppOffBeforeEntryUs);
    wire_.Drive(target_lines::kProgrammingClockLow);
    wire_.LineWait();
    address_ = 0;
}

// From reset with PGM low (a re-entry must see PGM rise again), PGM raised,
// then MCLR to VDD: the line waits cover the chip's hold after PGM (5 us) and
// after MCLR. VPP stays off throughout.
void ProgrammingSession::EnterLowVoltage() {
    wire_.Drive(target_lines::kDataHeldLow);
    wire_.Drive(target_lines::kReset);
    wire_.Drive(target_lines::kPgmLow);
    wire_.Pause(Timing().vppOffBeforeEntryUs);
    wire_.Drive(target_lines::kPgmHigh);
    wire_.LineWait();
    wire_.Drive(target_lines::kLowVoltageClockLow);
    wire_.LineWait();
    address_ = 0;
}

// The supply off with VPP, then VPP on MCLR while the chip is still
// unpowered, then VDD: the chip meets VDD with MCLR already at VPP and
// cannot run an instruction of its program, whatever its configuration.
void ProgrammingSession::EnterVppBeforeVdd() {
    wire_.Drive(target_lines::kDataHeldLow);
    wire_.Drive(target_lines::kReset);
    wire_.Drive(target_lines::kUnpowered);
    wire_.Pause(Timing().vppOffBeforeEntryUs);
    wire_.Drive(target_lines::kVppUnpowered);
    wire_.LineWait();
    wire_.Drive(target_lines::kPowerOn);
    wire_.LineWait();
    address_ = 0;
}

void ProgrammingSession::UseVppBeforeVdd() {
    const BoardEntry entry = wire_.Transport().Entry();
    if (vppBeforeVdd_ || entry.lowVoltage || !entry.switchesSupply) {
        return;
    }
    vppBeforeVdd_ = true;
    Restart();
}

// VPP off with the target held in reset, then the data line released and the
// target let run, as the classic reset does.
void ProgrammingSession::Leave() noexcept {
    wire_.ResetTarget();
}

void ProgrammingSession::UseTiming(const TimingProfile& timing) {
    wire_.UseTiming(timing);
}

const TimingProfile& ProgrammingSession::ReadTiming() const {
    return linesMeasured_ ? kFastTiming : Timing();
}

void ProgrammingSession::Restart() {
    Enter();
}

void ProgrammingSession::GoTo(std::uint16_t address) {
    const bool toProgramSpace = address < kConfigSpace;
    if (address < address_ || (toProgramSpace && address_ >= kConfigSpace)) {
        Restart();
    }
    if (!toProgramSpace && address_ < kConfigSpace) {
        LoadConfiguration(kBlankWord);
    }
    while (address_ < address) {
        Increment();
    }
}

void ProgrammingSession::Increment() {
    wire_.ShiftCommand(kIncrementAddress, 0, false);
    ++address_;
}

std::uint16_t ProgrammingSession::ReadWord() {
    return ValueOf(ReadWordLater());
}

std::uint8_t ProgrammingSession::ReadDataByte() {
    return static_cast<std::uint8_t>(ValueOf(ReadDataByteLater()));
}

ProgrammingSession::PendingRead ProgrammingSession::ReadWordLater() {
    wire_.ShiftCommand(kReadDataProgramMemory, 0, false);
    return {wire_.ReceiveWordLater(), false};
}

ProgrammingSession::PendingRead ProgrammingSession::ReadDataByteLater() {
    wire_.ShiftCommand(kReadDataDataMemory, 0, false);
    return {wire_.ReceiveWordLater(), true};
}

std::uint16_t ProgrammingSession::ValueOf(const PendingRead& read) {
    const std::uint16_t word = wire_.WordOf(read.word);
    return read.dataByte ? static_cast<std::uint16_t>(word & 0xFFU) : word;
}

void ProgrammingSession::LoadWord(std::uint16_t word) {
    wire_.ShiftCommand(kLoadDataProgramMemory, word, true);
}

void ProgrammingSession::LoadDataByte(std::uint8_t value) {
    wire_.ShiftCommand(kLoadDataDataMemory, value, true);
}

void ProgrammingSession::LoadConfiguration(std::uint16_t word) {
    wire_.ShiftCommand(kLoadConfiguration, word, true);
    address_ = kConfigSpace;
}

void ProgrammingSession::Send(SerialCommand command) {
    wire_.ShiftCommand(command, 0, false);
}

void ProgrammingSession::Wait(std::uint32_t microseconds) {
    wire_.Pause(microseconds);
}

void ProgrammingSession::Step(std::uint32_t done, std::uint32_t total, std::uint16_t address) {
    if (PortFailures() != 0) {
        throw OperationStopped(OperationOutcome::PortError);
    }
    if (progress_ == nullptr) {
        return;
    }
    progress_->Report(done, total, address);
    if (progress_->CancelRequested()) {
        throw OperationStopped(OperationOutcome::Cancelled);
    }
}

std::uint64_t ProgrammingSession::PortFailures() const {
    return wire_.Transport().FailedAccesses() - failuresAtStart_;
}

}  // namespace tallis
