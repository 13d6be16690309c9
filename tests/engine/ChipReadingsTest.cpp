// The chip operations and the classic run under every reading the simulated
// chip can take where the sources leave the chips' behaviour open.
#include <gtest/gtest.h>

#include <string>

#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "engine/families/ChipFamily.h"
#include "sim/SimulatedDevice.h"
#include "tests/engine/RunFixtures.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

constexpr std::uint16_t kConfig = 0x3F3A;

// Every ID, the debug vector, the configuration word and a little program
// memory: what a configuration-space write must place, each at its address.
ChipImage ConfigSpaceImage() {
    ChipImage image;
    image.program[0] = 0x2805;
    image.ids = {0x0001, 0x0002, 0x0003, 0x3FF4};
    image.debugVector = 0x2ABC;
    image.config[0] = kConfig;
    return image;
}

// A device's simulated chip under the given readings, at a real port's speed,
// and a session to it in one of the profiles (after the line check the fast
// profile needs).
struct ChipUnderReading {
    ChipUnderReading(const Device& part, const sim::ChipSettings& settings)
        : device(part), target(Options(part, settings)) {}

    template <typename Operation>
    auto Run(const TimingProfile& timing, Operation operation) {
        const LineCheckResult lines = timing.needsLineCheck ? CheckLines(wire) : LineCheckResult{};
        ProgrammingSession session(wire, timing, nullptr, lines);
        return operation(session);
    }

    static sim::TargetOptions Options(const Device& part, const sim::ChipSettings& settings) {
        sim::TargetOptions options = sim::TargetOptionsFor(part);
        options.portAccessCostNs = sim::kRealPortAccessNs;
        options.chip = settings;
        return options;
    }

    const Device& device;
    sim::SimulatedTarget target;
    ParallelPortTransport wire{target.Port(), target.Clock()};
};

TEST(ConfigurationSpace87xA, WriteAndReadBackUnderBothLatchReadingsInEveryProfile) {
    const Device& device = *FindDevice("16f877a");
    const ChipImage image = ConfigSpaceImage();
    for (sim::ConfigLatches latches : {sim::ConfigLatches::Single, sim::ConfigLatches::Row}) {
        for (const NamedTimingProfile& profile : kTimingProfiles) {
            SCOPED_TRACE(std::string(profile.name) +
                         (latches == sim::ConfigLatches::Row ? ", row latches" : ", one latch"));
            ChipUnderReading chip(device, {.configLatches = latches});
            const OperationResult written = chip.Run(
                *profile.timing, [&](ProgrammingSession& s) { return Write(s, device, image); });
            EXPECT_EQ(written.outcome, OperationOutcome::Completed);
            EXPECT_TRUE(written.retried.empty());
            const ReadResult read =
                chip.Run(*profile.timing, [&](ProgrammingSession& s) { return Read(s, device); });
            EXPECT_EQ(read.image.ids, image.ids);
            EXPECT_EQ(read.image.debugVector, image.debugVector);
            EXPECT_EQ(*read.image.config[0] & device.configImplemented,
                      kConfig & device.configImplemented);
            EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
        }
    }
}

// The classic run writes the configuration word as the word given with Load
// Configuration, stepped to 0x2007, and command 8. With one latch it lands;
// through the row latches it lands in ID 0 and 0x2007 is left erased, which
// the run's verify of the configuration word reports.
TEST(ClassicProgram877A, WritesTheConfigurationWordOnlyWithOneLatch) {
    const std::string file = test::WordRecord(0x0000, {0x2805, 0x0000}) +
                             test::WordRecord(0x2007, {0x3F72}) + test::EndRecord();
    for (sim::ConfigLatches latches : {sim::ConfigLatches::Single, sim::ConfigLatches::Row}) {
        const bool row = latches == sim::ConfigLatches::Row;
        SCOPED_TRACE(row ? "row latches" : "one latch");
        test::RunBench bench(ChipType::Pic16F877A, sim::TargetType::Pic16F877A, 0x378, {},
                             {.configLatches = latches});
        bench.Run(file);
        const sim::ChipMemory& memory = bench.target.Chip().Memory();
        EXPECT_EQ(memory.program[0], 0x2805);
        EXPECT_EQ(memory.ConfigWord(), row ? 0x3FFF : 0x3F72);
        EXPECT_EQ(memory.config[0], row ? 0x3F72 : 0x3FFF);
        const std::vector<std::string> messages = bench.host.Messages();
        ASSERT_FALSE(messages.empty());
        EXPECT_TRUE(messages.back().starts_with(
            row ? "Verify error ! at Address 2007H: configuration word expected 3F72H, read 3FFFH"
                : "Down load data 3 words complete"))
            << messages.back();
    }
}

// The 87x erase takes an unprotected data EEPROM byte by byte with the
// address in program memory: whatever the chip does with a data-EEPROM erase
// given at 0x2007, the EEPROM ends blank.
TEST(Erase87x, LeavesTheEepromBlankUnderBothReadingsOfTheEraseAtTheConfigurationWord) {
    const Device& device = *FindDevice("16f877");
    for (sim::EepromEraseAtConfig reading :
         {sim::EepromEraseAtConfig::Erases, sim::EepromEraseAtConfig::Ignores}) {
        for (const NamedTimingProfile& profile : kTimingProfiles) {
            SCOPED_TRACE(std::string(profile.name) +
                         (reading == sim::EepromEraseAtConfig::Erases ? ", erases" : ", ignores"));
            ChipUnderReading chip(device, {.eepromEraseAtConfig = reading});
            sim::ChipMemory memory = chip.target.Chip().Memory();
            memory.eeprom.fill(0x42);
            memory.program.fill(0x0000);
            chip.target.Chip().LoadMemory(memory);
            chip.Run(*profile.timing,
                     [&](ProgrammingSession& s) { FamilyOf(device).Erase(s, device); });
            const OperationResult blank = chip.Run(
                *profile.timing, [&](ProgrammingSession& s) { return BlankCheck(s, device); });
            EXPECT_EQ(blank.outcome, OperationOutcome::Completed);
            EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
        }
    }
}

}  // namespace
}  // namespace tallis
