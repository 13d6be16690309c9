// What the simulated PIC16F87/88 does that the others do not: command 8 as a
// row erase that waits for End Programming, Chip Erase as the only way out of
// code protection, Load Configuration that discards its word, a cycle that
// needs a Load Data since entry, and the address running into configuration
// space.
#include <gtest/gtest.h>

#include "sim/SimulatedDevice.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

using test::TestHost;

constexpr std::uint16_t kUnprotected = 0x3FFF;
constexpr std::uint16_t kCodeProtected = 0x1FFF;  // CP, bit 13
constexpr std::uint16_t kDataProtected = 0x3EFF;  // CPD, bit 8

struct Chip88 {
    explicit Chip88(std::uint16_t configWord)
        : target(TargetOptionsFor(*FindDevice("16f88"))), host(target) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0123);
        memory.config[0] = 0x0011;  // ID 0
        memory.ConfigWord() = configWord;
        memory.eeprom.fill(0x42);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
    }
    ChipMemory Memory() { return target.Chip().Memory(); }
    // A cycle the host times, then End Programming.
    void Ended(std::uint8_t command, std::uint32_t waitUs) {
        host.Command(command);
        host.Wait(waitUs);
        host.Command(test::kEndProgramming);
    }
    const ViolationLog& Violations() { return target.Violations(); }

    SimulatedTarget target;
    TestHost host;
};

// Command 8 erases the 32-word row at the address, and only once End
// Programming ends it in time; nothing else may come in between.
TEST(Chip8788, BeginEraseErasesItsRowWhenEndProgrammingEndsIt) {
    const struct {
        const char* name;
        std::uint32_t waitUs;
        bool erased;
    } cases[] = {
        {"ended after 1 ms", 1000, true},
        {"ended too soon", 600, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip88 chip(kUnprotected);
        chip.host.CommandWithData(test::kLoadData, 0x3FFF);  // selects program memory
        chip.host.AdvanceTo(0x0045);
        chip.Ended(test::kBeginEraseProgramming, c.waitUs);
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.program[0x003F], 0x0123);
        EXPECT_EQ(memory.program[0x0040], c.erased ? kErasedWord : 0x0123);
        EXPECT_EQ(memory.program[0x005F], c.erased ? kErasedWord : 0x0123);
        EXPECT_EQ(memory.program[0x0060], 0x0123);
        EXPECT_EQ(chip.Violations().Total(), c.erased ? 0U : 1U) << chip.Violations().Describe();
        EXPECT_EQ(chip.Violations().Count(ViolationKind::EraseTimeTooShort), c.erased ? 0U : 1U);
    }
    Chip88 chip(kUnprotected);
    chip.host.CommandWithData(test::kLoadData, 0x3FFF);
    chip.host.Command(test::kBeginEraseProgramming);
    chip.host.Wait(2000);
    chip.host.Command(test::kIncrement);  // not End Programming: ignored
    EXPECT_EQ(chip.Violations().Count(ViolationKind::CommandWhileBusy), 1U);
    EXPECT_EQ(chip.target.Chip().Pc(), 0x0000);
}

// A protected part keeps everything through the bulk erases and through a
// configuration word that sets CP or CPD again; Chip Erase takes it all.
TEST(Chip8788, OnlyChipEraseClearsProtection) {
    for (const std::uint16_t config : {kCodeProtected, kDataProtected}) {
        SCOPED_TRACE(config);
        Chip88 chip(config);
        chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        chip.host.CommandWithData(test::kLoadData, 0x3FFF);
        chip.host.Command(test::kBulkEraseProgram);
        chip.Ended(test::kBeginEraseProgramming, 2000);
        chip.host.CommandWithData(test::kLoadDataEeprom, 0xFF);
        chip.host.Command(test::kBulkEraseData);
        chip.Ended(test::kBeginEraseProgramming, 2000);
        chip.host.Wait(100);
        chip.host.WriteConfig(kUnprotected);
        ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.ConfigWord(), config);
        EXPECT_EQ(memory.program[0], config == kCodeProtected ? 0x0123 : kErasedWord);
        EXPECT_EQ(memory.eeprom[0], config == kDataProtected ? 0x42 : kErasedByte);

        chip.host.EnterProgramMode();
        chip.host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        chip.host.Command(test::kChipErase);
        chip.host.Wait(8000);
        memory = chip.Memory();
        EXPECT_EQ(memory.ConfigWord(), kUnprotected);
        EXPECT_EQ(memory.program[0], kErasedWord);
        EXPECT_EQ(memory.eeprom[0], kErasedByte);
        EXPECT_EQ(memory.config[0], kErasedWord);
        EXPECT_TRUE(chip.Violations().Empty()) << chip.Violations().Describe();
    }
}

// Load Configuration only moves the address: a word given with it and
// programmed at 0x2007, as the 87xA takes it, writes nothing; nor does a
// cycle with no Load Data since entry, which the chip reports.
TEST(Chip8788, ConfigurationWordNeedsLoadDataAtItsAddress) {
    Chip88 chip(kUnprotected);
    chip.host.CommandWithData(test::kLoadConfiguration, 0x3F00);
    chip.host.Increment(7);
    chip.Ended(test::kBeginProgrammingOnly, 2000);
    EXPECT_EQ(chip.Violations().Count(ViolationKind::BadEraseSequence), 1U);
    chip.host.Wait(100);
    chip.host.CommandWithData(test::kLoadData, 0x3FFF);
    chip.Ended(test::kBeginProgrammingOnly, 2000);
    EXPECT_EQ(chip.Memory().ConfigWord(), kUnprotected);
    chip.host.Wait(100);
    chip.host.CommandWithData(test::kLoadData, 0x3F00);
    chip.Ended(test::kBeginProgrammingOnly, 2000);
    EXPECT_EQ(chip.Memory().ConfigWord(), 0x3F00);
}

// The address counts past 0x1FFF into configuration space, not back to 0.
TEST(Chip8788, AddressRunsFromProgramMemoryIntoConfigurationSpace) {
    Chip88 chip(kUnprotected);
    chip.host.Increment(0x2000);
    EXPECT_EQ(chip.target.Chip().Pc(), 0x2000);
    EXPECT_EQ(chip.host.CommandRead(test::kRead), 0x0011);
    EXPECT_TRUE(chip.Violations().Empty()) << chip.Violations().Describe();
}

}  // namespace
}  // namespace tallis::sim
