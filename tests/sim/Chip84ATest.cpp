// What the simulated PIC16F84A does that the others do not: bulk erases that
// need command 8 after them and do nothing on a protected part, the
// code-protect-disable erase that does, and its own times.
#include <gtest/gtest.h>

#include "sim/SimulatedDevice.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

using test::TestHost;

struct Chip84A {
    explicit Chip84A(std::uint16_t configWord)
        : target(TargetOptionsFor(*FindDevice("16f84a"))), host(target) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0123);
        memory.config[0] = 0x0011;  // ID 0
        memory.ConfigWord() = configWord;
        memory.eeprom.fill(0x42);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
    }
    ChipMemory Memory() { return target.Chip().Memory(); }
    void BulkEraseProgram() {
        host.CommandWithData(test::kLoadData, 0x3FFF);
        host.Command(test::kBulkEraseProgram);
        host.Command(test::kBeginEraseProgramming);
        host.Wait(10000);
    }
    void BulkEraseData() {
        host.CommandWithData(test::kLoadDataEeprom, 0xFF);
        host.Command(test::kBulkEraseData);
        host.Command(test::kBeginEraseProgramming);
        host.Wait(10000);
    }

    SimulatedTarget target;
    TestHost host;
};

constexpr std::uint16_t kUnprotected = 0x3FFF;
constexpr std::uint16_t kOneCpCopyAtZero = 0x3FEF;  // bit 4: the strictest reading protects

// Bulk erases take program memory (the IDs too from configuration space,
// never the configuration word) and the EEPROM, but only on an unprotected part.
TEST(Chip84A, BulkErasesDoNothingOnAProtectedPart) {
    const struct {
        const char* name;
        std::uint16_t config;
        bool fromConfigSpace;
        bool erased;
    } cases[] = {
        {"program space", kUnprotected, false, true},
        {"configuration space", kUnprotected, true, true},
        {"protected", kOneCpCopyAtZero, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip84A chip(c.config);
        if (c.fromConfigSpace) {
            chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        }
        chip.BulkEraseProgram();
        chip.BulkEraseData();
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.program[0], c.erased ? kErasedWord : 0x0123);
        EXPECT_EQ(memory.eeprom[0], c.erased ? kErasedByte : 0x42);
        EXPECT_EQ(memory.config[0], c.erased && c.fromConfigSpace ? kErasedWord : 0x0011);
        EXPECT_EQ(memory.ConfigWord(), c.config);
        EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
    }
}

// Section 4.1: 1, 7, 8 at 0x2007 clear program memory, the EEPROM and the
// configuration word whatever the protection; the IDs are kept.
TEST(Chip84A, CodeProtectDisableEraseClearsAProtectedPart) {
    Chip84A chip(0x000F);
    chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
    chip.host.Increment(7);
    chip.host.Command(test::kSetup1);
    chip.host.Command(test::kSetup2);
    chip.host.Command(test::kBeginEraseProgramming);
    chip.host.Wait(10000);
    const ChipMemory memory = chip.Memory();
    EXPECT_EQ(memory.program[0], kErasedWord);
    EXPECT_EQ(memory.eeprom[0], kErasedByte);
    EXPECT_EQ(memory.ConfigWord(), kUnprotected);
    EXPECT_EQ(memory.config[0], 0x0011);
    EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
}

TEST(Chip84A, JudgesItsOwnSequencesAndTimes) {
    const struct {
        const char* name;
        void (*run)(Chip84A&);
        ViolationKind violation;
    } cases[] = {
        {"no Chip Erase", [](Chip84A& c) { c.host.Command(test::kChipErase); },
         ViolationKind::UnknownCommand},
        {"no End Programming", [](Chip84A& c) { c.host.Command(test::kEndProgramming); },
         ViolationKind::UnknownCommand},
        {"a bulk erase without its load",
         [](Chip84A& c) {
             c.host.Command(test::kBulkEraseProgram);
             c.host.Command(test::kBeginEraseProgramming);
         },
         ViolationKind::BadEraseSequence},
        {"1, 7, 8 away from 0x2007",
         [](Chip84A& c) {
             c.host.Command(test::kSetup1);
             c.host.Command(test::kSetup2);
             c.host.Command(test::kBeginEraseProgramming);
         },
         ViolationKind::BadEraseSequence},
        {"command 24 needs 4 ms",
         [](Chip84A& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(test::kBeginProgrammingOnly);
             c.host.Wait(3500);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"command 8 needs 8 ms",
         [](Chip84A& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(test::kBeginEraseProgramming);
             c.host.Wait(7000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"a bulk erase needs 10 ms",
         [](Chip84A& c) {
             c.host.CommandWithData(test::kLoadData, 0x3FFF);
             c.host.Command(test::kBulkEraseProgram);
             c.host.Command(test::kBeginEraseProgramming);
             c.host.Wait(9000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip84A chip(kUnprotected);
        c.run(chip);
        EXPECT_EQ(chip.target.Violations().Count(c.violation), 1U)
            << chip.target.Violations().Describe();
    }
}

}  // namespace
}  // namespace tallis::sim
