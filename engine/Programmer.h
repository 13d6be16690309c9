#pragma once

#include <cstdint>
#include <functional>

#include "engine/EngineHost.h"
#include "engine/TimingProfile.h"
#include "portio/BoardLines.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Serial programming commands the engine sends (6-bit codes, LSb first).
enum SerialCommand : std::uint8_t {
    kLoadConfiguration = 0,
    kBulkEraseSetup1 = 1,
    kLoadDataProgramMemory = 2,
    kLoadDataDataMemory = 3,
    kReadDataProgramMemory = 4,
    kReadDataDataMemory = 5,
    kIncrementAddress = 6,
    kBulkEraseSetup2 = 7,
    kBeginEraseProgrammingCycle = 8,
    kEndProgramming = 23,
    kBeginProgrammingOnlyCycle = 24,
    kChipErase = 31,
};

// The programming engine: the port's lines, the chip's serial commands, bulk
// erase and target reset. It reaches the port only through PortIo and time
// only through Delayer, and asks its host for the chip type at every step.
class Programmer {
  public:
    // Control-register values: bit 0 is the data-out line, written inverted.
    static constexpr std::uint8_t kControlDataLow = board::kControlHoldDataLow;
    static constexpr std::uint8_t kControlReleased = 0x00;  // lets the target drive RB7
    // Data-register values.
    static constexpr std::uint8_t kDataReset = 0x00;  // clock low, target in reset, VPP off
    static constexpr std::uint8_t kDataRunning = board::kDataRun;  // clock low, target runs
    static constexpr std::uint8_t kDataClockLow =
        board::kDataRun | board::kDataVpp;  // programming mode, clock low

    Programmer(PortIo& port, Delayer& timer, const EngineHost& host);

    // Engine state. PortNumber (1 or 2, as shown to the user) and PortBase
    // always change together; see SelectPort.
    std::int32_t PortNumber = 1;
    std::uint16_t PortBase = 0x378;
    std::uint16_t AddressCounter = 0;
    std::uint16_t TargetAddress = 0;
    bool ConfigMode = false;
    std::uint8_t RunLineShadow = 0;
    std::uint8_t VppLineShadow = 0;

    // 1 -> LPT 1 at 0x378, 2 -> LPT 2 at 0x278; any other number changes nothing.
    void SelectPort(std::int32_t portNumber);
    // A port given by its address: the LPT number that has it, or 0 for none.
    void SelectPortAddress(std::uint16_t portBase);

    // The waits of BitWait and LineWait; the classic ones unless a chip
    // operation's session chose another profile.
    void UseTiming(const TimingProfile& timing) { timing_ = &timing; }
    const TimingProfile& Timing() const { return *timing_; }

    // How long the data line takes to rise once released, as a line check
    // measured it; bits are taken and sampled that much later. 0 by default.
    void SetLineRiseWait(std::uint32_t microseconds) { riseWaitUs_ = microseconds; }

    // Lines and waits.
    void BitWait();   // 60 us (classic)
    void FrameGap();  // 60 us (classic)
    void LineWait();  // 2000 us (classic)
    void EnterProgramMode();
    void LeaveProgramMode();
    void WriteData(std::uint8_t value);     // data register, PortBase
    void WriteControl(std::uint8_t value);  // control register, PortBase + 2
    std::uint8_t ReadStatus();              // status register, PortBase + 1

    // Serial commands.
    void ShiftCommand(std::uint8_t command, std::uint16_t data, bool withData);
    // Called between increments with how many are done of how many; false stops the move.
    using AddressStep = std::function<bool(std::uint32_t done, std::uint32_t total)>;
    // Steps the address counter up to TargetAddress. False when step stopped it.
    bool AdvanceAddress(const AddressStep& step = {});
    void WriteWord(std::uint8_t high, std::uint8_t low);
    bool ReadAndCompareWord(std::uint8_t high, std::uint8_t low);
    std::uint16_t ReceiveWord();

    // Whole-chip operations and the two commands built on them.
    void EraseChip();
    void ResetTarget();
    void EraseOnly();  // "Erase only"
    void ResetCpu();   // "Reset CPU"
    // Leaves the port as the program ends: RB7 released, the target running.
    void LeavePort();

    Delayer& Timer() { return timer_; }
    const PortIo& Port() const { return port_; }

  private:
    void Pause(std::uint32_t microseconds);
    void SetDataLine(bool bit);
    void ClockBit(bool bit);
    void ShiftBits(std::uint16_t bits, int count);
    void WriteProgramMemoryWord(std::uint16_t word);
    void WriteConfigurationWord(std::uint16_t word);
    void EraseWithCodeProtectDisable();  // PIC16F877
    void EraseWithChipErase();           // PIC16F877A
    void WriteLineShadows();

    PortIo& port_;
    Delayer& timer_;
    const EngineHost& host_;
    const TimingProfile* timing_ = &kClassicTiming;
    std::uint8_t controlShadow_ = kControlReleased;  // the last control-register write
    bool lineRising_ = false;                        // the chip has just released the data line
    std::uint32_t riseWaitUs_ = 0;
    // Waits the chip is still owed, in microseconds; every wait pays them all
    // down. Hold: since a falling edge took a bit. Setup: since the data line
    // last changed. Gap: since a read frame ended.
    std::uint32_t holdOwedUs_ = 0;
    std::uint32_t setupOwedUs_ = 0;
    std::uint32_t gapOwedUs_ = 0;
};

}  // namespace tallis
