// The application layer's operation flow as every front end relies on it:
// nothing is erased or written on a chip other than the one asked for or
// beyond what it has, a failed line check sends nothing, and what one command
// reports is what the chip holds.
#include <gtest/gtest.h>

#include "app/DifferenceList.h"
#include "app/EraseCheck.h"
#include "app/OperationFlow.h"
#include "app/SimTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

constexpr std::uint8_t kEraseCommands[] = {1, 7, 8, 9, 11, 31};

// A simulated chip of one device in virtual time, and a wire to it.
struct OnChip {
    explicit OnChip(const char* device)
        : target({.time = sim::TimeSource::Virtual, .device = FindDevice(device), .revision = 1}) {
        timer->SetEnabled(true);
    }

    OperationReport Run(const OperationRequest& request,
                        const TimingProfile& timing = kClassicTiming) {
        return RunOperation(wire, {.timing = &timing}, request);
    }
    std::uint64_t ErasesAndWrites() {
        std::uint64_t count = target.Simulation().Chip().CommandCount(2) +  // Load Data
                              target.Simulation().Chip().CommandCount(3);   // Load Data EEPROM
        for (std::uint8_t code : kEraseCommands) {
            count += target.Simulation().Chip().CommandCount(code);
        }
        return count;
    }

    SimTarget target;
    std::unique_ptr<EngineTimer> timer = target.MakeTimer();
    ParallelPortTransport wire{target.Port(), *timer};
};

ChipImage SmallImage() {
    ChipImage image;
    image.program[0] = 0x2805;
    image.program[1] = 0x0000;
    image.eeprom[0] = 0x42;
    image.config[0] = 0x3F3A;
    return image;
}

TEST(OperationFlow, RefusesAnotherChipOrAFileBeyondItBeforeTouchingIt) {
    ChipImage beyond = SmallImage();
    beyond.program[0x1000] = 0x0001;  // the PIC16F873A has 4K words
    struct Case {
        const char* name;
        const char* asked;
        const ChipImage* file;
        OperationOutcome outcome;
    };
    const ChipImage small = SmallImage();
    for (const Case& c :
         {Case{"another family", "16f877", &small, OperationOutcome::WrongChip},
          Case{"same family", "16f874a", &small, OperationOutcome::WrongChip},
          Case{"auto, file too large", nullptr, &beyond, OperationOutcome::TooLarge}}) {
        for (DeviceCommandKind kind : {DeviceCommandKind::WriteAll, DeviceCommandKind::Verify}) {
            OnChip chip("16f873a");
            const OperationReport report = chip.Run(
                {.kind = kind, .asked = c.asked ? FindDevice(c.asked) : nullptr, .file = c.file});
            EXPECT_EQ(report.Outcome(), c.outcome) << c.name;
            EXPECT_EQ(report.Chip(), FindDevice("16f873a")) << c.name;
            EXPECT_EQ(chip.ErasesAndWrites(), 0U) << c.name;
            if (c.outcome == OperationOutcome::TooLarge) {
                EXPECT_EQ(report.result.differences.at(0).address, 0x1000);
            }
        }
    }
}

TEST(OperationFlow, AFailedLineCheckSendsNothingAndSaysWhy) {
    OnChip chip("16f877a");
    chip.target.Simulation().SetBoardFault(sim::BoardFault::DataStuckLow);
    const OperationReport report = chip.Run({.kind = DeviceCommandKind::Identify}, kFastTiming);
    EXPECT_EQ(report.lineFault, LineFault::StuckLow);
    EXPECT_EQ(report.Outcome(), OperationOutcome::NoChip);
    EXPECT_EQ(report.Chip(), nullptr);
    EXPECT_EQ(chip.target.Simulation().Chip().CommandCount(4), 0U) << "no Read Data command";
}

