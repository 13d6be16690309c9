// HEX text -> FirmwareImage -> the whole program-and-verify run against the
// simulated chip in virtual time, compared with an independent reading of the
// text (ReferenceRun).
//
// Input: byte 0 picks the chip type (bit 0: 877 when set), what a port access
// costs in virtual time (bit 2: 1 us as on an ISA port, else 150 ns) and the
// text's size (bit 1: grow the text to the store's capacity, give or take a
// few characters, by leading line feeds; bits 3-7 pick how far); byte 1 seeds
// what the chip holds before the run; the rest is the file's bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "classic/RunHost.h"
#include "engine/ChipType.h"
#include "fuzz/CountingPort.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/GuardedImage.h"
#include "fuzz/ReferenceRun.h"
#include "image/FirmwareImage.h"
#include "image/HexFileCheck.h"
#include "image/HexRecordReader.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace {

using namespace tallis;
using tallis::fuzz::ExpectedEnd;

// Every Increment Address command costs about 150 port accesses: texts whose
// records lie far apart, each stepped up to from below, would slow the fuzzer
// a hundredfold. Texts that need more steps than one pass over program memory
// are only read by the reference run.
constexpr std::uint64_t kIncrementBudget = 0x2000;

class FuzzRunHost final : public RunHost {
  public:
    explicit FuzzRunHost(ChipType chip) : chip_(chip) {}

    ChipType SelectedChip() const override { return chip_; }
    int OptionsPortChoice() const override { return 1; }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void SetGauge(int percent) override { gauges.push_back(percent); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ProcessEvents() override { ++eventTurns; }

    std::vector<std::string> statuses;
    std::vector<int> gauges;
    std::vector<std::string> messages;
    std::uint32_t eventTurns = 0;

  private:
    ChipType chip_;
};

ExpectedEnd EndOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Completed:
            return ExpectedEnd::Completed;
        case RunOutcome::NotIntelHex:
            return ExpectedEnd::NotIntelHex;
        case RunOutcome::VerifyError:
            return ExpectedEnd::VerifyError;
        case RunOutcome::ChecksumError:
            return ExpectedEnd::ChecksumError;
        case RunOutcome::EndOfText:
            return ExpectedEnd::EndOfText;
        case RunOutcome::RefusedRecord:
            return ExpectedEnd::RefusedRecord;
        case RunOutcome::Cancelled:
            break;  // nothing cancels a fuzzed run
    }
    std::abort();
}

std::string FileBytes(std::uint8_t mode, std::string_view body) {
    if ((mode & 0x02) == 0) {
        return std::string(body);
    }
    const std::size_t size = FirmwareImage::kCapacity - 3 + (mode >> 3) % 7;
    std::string file(size > body.size() ? size - body.size() : 0, '\n');
    return file.append(body);
}

// What the chip holds before the run: anything, code protection included,
// which the erase must clear.
sim::ChipMemory Leftovers(std::uint8_t seed, sim::TargetType type) {
    sim::ChipMemory memory = sim::ChipMemory::Blank(type, sim::DefaultDeviceId(type));
    std::uint32_t state = 0x9E3779B9U ^ seed;
    for (auto& word : memory.program) {
        state = state * 1664525U + 1013904223U;
        word = static_cast<std::uint16_t>((state >> 9) & sim::kWordMask);
    }
    for (int id = 0; id < 4; ++id) {
        memory.config[static_cast<std::size_t>(id)] =
            static_cast<std::uint16_t>(0x0100 * id + seed);
    }
    memory.ConfigWord() = static_cast<std::uint16_t>((seed & 0x01) != 0 ? 0x0000 : 0x3F3A);
    return memory;
}

std::uint64_t AccessLimit(const tallis::fuzz::ReferenceResult& expected) {
    const std::uint64_t work = 2000 + 20 * expected.increments + 250 * expected.programWrites +
                               400 * expected.configWrites + 20 * expected.records;
    return 2 * work;
}

