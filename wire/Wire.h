#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "wire/LineTransport.h"
#include "wire/SerialCommand.h"
#include "wire/TimingProfile.h"

namespace tallis {

// The serial wire to the chip: line changes with the profile's bit timing,
// the setup, hold and gap waits the chip is still owed, and the framing of
// commands and data. It knows nothing of which chip is on the other end;
// whoever owns it owns its profile and what it was told of the board.
class Wire {
  public:
    Wire(LineTransport& transport, const TimingProfile& timing, std::uint32_t riseWaitUs = 0);
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    void UseTiming(const TimingProfile& timing) { timing_ = &timing; }
    const TimingProfile& Timing() const { return *timing_; }
    LineTransport& Transport() { return transport_; }
    const LineTransport& Transport() const { return transport_; }

    // Waits. Every wait, whoever asks for it, counts towards what the chip is
    // still owed; a wait of 0 is none at all, not a call to the timer.
    void Pause(std::uint32_t microseconds);
    void BitWait();   // the profile's bit wait (classic: 60 us)
    void FrameGap();  // after a frame (classic: 60 us)
    void LineWait();  // after MCLR, VPP or the run line changed (classic: 2000 us)

    // Drives lines at once, whatever the bit timing (see target_lines).
    void Drive(LineLevels levels);

    // Serial commands.
    void ShiftCommand(std::uint8_t command, std::uint16_t data, bool withData);
    // Called before each increment with how many are done of how many; false stops there.
    using AddressStep = std::function<bool(std::uint32_t done, std::uint32_t total)>;
    // Sends count Increment Address commands; returns how many went out.
    std::uint32_t SendIncrements(std::uint32_t count, const AddressStep& step = {});
    // The 14-bit word of a read command's data frame.
    std::uint16_t ReceiveWord();
    // The same frame, its bits sampled but not yet looked at: a batching
    // transport sends it with whatever follows until WordOf needs the bits.
    struct PendingWord {
        std::array<DataSample, 14> bits{};
    };
    PendingWord ReceiveWordLater();
    std::uint16_t WordOf(const PendingWord& pending);

    // VPP off with the target in reset, then the data line released and the
    // target let run. In low-voltage programming MCLR falls before PGM.
    void ResetTarget();
    // Clock edges hold MCLR at VDD with PGM high instead of at VPP.
    void UseLowVoltage(bool on) { lowVoltage_ = on; }
    bool LowVoltage() const { return lowVoltage_; }

  private:
    void SetDataLine(bool bit);
    void ClockBit(bool bit);
    void ShiftBits(std::uint16_t bits, int count);
    void DriveClock(bool high);

    LineTransport& transport_;
    const TimingProfile* timing_;
    // How long the data line takes to rise once released: bits are taken and
    // sampled that much later.
    std::uint32_t riseWaitUs_;
    bool lowVoltage_ = false;
    bool dataReleased_ = true;  // the data-out line as last driven
    bool lineRising_ = false;   // the chip has just released the data line
    // Waits the chip is still owed, in microseconds; every wait pays them all
    // down. Hold: since a falling edge took a bit. Setup: since the data line
    // last changed. Gap: since a read frame ended. Data out: see above.
    std::uint32_t holdOwedUs_ = 0;
    std::uint32_t setupOwedUs_ = 0;
    std::uint32_t gapOwedUs_ = 0;
    // Since the rising edge that asked the chip for a read bit.
    std::uint32_t dataOutOwedUs_ = 0;
};

}  // namespace tallis
