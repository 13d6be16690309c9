#pragma once

#include <cstdint>

#include "sim/SimulatedTarget.h"

namespace tallis::sim::test {

// Serial command codes, as the chip's documentation names them.
enum Code : std::uint8_t {
    kLoadConfiguration = 0,
    kSetup1 = 1,
    kLoadData = 2,
    kLoadDataEeprom = 3,
    kRead = 4,
    kReadEeprom = 5,
    kIncrement = 6,
    kSetup2 = 7,
    kBeginEraseProgramming = 8,
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
    kEndProgramming = 23,
    kBeginProgrammingOnly = 24,
    kChipErase = 31,
};

// A minimal programmer written from the chip's documentation, independent of
// the engine: it clocks commands and frames through the simulated port with
// the same line values and (by default) the same pacing as the real host.
class TestHost {
  public:
    explicit TestHost(SimulatedTarget& target)
        : target_(target),
          port_(target.Port()),
          clock_(target.Clock()),
          base_(target.SimPort().Base()) {}

    std::uint32_t bitWaitUs = 60;  // each phase of a clock cycle

    void Wait(std::uint32_t us) { clock_.Delay(us); }
    void Data(std::uint8_t value) { port_.WriteByte(base_, value); }
    void Control(std::uint8_t value) { port_.WriteByte(base_ + 2, value); }
    std::uint8_t Status() { return port_.ReadByte(base_ + 1); }

    void EnterProgramMode() {
        Wait(2000);
        Control(0x01);
        Data(0x00);
        Wait(2000);
        Data(0x02);
        Wait(2000);
        Data(0x0A);
        Wait(2000);
        Control(0x01);
        Wait(2000);
    }
    void LeaveProgramMode() {
        Data(0x08);
        Wait(2000);
        Data(0x00);
        Wait(2000);
        Data(0x02);
    }
    void ResetCpu() {
        Data(0x00);
        Wait(2000);
        Control(0x00);
        Wait(2000);
        Data(0x02);
    }

    void ClockBit(bool bit) {
        Wait(bitWaitUs);
        Control(bit ? 0x00 : 0x01);
        Wait(bitWaitUs);
        Data(0x0B);
        Wait(bitWaitUs);
        Data(0x0A);
    }
    void Command(std::uint8_t code) {
        SendBits(code, 6);
        Wait(bitWaitUs);
    }
    void CommandWithData(std::uint8_t code, std::uint16_t data) {
        SendBits(code, 6);
        Wait(2 * bitWaitUs);
        SendBits(static_cast<std::uint16_t>((data << 1) & 0x7FFE), 16);
        Wait(bitWaitUs);
    }
    // A read command and its 16-clock frame; samples after each falling edge.
    std::uint16_t CommandRead(std::uint8_t code) {
        Command(code);
        Control(0x00);
        std::uint16_t word = 0;
        for (int clock = 0; clock < 16; ++clock) {
            Wait(bitWaitUs);
            Data(0x0B);
            Wait(bitWaitUs);
            Data(0x0A);
            Wait(bitWaitUs);
            if (clock >= 1 && clock <= 14 && (Status() & 0x40) != 0) {
                word = static_cast<std::uint16_t>(word | (1U << (clock - 1)));
            }
        }
        return word;
    }

    // Word operations as a careful programmer does them.
    void Increment(unsigned times = 1) {
        for (unsigned i = 0; i < times; ++i) {
            Command(kIncrement);
        }
    }
    void ProgramWord877A(std::uint16_t word) {
        CommandWithData(kLoadData, word);
        Command(kBeginProgrammingOnly);
        Wait(2000);
        Command(kEndProgramming);
    }
    void ProgramWord877(std::uint16_t word) {
        CommandWithData(kLoadData, word);
        Command(kBeginProgrammingOnly);
        Wait(5000);
    }
    void ProgramWord(std::uint16_t word) {
        if (target_.Chip().Type() == TargetType::Pic16F877A) {
            ProgramWord877A(word);
        } else {
            ProgramWord877(word);
        }
    }
    void WriteConfig(std::uint16_t word) {
        if (target_.Chip().Type() == TargetType::Pic16F628A) {
            // The document's way: Load Data at 0x2007, then command 8.
            CommandWithData(kLoadConfiguration, word);
            Increment(7);
            CommandWithData(kLoadData, word);
            Command(kBeginEraseProgramming);
            Wait(5000);
        } else if (target_.Chip().Type() == TargetType::Pic16F887) {
            // Load Configuration's word, programmed at 0x2007 by command 8.
            CommandWithData(kLoadConfiguration, word);
            Increment(7);
            Command(kBeginEraseProgramming);
            Wait(5000);
        } else if (target_.Chip().Type() == TargetType::Pic16F88) {
            // Load Configuration's word is discarded: Load Data at 0x2007.
            CommandWithData(kLoadConfiguration, word);
            Increment(7);
            CommandWithData(kLoadData, word);
            Command(kBeginProgrammingOnly);
            Wait(2000);
            Command(kEndProgramming);
        } else if (target_.Chip().Type() == TargetType::Pic16F877A) {
            CommandWithData(kLoadConfiguration, word);
            Wait(10000);
            Increment(7);
            Command(kBeginEraseProgramming);
            Wait(10000);
        } else {
            CommandWithData(kLoadConfiguration, word);
            Increment(7);
            Command(kBeginProgrammingOnly);
            Wait(9000);
        }
    }
    void Erase() {
        if (target_.Chip().Type() == TargetType::Pic16F877A) {
            Control(0x01);
            EnterProgramMode();
            Wait(2000);
            Command(kChipErase);
            Wait(9000);
            Command(kEndProgramming);
        } else {
            Control(0x01);
            Wait(90);
            EnterProgramMode();
            CommandWithData(kLoadConfiguration, 0x3FFF);
            Increment(7);
            Command(kSetup1);
            Command(kSetup2);
            Command(kBeginEraseProgramming);
            Wait(10000);
            Command(kSetup1);
            Command(kSetup2);
            Wait(10000);
            LeaveProgramMode();
            Wait(10000);
            EnterProgramMode();
            Wait(900);
        }
    }
    // Moves the address from wherever it is (in program memory) to target.
    void AdvanceTo(std::uint16_t address) {
        while (target_.Chip().Pc() != address) {
            Command(kIncrement);
        }
    }

  private:
    void SendBits(std::uint16_t bits, int count) {
        for (int i = 0; i < count; ++i) {
            ClockBit(((bits >> i) & 1U) != 0);
        }
    }

    SimulatedTarget& target_;
    tallis::PortIo& port_;
    VirtualClock& clock_;
    std::uint16_t base_;
};

}  // namespace tallis::sim::test