TEST(OperationFlow, WriteThenReadInOneSessionGivesBackTheFile) {
    OnChip chip("16f877a");
    const ChipImage image = SmallImage();
    const OperationReport report =
        chip.Run({.kind = DeviceCommandKind::WriteAll,
                  .file = &image,
                  .then = {DeviceCommandKind::Verify, DeviceCommandKind::Read}},
                 kFastTiming);
    ASSERT_EQ(report.Outcome(), OperationOutcome::Completed);
    EXPECT_EQ(report.result.image.program[0], image.program[0]);
    EXPECT_EQ(report.result.image.eeprom[0], image.eeprom[0]);
    EXPECT_EQ(report.result.image.config, image.config);
    EXPECT_TRUE(chip.target.Simulation().Violations().Empty())
        << chip.target.Simulation().Violations().Describe();
}

TEST(EraseCheck, RefusesAnotherChipAndNamesTheFirstWordNotErased) {
    OnChip chip("16f877a");
    const ChipImage image = SmallImage();
    ASSERT_EQ(chip.Run({.kind = DeviceCommandKind::WriteAll, .file = &image}).Outcome(),
              OperationOutcome::Completed);
    EXPECT_EQ(CheckChipBeforeErase(chip.wire, FindDevice("16f877")).Outcome(),
              OperationOutcome::WrongChip);
    const OperationReport erased = CheckErased(chip.wire, *FindDevice("16f877a"));
    EXPECT_EQ(erased.Outcome(), OperationOutcome::NotBlank);
    // The configuration word first: its code protection would hide program memory.
    EXPECT_EQ(erased.result.differences.at(0),
              (Difference{MemorySpace::Config, 0x2007, 0x3FFF, *image.config[0]}));
}

TEST(MakeSimTarget, SimulatesEveryDeviceAndRefusesOtherNames) {
    for (const Device& device : Devices()) {
        SimLaunchOptions options;
        options.chip = device.option;
        std::string problem;
        const std::unique_ptr<SimTarget> target = MakeSimTarget(options, problem);
        ASSERT_NE(target, nullptr) << problem;
        EXPECT_EQ(DeviceWithId(target->Simulation().Chip().Memory().DeviceId()), &device);
    }
    SimLaunchOptions unknown;
    unknown.chip = "16f84";
    std::string problem;
    EXPECT_EQ(MakeSimTarget(unknown, problem), nullptr);
    EXPECT_TRUE(problem.starts_with("--sim-chip must be one of 16f")) << problem;
}

// tallis-sim's reading of an open question reaches the chip it simulates.
TEST(MakeSimTarget, TakesTheVppAfterRunReadingAndRefusesOthers) {
    SimLaunchOptions options;
    options.chip = "16f628a";
    options.vppAfterRun = "enters";
    std::string problem;
    const std::unique_ptr<SimTarget> target = MakeSimTarget(options, problem);
    ASSERT_NE(target, nullptr) << problem;
    EXPECT_EQ(target->Simulation().Chip().Settings().vppAfterRun, sim::VppAfterRun::Enters);
    options.vppAfterRun = "sometimes";
    EXPECT_EQ(MakeSimTarget(options, problem), nullptr);
    EXPECT_EQ(problem, "--sim-vpp-after-run must be refused or enters, got 'sometimes'");
}

TEST(DifferenceLines, ListsTheFirstDifferencesAndCountsTheRest) {
    std::vector<Difference> differences;
    for (std::uint16_t a = 0; a < 11; ++a) {
        differences.push_back({MemorySpace::Program, a, 0x3FFF, 0x0000});
    }
    const std::vector<std::string> lines = DifferenceLines(differences);
    ASSERT_EQ(lines.size(), OperationResult::kMaxDifferences + 1);
    EXPECT_EQ(lines.front(), "program memory 0x0000: expected 0x3FFF, read 0x0000");
    EXPECT_EQ(lines.back(), "... and 3 more");
    differences.resize(2);
    EXPECT_EQ(DifferenceLines(differences).size(), 2U);
}

}  // namespace
}  // namespace tallis
