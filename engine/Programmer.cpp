#include "engine/Programmer.h"

namespace tallis {

namespace {

constexpr std::uint16_t kLpt1Base = 0x378;
constexpr std::uint16_t kLpt2Base = 0x278;

// Data-register values beyond the class's own.
constexpr std::uint8_t kDataClockHigh = Programmer::kDataClockLow | board::kDataClock;
constexpr std::uint8_t kDataIdle = board::kDataRun | board::kDataClock;  // target runs, VPP off
constexpr std::uint8_t kRunLine = board::kDataRun;
constexpr std::uint8_t kVppLine = board::kDataVpp;

constexpr int kCommandBits = 6;
constexpr int kDataFrameBits = 16;
constexpr int kReceivedDataBits = 14;
constexpr std::uint16_t kFrameDataMask = 0x7FFE;  // start bit 0, 14 data bits, stop bit 0

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

}  // namespace

Programmer::Programmer(PortIo& port, Delayer& timer, const EngineHost& host)
    : port_(port), timer_(timer), host_(host) {}

void Programmer::SelectPort(std::int32_t portNumber) {
    if (portNumber == 1) {
        PortNumber = 1;
        PortBase = kLpt1Base;
    } else if (portNumber == 2) {
        PortNumber = 2;
        PortBase = kLpt2Base;
    }
}

void Programmer::SelectPortAddress(std::uint16_t portBase) {
    if (portBase == kLpt1Base) {
        PortNumber = 1;
    } else if (portBase == kLpt2Base) {
        PortNumber = 2;
    } else {
        PortNumber = 0;
    }
    PortBase = portBase;
}

void Programmer::BitWait() {
    Pause(timing_->bitUs);
}

void Programmer::FrameGap() {
    Pause(timing_->frameGapUs);
}

// A profile's zero wait is no wait at all, not a call to the timer. Any wait
// counts towards what the chip is still owed.
void Programmer::Pause(std::uint32_t microseconds) {
    if (microseconds == 0) {
        return;
    }
    timer_.Delay(microseconds);
    for (std::uint32_t* owed : {&holdOwedUs_, &setupOwedUs_, &gapOwedUs_}) {
        *owed = *owed > microseconds ? *owed - microseconds : 0;
    }
}

void Programmer::LineWait() {
    Pause(timing_->lineUs);
}

void Programmer::WriteData(std::uint8_t value) {
    port_.WriteByte(PortBase, value);
}

void Programmer::WriteControl(std::uint8_t value) {
    port_.WriteByte(static_cast<std::uint16_t>(PortBase + 2), value);
    controlShadow_ = value;
}

// A released line reaches the high level only after the board's rise time:
// a bit taken or sampled before then would read low.
void Programmer::SetDataLine(bool bit) {
    const std::uint8_t value = bit ? kControlReleased : kControlDataLow;
    const bool releasing = bit && (controlShadow_ != kControlReleased || lineRising_);
    if (value != controlShadow_ || !timing_->dataLineOnChangeOnly) {
        Pause(holdOwedUs_);
        WriteControl(value);
        setupOwedUs_ = timing_->dataSetupHoldUs;
    }
    lineRising_ = false;
    if (releasing) {
        Pause(riseWaitUs_);
    }
}

std::uint8_t Programmer::ReadStatus() {
    return port_.ReadByte(static_cast<std::uint16_t>(PortBase + 1));
}

void Programmer::WriteLineShadows() {
    WriteData(static_cast<std::uint8_t>(RunLineShadow | VppLineShadow));
}

// RB6 and RB7 are both low from the reset step on, before VPP comes on: the
// chip then enters programming mode with its address counter at 0.
void Programmer::EnterProgramMode() {
    LineWait();
    WriteControl(kControlDataLow);
    RunLineShadow = 0;
    VppLineShadow = 0;
    WriteLineShadows();
    LineWait();
    RunLineShadow = kRunLine;
    WriteLineShadows();
    LineWait();
    VppLineShadow = kVppLine;
    WriteLineShadows();
    LineWait();
    WriteControl(kControlDataLow);
    LineWait();
}

void Programmer::LeaveProgramMode() {
    RunLineShadow = 0;
    VppLineShadow = kVppLine;
    WriteLineShadows();
    LineWait();
    VppLineShadow = 0;
    WriteLineShadows();
    LineWait();
    RunLineShadow = kRunLine;
    WriteLineShadows();
}

// The bit goes onto the data line a bit wait (classic: 60 us) before the
// rising edge; the target takes it on the falling edge. A port access may
// take no time at all: whatever hold, setup or gap no other wait has covered
// is waited out just before the edge or change that needs it.
void Programmer::ClockBit(bool bit) {
    BitWait();
    SetDataLine(bit);
    BitWait();
    Pause(gapOwedUs_);
    WriteData(kDataClockHigh);
    BitWait();
    Pause(setupOwedUs_);
    WriteData(kDataClockLow);
    holdOwedUs_ = timing_->dataSetupHoldUs;
}

void Programmer::ShiftBits(std::uint16_t bits, int count) {
    for (int i = 0; i < count; ++i) {
        ClockBit(((bits >> i) & 1U) != 0);
    }
}

void Programmer::ShiftCommand(std::uint8_t command, std::uint16_t data, bool withData) {
    ShiftBits(command, kCommandBits);
    if (withData) {
        for (std::uint32_t i = 0; i < timing_->gapsBeforeDataFrame; ++i) {
            FrameGap();
        }
        ShiftBits(static_cast<std::uint16_t>((data << 1) & kFrameDataMask), kDataFrameBits);
    }
    FrameGap();
}

// Kept on purpose: never moves backwards; a target below the counter is reached
// by wrapping through all 65536 counter values.
bool Programmer::AdvanceAddress(const AddressStep& step) {
    auto count = static_cast<std::uint16_t>(TargetAddress - AddressCounter);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (step && !step(i, count)) {
            return false;
        }
        AddressCounter = static_cast<std::uint16_t>(AddressCounter + 1);
        ShiftCommand(kIncrementAddress, 0, false);
    }
    return true;
}

