#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "classic/RunHost.h"
#include "image/FirmwareImage.h"
#include "sim/SimulatedTarget.h"
#include "timing/Delayer.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::faults {

// A timer that returns early: it waits only half of every time asked of it.
class HalfDelayer final : public Delayer {
  public:
    explicit HalfDelayer(Delayer& inner) : inner_(inner) {}
    void Delay(std::uint32_t microseconds) override { inner_.Delay(microseconds / 2); }

  private:
    Delayer& inner_;
};

// The window as the run sees it; remembers each message with the chip's mode
// at the moment it was shown.
class FaultRunHost final : public RunHost {
  public:
    struct Message {
        std::string text;
        sim::ChipMode chipMode;
        std::uint64_t resetReleases;
    };

    FaultRunHost(ChipType chip, sim::SimulatedTarget& target) : chip_(chip), target_(target) {}

    ChipType SelectedChip() const override { return chip_; }
    int OptionsPortChoice() const override { return 1; }
    void ShowStatus(const std::string&) override {}
    void SetGauge(int) override {}
    void ShowMessage(const std::string& text) override;
    void ProcessEvents() override {}

    const std::vector<Message>& Messages() const { return messages_; }

  private:
    ChipType chip_;
    sim::SimulatedTarget& target_;
    std::vector<Message> messages_;
};

ChipType OtherChip(ChipType chip);

// What can go wrong between the port and the chip.
enum class Fault {
    NoChip,              // nothing at the end of the cable
    DataStuckLow,        // RB7 shorted to ground
    UnprogrammableWord,  // one program word keeps its old value
    WrongChipType,       // the other type is selected than the one connected
    ShortWaits,          // every wait lasts half the time asked
};

const char* FaultName(Fault fault);

// Port, board and chip in virtual time with the engine on top, the fault
// already in place. The run chooses its sequences by `chip`.
struct FaultBench {
    FaultBench(Fault fault, ChipType chip, std::uint16_t unprogrammableAddress = 0);

    RunOutcome Run(const std::string& hexText);

    sim::SimulatedTarget target;
    FaultRunHost host;
    HalfDelayer halfTimer;
    ParallelPortTransport lines;
    ClassicProgrammer programmer;
    ProgramRun run;
};

// Intel HEX records (lines end in CR LF).
std::string WordRecord(std::uint16_t wordAddress, const std::vector<std::uint16_t>& words);
std::string ExtendedAddressRecord();
std::string EndRecord();

}  // namespace tallis::faults
