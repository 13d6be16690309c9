// What the simulated PIC12F629/675 does that the others do not: bulk erases
// that take the factory OSCCAL word and band-gap bits, code protection that
// leaves OSCCAL readable, and its own commands and times.
#include <gtest/gtest.h>

#include "sim/SimulatedDevice.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

using test::TestHost;

constexpr std::uint8_t kBeginProgramming = 8;  // timed by the chip
constexpr std::uint8_t kEndProgramming629 = 10;

struct Chip629 {
    // Code and data protected, band-gap 01, OSCCAL RETLW 0x48.
    Chip629() : target(TargetOptionsFor(*FindDevice("12f675"))), host(target) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0123);
        memory.program[kOscCalAddress629] = 0x3448;
        memory.config[0] = 0x0011;     // ID 0
        memory.ConfigWord() = 0x1E7F;  // bits 11:9 set, which the chip does not keep
        memory.eeprom.fill(0x42);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
    }
    ChipMemory Memory() { return target.Chip().Memory(); }

    SimulatedTarget target;
    TestHost host;
};

TEST(Chip629, ProtectionHidesProgramMemoryButOscCalAndUnimplementedBitsReadZero) {
    Chip629 chip;
    EXPECT_EQ(chip.Memory().ConfigWord(), 0x107F);
    EXPECT_EQ(chip.target.Chip().ReadProgramWord(0x0000), 0);
    EXPECT_EQ(chip.target.Chip().ReadProgramWord(kOscCalAddress629), 0x3448);
    chip.host.AdvanceTo(kOscCalAddress629);
    EXPECT_EQ(chip.host.CommandRead(test::kRead), 0x3448);
}

// From configuration space Bulk Erase Program Memory takes everything the
// factory set too, and the EEPROM while CPD protects it; Bulk Erase Data
// Memory does nothing then.
TEST(Chip629, BulkEraseTakesOscCalAndTheBandGapBits) {
    for (const bool dataFirst : {false, true}) {
        SCOPED_TRACE(dataFirst ? "data memory first" : "program memory first");
        Chip629 chip;
        if (dataFirst) {
            chip.host.Command(test::kBulkEraseData);
            chip.host.Wait(8000);
            EXPECT_EQ(chip.Memory().eeprom[0], 0x42);
        }
        chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        chip.host.Command(test::kBulkEraseProgram);
        chip.host.Wait(8000);
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.program[0], kErasedWord);
        EXPECT_EQ(memory.program[kOscCalAddress629], kErasedWord);
        EXPECT_EQ(memory.ConfigWord(), 0x31FF);
        EXPECT_EQ(memory.config[0], kErasedWord);
        EXPECT_EQ(memory.eeprom[0], kErasedByte);
        EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
    }
}

TEST(Chip629, JudgesItsOwnCommandsAndTimes) {
    const struct {
        const char* name;
        void (*run)(Chip629&);
        ViolationKind violation;
    } cases[] = {
        {"no Chip Erase", [](Chip629& c) { c.host.Command(test::kChipErase); },
         ViolationKind::UnknownCommand},
        {"no bulk-erase set-up", [](Chip629& c) { c.host.Command(test::kSetup1); },
         ViolationKind::UnknownCommand},
        {"no cycle without a load", [](Chip629& c) { c.host.Command(kBeginProgramming); },
         ViolationKind::BadEraseSequence},
        {"command 8 needs 2.5 ms",
         [](Chip629& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(2200);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"an EEPROM byte needs 6 ms",
         [](Chip629& c) {
             c.host.CommandWithData(test::kLoadDataEeprom, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(5500);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"a bulk erase needs 8 ms",
         [](Chip629& c) {
             c.host.Command(test::kBulkEraseData);
             c.host.Wait(7000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"command 24 needs 2 ms before End Programming",
         [](Chip629& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(test::kBeginProgrammingOnly);
             c.host.Wait(1500);
             c.host.Command(kEndProgramming629);
         },
         ViolationKind::ProgramTimeTooShort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip629 chip;
        c.run(chip);
        EXPECT_EQ(chip.target.Violations().Count(c.violation), 1U)
            << chip.target.Violations().Describe();
    }
}

}  // namespace
}  // namespace tallis::sim
