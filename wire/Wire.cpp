#include "wire/Wire.h"

#include "wire/TargetLines.h"

namespace tallis {

namespace {

constexpr int kCommandBits = 6;
constexpr int kDataFrameBits = 16;
constexpr std::uint16_t kFrameDataMask = 0x7FFE;  // start bit 0, 14 data bits, stop bit 0

}  // namespace

Wire::Wire(LineTransport& transport, const TimingProfile& timing, std::uint32_t riseWaitUs)
    : transport_(transport), timing_(&timing), riseWaitUs_(riseWaitUs) {}

void Wire::Pause(std::uint32_t microseconds) {
    if (microseconds == 0) {
        return;
    }
    transport_.Wait(microseconds);
    for (std::uint32_t* owed : {&holdOwedUs_, &setupOwedUs_, &gapOwedUs_, &dataOutOwedUs_}) {
        *owed = *owed > microseconds ? *owed - microseconds : 0;
    }
}

void Wire::BitWait() {
    Pause(timing_->bitUs);
}

void Wire::FrameGap() {
    Pause(timing_->frameGapUs);
}

void Wire::LineWait() {
    Pause(timing_->lineUs);
}

void Wire::Drive(LineLevels levels) {
    if ((levels.lines & kDataOutLine) != 0) {
        dataReleased_ = (levels.high & kDataOutLine) != 0;
    }
    transport_.Drive(levels);
}

// A released line reaches the high level only after the board's rise time:
// a bit taken or sampled before then would read low.
void Wire::SetDataLine(bool bit) {
    const bool releasing = bit && (!dataReleased_ || lineRising_);
    if (bit != dataReleased_ || !timing_->dataLineOnChangeOnly) {
        Pause(holdOwedUs_);
        Drive(bit ? target_lines::kDataReleased : target_lines::kDataHeldLow);
        setupOwedUs_ = timing_->dataSetupHoldUs;
    }
    lineRising_ = false;
    if (releasing) {
        Pause(riseWaitUs_);
    }
}

// A clock edge in programming mode, MCLR where the mode keeps it.
void Wire::DriveClock(bool high) {
    if (lowVoltage_) {
        Drive(high ? target_lines::kLowVoltageClockHigh : target_lines::kLowVoltageClockLow);
    } else {
        Drive(high ? target_lines::kProgrammingClockHigh : target_lines::kProgrammingClockLow);
    }
}

// The bit goes onto the data line a bit wait (classic: 60 us) before the
// rising edge; the target takes it on the falling edge. A port access may
// take no time at all: whatever hold, setup or gap no other wait has covered
// is waited out just before the edge or change that needs it.
void Wire::ClockBit(bool bit) {
    BitWait();
    SetDataLine(bit);
    BitWait();
    Pause(gapOwedUs_);
    DriveClock(true);
    BitWait();
    Pause(setupOwedUs_);
    DriveClock(false);
    holdOwedUs_ = timing_->dataSetupHoldUs;
}

void Wire::ShiftBits(std::uint16_t bits, int count) {
    for (int i = 0; i < count; ++i) {
        ClockBit(((bits >> i) & 1U) != 0);
    }
}

void Wire::ShiftCommand(std::uint8_t command, std::uint16_t data, bool withData) {
    ShiftBits(command, kCommandBits);
    if (withData) {
        for (std::uint32_t i = 0; i < timing_->gapsBeforeDataFrame; ++i) {
            FrameGap();
        }
        ShiftBits(static_cast<std::uint16_t>((data << 1) & kFrameDataMask), kDataFrameBits);
    }
    FrameGap();
}

std::uint32_t Wire::SendIncrements(std::uint32_t count, const AddressStep& step) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (step && !step(i, count)) {
            return i;
        }
        ShiftCommand(kIncrementAddress, 0, false);
    }
    return count;
}

std::uint16_t Wire::ReceiveWord() {
    return WordOf(ReceiveWordLater());
}

// Each data bit is sampled a bit wait after its falling edge, first bit
// received into bit 0, and never sooner after its rising edge than the chip
// takes to put it on the line: a port access may take no time at all.
Wire::PendingWord Wire::ReceiveWordLater() {
    PendingWord pending;
    Drive(transport_.ReadingLevels());
    BitWait();
    DriveClock(true);
    BitWait();
    DriveClock(false);
    BitWait();
    for (DataSample& bit : pending.bits) {
        BitWait();
        DriveClock(true);
        dataOutOwedUs_ = WithMargin(chip_minimum::kDataOutDelayUs, timing_->externalMargin);
        BitWait();
        DriveClock(false);
        BitWait();
        Pause(riseWaitUs_);
        Pause(dataOutOwedUs_);
        bit = transport_.SampleData();
        BitWait();
    }
    DriveClock(true);
    BitWait();
    DriveClock(false);
    lineRising_ = true;  // the chip let go of the line at the last rising edge
    gapOwedUs_ = timing_->frameGapUs;
    return pending;
}

std::uint16_t Wire::WordOf(const PendingWord& pending) {
    std::uint16_t word = 0;
    for (std::size_t i = 0; i < pending.bits.size(); ++i) {
        if (transport_.DataLevel(pending.bits[i])) {
            word = static_cast<std::uint16_t>(word | (1U << i));
        }
    }
    return word;
}

// Fixed line states: whatever programming mode the chip was in, it ends.
void Wire::ResetTarget() {
    Drive(target_lines::kReset);
    LineWait();
    if (lowVoltage_) {
        Drive(target_lines::kPgmLow);
        LineWait();
    }
    Drive(target_lines::kDataReleased);
    LineWait();
    Drive(target_lines::kRunning);
    transport_.Flush();
}

}  // namespace tallis