// The reader on its own, in any order of calls the text's bytes pick (the run
// calls it in one order only): it stays within the text, up to one position
// past its last character. Reads beyond that would hit the guard page.
void CheckReaderStaysInText(const FirmwareImage& image, std::string_view text) {
    HexRecordReader reader(image);
    for (char pick : text.substr(0, 512)) {
        switch (static_cast<unsigned char>(pick) % 7) {
            case 0:
                reader.ReadHexPair();
                break;
            case 1:
                reader.TakeCurrentChar();
                reader.ReadRecordHeader();
                break;
            case 2:
                reader.ReadDataWord();
                break;
            case 3:
                reader.FinishRecord();
                break;
            case 4:
                reader.SkipRecord();
                break;
            case 5:  // the run's own step between records
                if (reader.ReadPosition < image.LastIndex) {
                    ++reader.ReadPosition;
                }
                reader.TakeCurrentChar();
                break;
            default:
                reader.Reset();
                break;
        }
        FUZZ_CHECK(reader.ReadPosition >= 0 && reader.ReadPosition <= image.LastIndex + 1,
                   "ReadPosition " + std::to_string(reader.ReadPosition) + " outside the text");
    }
}

void CheckImage(const FirmwareImage& image, std::string_view text) {
    FUZZ_CHECK(image.LastIndex == static_cast<std::int32_t>(text.size()) - 1,
               "LastIndex " + std::to_string(image.LastIndex) + " for " +
                   std::to_string(text.size()) + " characters");
    FUZZ_CHECK(std::memcmp(image.HexText.data(), text.data(), text.size()) == 0,
               "the stored text differs from the file");
    FUZZ_CHECK(image.WordCount == tallis::fuzz::ReferenceWordCount(text),
               "WordCount " + std::to_string(image.WordCount) + ", counted " +
                   std::to_string(tallis::fuzz::ReferenceWordCount(text)));
}

std::string WordText(std::uint16_t address, std::uint16_t got, std::uint16_t want) {
    char text[96];
    std::snprintf(text, sizeof text, "program word 0x%04X is 0x%04X, expected 0x%04X", address, got,
                  want);
    return text;
}

void CheckChip(sim::SimulatedTarget& target, const tallis::fuzz::ReferenceResult& expected) {
    const sim::ChipMemory& memory = target.Chip().Memory();
    for (std::uint16_t address = 0; address < sim::kProgramWords; ++address) {
        FUZZ_CHECK(memory.program[address] == expected.memory.program[address],
                   WordText(address, memory.program[address], expected.memory.program[address]));
    }
    FUZZ_CHECK(memory.ConfigWord() == expected.memory.ConfigWord(),
               "configuration word " + std::to_string(memory.ConfigWord()) + ", expected " +
                   std::to_string(expected.memory.ConfigWord()));
    for (int id = 0; id < 4; ++id) {
        FUZZ_CHECK(memory.config[static_cast<std::size_t>(id)] ==
                       expected.memory.config[static_cast<std::size_t>(id)],
                   "an ID word changed");
    }
    FUZZ_CHECK(target.Violations().Empty(),
               "the chip saw violations:\n" + target.Violations().Describe());
}

void CheckEndState(sim::SimulatedTarget& target, const tallis::fuzz::CountingPort& port,
                   const tallis::fuzz::ReferenceResult& expected) {
    if (expected.refused) {
        FUZZ_CHECK(port.Accesses() == 0, "a refused file reached the port");
        return;
    }
    const std::uint8_t data = target.SimPort().DataRegister();
    const std::uint8_t control = target.SimPort().ControlRegister();
    FUZZ_CHECK(control == 0x00, "control register " + std::to_string(control) + " at the end");
    FUZZ_CHECK(data == 0x02, "data register " + std::to_string(data) + " after the reset");
    FUZZ_CHECK(target.Chip().Mode() == sim::ChipMode::Running, "the target was not left running");
}