void Programmer::WriteWord(std::uint8_t high, std::uint8_t low) {
    auto word = static_cast<std::uint16_t>(high * 256 + low);
    if (ConfigMode) {
        WriteConfigurationWord(word);
    } else {
        WriteProgramMemoryWord(word);
    }
}

void Programmer::WriteProgramMemoryWord(std::uint16_t word) {
    ShiftCommand(kLoadDataProgramMemory, word, true);
    ShiftCommand(kBeginProgrammingOnlyCycle, 0, false);
    if (host_.SelectedChip() == ChipType::Pic16F877A) {
        timer_.Delay(kProgramTime877AUs);
        ShiftCommand(kEndProgramming, 0, false);
    } else {
        timer_.Delay(kProgramTime877Us);
    }
}

// Leaves the chip at 0x2007 without touching AddressCounter, so a following
// read compares the configuration word.
void Programmer::WriteConfigurationWord(std::uint16_t word) {
    if (host_.SelectedChip() == ChipType::Pic16F877A) {
        ShiftCommand(kLoadConfiguration, word, true);
        timer_.Delay(kConfigLoadSettle877AUs);
        for (int i = 0; i < kIncrementsToConfigurationWord; ++i) {
            ShiftCommand(kIncrementAddress, 0, false);
        }
        ShiftCommand(kBeginEraseProgrammingCycle, 0, false);
        timer_.Delay(kConfigProgramTime877AUs);
    } else {
        ShiftCommand(kLoadConfiguration, word, true);
        for (int i = 0; i < kIncrementsToConfigurationWord; ++i) {
            ShiftCommand(kIncrementAddress, 0, false);
        }
        ShiftCommand(kBeginProgrammingOnlyCycle, 0, false);
        timer_.Delay(kConfigProgramTime877Us);
    }
}

