// What the simulated PIC16F627A/628A/648A does that the others do not: its
// bulk erases (what the address and the load before them decide), and its
// own commands and times.
#include <gtest/gtest.h>

#include "sim/SimulatedDevice.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

using test::TestHost;

constexpr std::uint8_t kBeginProgramming = 8;  // programs only, timed by the chip

struct Chip62xA {
    Chip62xA() : target(TargetOptionsFor(*FindDevice("16f628a"))), host(target) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0123);
        memory.config[0] = 0x0011;     // ID 0
        memory.ConfigWord() = 0x1EFF;  // code and data protected
        memory.eeprom.fill(0x42);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
    }
    ChipMemory Memory() { return target.Chip().Memory(); }

    SimulatedTarget target;
    TestHost host;
};

// Bulk Erase Program Memory follows a load of 0x3FFF; it takes program
// memory and the configuration word whatever the protection, the EEPROM
// while CPD is 0, and the IDs from configuration space.
TEST(Chip62xA, BulkEraseTakesWhatTheAddressAndTheLoadBeforeItSay) {
    const struct {
        const char* name;
        bool fromConfigSpace;
        bool loadBlank;
        bool erased;
    } cases[] = {
        {"program space", false, true, true},
        {"configuration space", true, true, true},
        {"without the load", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip62xA chip;
        if (c.fromConfigSpace) {
            chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        }
        if (c.loadBlank) {
            chip.host.CommandWithData(test::kLoadData, 0x3FFF);
        }
        chip.host.Command(test::kBulkEraseProgram);
        chip.host.Wait(6000);
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.program[0], c.erased ? kErasedWord : 0x0123);
        EXPECT_EQ(memory.ConfigWord(), c.erased ? 0x3FFF : 0x1EFF);
        EXPECT_EQ(memory.eeprom[0], c.erased ? kErasedByte : 0x42);
        EXPECT_EQ(memory.config[0], c.fromConfigSpace ? kErasedWord : 0x0011);
        EXPECT_EQ(chip.target.Violations().Count(ViolationKind::BadEraseSequence),
                  c.erased ? 0U : 1U);
    }
}

TEST(Chip62xA, BulkEraseDataMemoryTakesAProtectedEepromToo) {
    Chip62xA chip;
    chip.host.Command(test::kBulkEraseData);
    chip.host.Wait(6000);
    EXPECT_EQ(chip.Memory().eeprom[0], kErasedByte);
    EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
}

TEST(Chip62xA, JudgesItsOwnCommandsAndTimes) {
    const struct {
        const char* name;
        void (*run)(Chip62xA&);
        ViolationKind violation;
    } cases[] = {
        {"no externally timed cycle",
         [](Chip62xA& c) { c.host.Command(test::kBeginProgrammingOnly); },
         ViolationKind::UnknownCommand},
        {"no Chip Erase", [](Chip62xA& c) { c.host.Command(test::kChipErase); },
         ViolationKind::UnknownCommand},
        {"no bulk-erase set-up", [](Chip62xA& c) { c.host.Command(test::kSetup1); },
         ViolationKind::UnknownCommand},
        {"command 8 needs 4 ms",
         [](Chip62xA& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(3500);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"an EEPROM byte needs 6 ms",
         [](Chip62xA& c) {
             c.host.CommandWithData(test::kLoadDataEeprom, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(5000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"a bulk erase needs 6 ms",
         [](Chip62xA& c) {
             c.host.Command(test::kBulkEraseData);
             c.host.Wait(5000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip62xA chip;
        c.run(chip);
        EXPECT_EQ(chip.target.Violations().Count(c.violation), 1U)
            << chip.target.Violations().Describe();
    }
}

}  // namespace
}  // namespace tallis::sim