void CheckHost(const FuzzRunHost& host, const ProgramRun& run,
               const tallis::fuzz::ReferenceResult& expected) {
    FUZZ_CHECK(host.statuses.size() == 1 && host.statuses[0] == "Current LPT Port :1  (378H)",
               "status panel text");
    for (int percent : host.gauges) {
        FUZZ_CHECK(percent >= 0 && percent <= 100, "gauge at " + std::to_string(percent));
    }
    if (expected.end == ExpectedEnd::Completed) {
        FUZZ_CHECK(!host.gauges.empty() && host.gauges.back() == 100,
                   "the gauge does not end at 100");
    }
    std::vector<std::string> messages = {expected.message};
    if (!expected.warning.empty()) {
        messages.insert(messages.begin(), expected.warning);
    }
    FUZZ_CHECK(host.messages.size() == messages.size(),
               std::to_string(host.messages.size()) + " messages");
    for (std::size_t i = 0; i < messages.size(); ++i) {
        FUZZ_CHECK(host.messages[i] == messages[i],
                   "message \"" + host.messages[i] + "\", expected \"" + messages[i] + "\"");
    }
    FUZZ_CHECK(host.eventTurns == expected.configWrites, "event-loop turns");
    FUZZ_CHECK(run.WordsDone == static_cast<std::uint16_t>(expected.programWrites),
               "WordsDone " + std::to_string(run.WordsDone) + ", expected " +
                   std::to_string(expected.programWrites));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tallis::fuzz::FuzzInput input(data, size);
    const std::uint8_t mode = input.Byte();
    const std::uint8_t seed = input.Byte();
    const ChipType chip = (mode & 0x01) != 0 ? ChipType::Pic16F877 : ChipType::Pic16F877A;
    const sim::TargetType type = sim::TypeOf(ClassicDevice(chip));

    const std::string file = FileBytes(mode, input.Rest());
    const std::string_view text = std::string_view(file).substr(0, file.find('\x1A'));
    ImageLoadResult loaded = MakeFirmwareImage(file);
    if (text.size() > FirmwareImage::kCapacity) {
        FUZZ_CHECK(!loaded.image && !loaded.error.empty(), "an oversized text was stored");
        return 0;
    }
    FUZZ_CHECK(loaded.image != nullptr, "a text that fits was refused: " + loaded.error);
    CheckImage(*loaded.image, text);
    // The reference walk predates the run's refusal of repeated locations and
    // its masking of bits 14-15; the command-line tests cover those files.
    const HexFileCheck fileCheck = CheckHexFile(*loaded.image);
    if (fileCheck.highBitsLine != 0 || fileCheck.fault == HexFileFault::ConflictingWord) {
        return 0;
    }

    // Never nothing: with no cost at all a record's first control write would
    // change RB7 at the very instant of the read-back's last falling clock
    // edge, which the chip model takes for a hold violation.
    const std::uint64_t accessCostNs = (mode & 0x04) != 0 ? sim::kRealPortAccessNs : 150;
    sim::SimulatedTarget target({.type = type, .portAccessCostNs = accessCostNs});
    target.Chip().LoadMemory(Leftovers(seed, type));
    const sim::ChipMemory before = target.Chip().Memory();
    const tallis::fuzz::ReferenceResult expected =
        tallis::fuzz::ReferenceProgramRun(text, type, before);
    if (expected.increments > kIncrementBudget) {
        return 0;
    }

    tallis::fuzz::CountingPort port(target.Port(), AccessLimit(expected));
    FuzzRunHost host(chip);
    ParallelPortTransport lines(port, target.Clock());
    ClassicProgrammer programmer(lines, host);
    ProgramRun run(programmer, host);
    const tallis::fuzz::GuardedImage guarded(*loaded.image);
    CheckReaderStaysInText(guarded.Image(), text);
    const RunOutcome outcome = run.Execute(guarded.Image());

    FUZZ_CHECK(EndOf(outcome) == expected.end,
               std::string("the run ended with ") + tallis::fuzz::ExpectedEndName(EndOf(outcome)) +
                   ", expected " + tallis::fuzz::ExpectedEndName(expected.end));
    CheckHost(host, run, expected);
    CheckChip(target, expected);
    CheckEndState(target, port, expected);
    CheckImage(guarded.Image(), text);
    return 0;
}