// Kept on purpose: compares all 16 bits, so an expected word with bit 14 or 15
// set never matches the 14-bit word read back.
bool Programmer::ReadAndCompareWord(std::uint8_t high, std::uint8_t low) {
    auto expected = static_cast<std::uint16_t>(high * 256 + low);
    ShiftCommand(kReadDataProgramMemory, 0, false);
    return ReceiveWord() == expected;
}

// Each data bit is sampled 60 us after its falling edge, first bit received into
// bit 0. Only status bit 6 carries the data-in line.
std::uint16_t Programmer::ReceiveWord() {
    WriteControl(kControlReleased);
    BitWait();
    WriteData(kDataClockHigh);
    BitWait();
    WriteData(kDataClockLow);
    BitWait();
    std::uint16_t accumulator = 0;
    for (int i = 0; i < kReceivedDataBits; ++i) {
        BitWait();
        accumulator = static_cast<std::uint16_t>(accumulator >> 1);
        WriteData(kDataClockHigh);
        BitWait();
        WriteData(kDataClockLow);
        BitWait();
        Pause(riseWaitUs_);
        std::uint8_t status = ReadStatus();
        BitWait();
        if ((status & board::kStatusDataIn) != 0) {
            accumulator = static_cast<std::uint16_t>(accumulator | 0x8000);
        }
    }
    WriteData(kDataClockHigh);
    BitWait();
    WriteData(kDataClockLow);
    lineRising_ = true;  // the chip let go of the line at the last rising edge
    gapOwedUs_ = timing_->frameGapUs;
    return static_cast<std::uint16_t>(accumulator >> 2);
}

void Programmer::EraseChip() {
    if (host_.SelectedChip() == ChipType::Pic16F877) {
        EraseWithCodeProtectDisable();
    } else {
        EraseWithChipErase();
    }
}

// Clears code protection too; leaving and re-entering programming mode brings
// the chip back from configuration space to address 0.
void Programmer::EraseWithCodeProtectDisable() {
    WriteControl(kControlDataLow);
    timer_.Delay(kEraseLeadIn877Us);
    EnterProgramMode();
    ShiftCommand(kLoadConfiguration, kBlankWord, true);
    for (int i = 0; i < kIncrementsToConfigurationWord; ++i) {
        ShiftCommand(kIncrementAddress, 0, false);
    }
    ShiftCommand(kBulkEraseSetup1, 0, false);
    ShiftCommand(kBulkEraseSetup2, 0, false);
    ShiftCommand(kBeginEraseProgrammingCycle, 0, false);
    timer_.Delay(kEraseCycle877Us);
    ShiftCommand(kBulkEraseSetup1, 0, false);
    ShiftCommand(kBulkEraseSetup2, 0, false);
    timer_.Delay(kEraseCycle877Us);
    LeaveProgramMode();
    timer_.Delay(kEraseCycle877Us);
    EnterProgramMode();
    timer_.Delay(kEraseSettle877Us);
}

void Programmer::EraseWithChipErase() {
    WriteControl(kControlDataLow);
    EnterProgramMode();
    LineWait();
    ShiftCommand(kChipErase, 0, false);
    timer_.Delay(kChipErase877AUs);
    ShiftCommand(kEndProgramming, 0, false);
}

// Fixed register values: the reset pulse leaves the line shadows as they were.
void Programmer::ResetTarget() {
    WriteData(kDataReset);
    LineWait();
    WriteControl(kControlReleased);
    LineWait();
    WriteData(kDataRunning);
}

void Programmer::EraseOnly() {
    EraseChip();
    WriteControl(kControlReleased);
}

void Programmer::ResetCpu() {
    ResetTarget();
}

void Programmer::LeavePort() {
    WriteControl(kControlReleased);
    WriteData(kDataIdle);
}

}  // namespace tallis
