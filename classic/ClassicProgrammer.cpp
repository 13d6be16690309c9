#include "classic/ClassicProgrammer.h"

#include "wire/TargetLines.h"

namespace tallis {

namespace {

constexpr std::uint16_t kLpt1Base = 0x378;
constexpr std::uint16_t kLpt2Base = 0x278;

// Load Configuration leaves the chip at 0x2000; this many increments reach 0x2007.
constexpr int kIncrementsToConfigurationWord = 7;

constexpr std::uint32_t kProgramTime877AUs = 2000;
constexpr std::uint32_t kProgramTime877Us = 5000;
constexpr std::uint32_t kConfigLoadSettle877AUs = 10000;
constexpr std::uint32_t kConfigProgramTime877AUs = 10000;
constexpr std::uint32_t kConfigProgramTime877Us = 9000;
constexpr std::uint32_t kEraseLeadIn877Us = 90;
constexpr std::uint32_t kEraseCycle877Us = 10000;
constexpr std::uint32_t kEraseSettle877Us = 900;
constexpr std::uint32_t kChipErase877AUs = 9000;
constexpr std::uint16_t kBlankWord = 0x3FFF;
// On a board whose VPP falls slowly, a short drop may leave the chip's
// address counter where it was.
constexpr std::uint32_t kReentryVppOffUs = 10000;

std::int32_t LptNumberOf(std::uint16_t base) {
    if (base == kLpt1Base) {
        return 1;
    }
    return base == kLpt2Base ? 2 : 0;
}

}  // namespace

ClassicProgrammer::ClassicProgrammer(ParallelPortTransport& lines, const EngineHost& host)
    : lines_(lines),
      host_(host),
      wire_(lines, kClassicTiming),
      portNumber_(LptNumberOf(lines.Base())) {}

void ClassicProgrammer::SelectPort(std::int32_t portNumber) {
    if (portNumber == 1) {
        SelectPortAddress(kLpt1Base);
    } else if (portNumber == 2) {
        SelectPortAddress(kLpt2Base);
    }
}

void ClassicProgrammer::SelectPortAddress(std::uint16_t portBase) {
    portNumber_ = LptNumberOf(portBase);
    lines_.SetBase(portBase);
}

void ClassicProgrammer::HoldDataLow() {
    wire_.Drive(target_lines::kDataHeldLow);
}

// RB6 and RB7 are both low from the reset step on, before VPP comes on: the
// chip then enters programming mode with its address counter at 0.
void ClassicProgrammer::EnterProgramMode() {
    wire_.LineWait();
    HoldDataLow();
    wire_.Drive(target_lines::Mclr(false, false));
    wire_.LineWait();
    wire_.Drive(target_lines::Mclr(true, false));
    wire_.LineWait();
    wire_.Drive(target_lines::Mclr(true, true));
    wire_.LineWait();
    HoldDataLow();
    wire_.LineWait();
}

// The target is held in reset, VPP off, long enough for any board; only then
// does the entry (which passes through a running chip, as every entry on this
// board does) start the counter afresh.
void ClassicProgrammer::ReenterProgramMode() {
    wire_.Drive(target_lines::kReset);
    wire_.Pause(kReentryVppOffUs);
    EnterProgramMode();
}

void ClassicProgrammer::LeaveProgramMode() {
    wire_.Drive(target_lines::Mclr(false, true));
    wire_.LineWait();
    wire_.Drive(target_lines::Mclr(false, false));
    wire_.LineWait();
    wire_.Drive(target_lines::Mclr(true, false));
}

std::uint16_t ClassicProgrammer::AdvanceAddress(std::uint16_t from, std::uint16_t to,
                                                const Wire::AddressStep& step) {
    const auto count = static_cast<std::uint16_t>(to - from);
    return static_cast<std::uint16_t>(from + wire_.SendIncrements(count, step));
}

void ClassicProgrammer::WriteProgramWord(std::uint8_t high, std::uint8_t low) {
    wire_.ShiftCommand(kLoadDataProgramMemory, static_cast<std::uint16_t>(high * 256 + low), true);
    wire_.ShiftCommand(kBeginProgrammingOnlyCycle, 0, false);
    if (host_.SelectedChip() == ChipType::Pic16F877A) {
        wire_.Pause(kProgramTime877AUs);
        wire_.ShiftCommand(kEndProgramming, 0, false);
    } else {
        wire_.Pause(kProgramTime877Us);
    }
}

void ClassicProgrammer::WriteConfigurationWord(std::uint8_t high, std::uint8_t low) {
    const auto word = static_cast<std::uint16_t>(high * 256 + low);
    const bool is877A = host_.SelectedChip() == ChipType::Pic16F877A;
    wire_.ShiftCommand(kLoadConfiguration, word, true);
    if (is877A) {
        wire_.Pause(kConfigLoadSettle877AUs);
    }
    for (int i = 0; i < kIncrementsToConfigurationWord; ++i) {
        wire_.ShiftCommand(kIncrementAddress, 0, false);
    }
    if (is877A) {
        wire_.ShiftCommand(kBeginEraseProgrammingCycle, 0, false);
        wire_.Pause(kConfigProgramTime877AUs);
    } else {
        wire_.ShiftCommand(kBeginProgrammingOnlyCycle, 0, false);
        wire_.Pause(kConfigProgramTime877Us);
    }
}

// Kept on purpose: compares all 16 bits, so an expected word with bit 14 or 15
// set never matches the 14-bit word read back.
bool ClassicProgrammer::ReadAndCompareWord(std::uint8_t high, std::uint8_t low) {
    const auto expected = static_cast<std::uint16_t>(high * 256 + low);
    return ReadWord() == expected;
}

std::uint16_t ClassicProgrammer::ReadWord() {
    wire_.ShiftCommand(kReadDataProgramMemory, 0, false);
    return wire_.ReceiveWord();
}

void ClassicProgrammer::EraseChip() {
    if (host_.SelectedChip() == ChipType::Pic16F877) {
        EraseWithCodeProtectDisable();
    } else {
        EraseWithChipErase();
    }
}

// Clears code protection too; leaving and re-entering programming mode brings
// the chip back from configuration space to address 0.
void ClassicProgrammer::EraseWithCodeProtectDisable() {
    HoldDataLow();
    wire_.Pause(kEraseLeadIn877Us);
    EnterProgramMode();
    wire_.ShiftCommand(kLoadConfiguration, kBlankWord, true);
    for (int i = 0; i < kIncrementsToConfigurationWord; ++i) {
        wire_.ShiftCommand(kIncrementAddress, 0, false);
    }
    wire_.ShiftCommand(kBulkEraseSetup1, 0, false);
    wire_.ShiftCommand(kBulkEraseSetup2, 0, false);
    wire_.ShiftCommand(kBeginEraseProgrammingCycle, 0, false);
    wire_.Pause(kEraseCycle877Us);
    wire_.ShiftCommand(kBulkEraseSetup1, 0, false);
    wire_.ShiftCommand(kBulkEraseSetup2, 0, false);
    wire_.Pause(kEraseCycle877Us);
    LeaveProgramMode();
    wire_.Pause(kEraseCycle877Us);
    EnterProgramMode();
    wire_.Pause(kEraseSettle877Us);
}

void ClassicProgrammer::EraseWithChipErase() {
    HoldDataLow();
    EnterProgramMode();
    wire_.LineWait();
    wire_.ShiftCommand(kChipErase, 0, false);
    wire_.Pause(kChipErase877AUs);
    wire_.ShiftCommand(kEndProgramming, 0, false);
}

void ClassicProgrammer::ResetTarget() {
    wire_.ResetTarget();
}

void ClassicProgrammer::EraseOnly() {
    EraseChip();
    wire_.Drive(target_lines::kDataReleased);
    lines_.Flush();
}

void ClassicProgrammer::ResetCpu() {
    ResetTarget();
}

void ClassicProgrammer::LeavePort() {
    wire_.Drive(target_lines::kDataReleased);
    wire_.Drive(target_lines::kIdle);
    lines_.Flush();
}

}  // namespace tallis
