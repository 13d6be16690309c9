#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "classic/RunHost.h"
#include "engine/ChipType.h"
#include "image/FirmwareImage.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::test {

// A window stand-in that records every call in order, with the state of the
// simulated target at that moment.
class RecordingRunHost : public RunHost {
  public:
    struct Call {
        std::string what;  // "status", "gauge", "message", "events"
        std::string text;
        int percent = 0;
        sim::ChipMode chipMode = sim::ChipMode::Reset;
        std::uint64_t portWrites = 0;
        std::uint64_t resetReleases = 0;
    };

    RecordingRunHost(ChipType chip, sim::SimulatedTarget* target) : chip(chip), target_(target) {}

    ChipType SelectedChip() const override { return chip; }
    int OptionsPortChoice() const override { return portChoice; }
    void ShowStatus(const std::string& text) override { Record("status", text, 0); }
    void SetGauge(int percent) override { Record("gauge", "", percent); }
    void ShowMessage(const std::string& text) override { Record("message", text, 0); }
    void ProcessEvents() override { Record("events", "", 0); }
    bool CancelRequested() const override { return cancel && cancel(); }
    void ShowAddressSkip(std::uint32_t done, std::uint32_t total) override {
        Record("skip", "", static_cast<int>(done * 100 / total));
    }

    std::vector<std::string> Messages() const;
    std::vector<int> Gauges() const;
    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

    ChipType chip;
    int portChoice = 0;
    std::function<bool()> cancel;  // asked before each word and address step

  private:
    void Record(const char* what, const std::string& text, int percent);

    sim::SimulatedTarget* target_;
    std::vector<Call> calls_;
};

// Intel HEX text builders (records end in CR LF).
std::string HexRecord(std::uint16_t byteAddress, std::uint8_t type,
                      const std::vector<std::uint8_t>& bytes);
std::string HexRecordWithChecksum(std::uint16_t byteAddress, std::uint8_t type,
                                  const std::vector<std::uint8_t>& bytes, std::uint8_t checksum);
// A data record of words at a word address, low byte first.
std::string WordRecord(std::uint16_t wordAddress, const std::vector<std::uint16_t>& words);
std::string ExtendedAddressRecord();
std::string EndRecord();

std::unique_ptr<FirmwareImage> ImageOf(const std::string& text);

// Program words 0x0000.. that are never the erased value.
std::vector<std::uint16_t> SampleWords(std::size_t count, std::uint16_t seed = 0x0123);

// Port, board and chip in virtual time, with the engine and the run on top.
struct RunBench {
    explicit RunBench(ChipType hostChip, sim::TargetType targetType, std::uint16_t base = 0x378,
                      sim::BoardTiming board = {}, const sim::ChipSettings& chip = {});
    explicit RunBench(ChipType chip) : RunBench(chip, sim::TypeOf(ClassicDevice(chip))) {}

    RunOutcome Run(const std::string& text);
    RunOutcome Run(const FirmwareImage& image);
    std::uint16_t ProgramWord(std::uint16_t address) {
        return target.Chip().Memory().program[address];
    }

    sim::SimulatedTarget target;
    RecordingRunHost host;
    ParallelPortTransport lines;
    ClassicProgrammer programmer;
    ProgramRun run;
};

// True when no gauge value is lower than the one before it.
bool NeverGoesBackwards(const std::vector<int>& gauges);

}  // namespace tallis::test
