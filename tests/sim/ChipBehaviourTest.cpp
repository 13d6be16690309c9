#include <gtest/gtest.h>

#include <cstdint>

#include "TestHost.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim::test {
namespace {

class EachType : public ::testing::TestWithParam<TargetType> {
  protected:
    SimulatedTarget target{TargetOptions{.type = GetParam()}};
    TestHost host{target};

    void ExpectNoViolations() {
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    }
    void Preload(std::uint16_t programWord, std::uint16_t config, std::uint8_t eepromByte) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(programWord);
        memory.ConfigWord() = config;
        memory.config[0] = 0x0123;
        memory.eeprom.fill(eepromByte);
        target.Chip().LoadMemory(memory);
    }
};

INSTANTIATE_TEST_SUITE_P(Types, EachType,
                         ::testing::Values(TargetType::Pic16F877, TargetType::Pic16F877A),
                         [](const auto& info) { return std::string(TargetTypeName(info.param)); });

TEST_P(EachType, EraseLeavesABlankChipInProgrammingModeAtAddressZero) {
    Preload(0x0000, 0x3FFF, 0x00);
    host.Erase();
    ExpectNoViolations();
    const ChipMemory& memory = target.Chip().Memory();
    for (std::uint16_t word : memory.program) {
        ASSERT_EQ(word, kErasedWord);
    }
    EXPECT_EQ(memory.ConfigWord(), NormalizeConfigWord(GetParam(), 0x3FFF));
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Programming);
    EXPECT_EQ(target.Chip().Pc(), 0);
}

TEST_P(EachType, EraseClearsCodeProtectionAndTheEepromUnderIt) {
    Preload(0x1111, 0x0000, 0x55);  // every protection bit set
    host.Erase();
    ExpectNoViolations();
    const ChipMemory& memory = target.Chip().Memory();
    EXPECT_EQ(memory.program[0x100], kErasedWord);
    EXPECT_EQ(memory.ConfigWord(), NormalizeConfigWord(GetParam(), 0x3FFF));
    EXPECT_EQ(memory.eeprom[7], kErasedByte);
}

// The 877's code-protect-disable erase clears the IDs (a modelling choice, see
// PicChip.cpp); the 877A's Chip Erase from program space leaves them.
TEST_P(EachType, EraseTakesTheIdsOnlyOnThe877) {
    Preload(0x1111, 0x3FFF, 0x55);
    host.Erase();
    const bool cleared = GetParam() == TargetType::Pic16F877;
    EXPECT_EQ(target.Chip().Memory().config[0], cleared ? kErasedWord : 0x0123);
}

// Load Data for Program Memory 0x3FFF or for Data Memory 0xFF, then 1, 7, 8.
TEST(Erase877, BulkErasesFollowTheLoadBeforeThem) {
    struct Case {
        const char* name;
        std::uint8_t load;
        std::uint16_t data;
        bool programErased;
        bool eepromErased;
    };
    const Case cases[] = {
        {"program memory", kLoadData, 0x3FFF, true, false},
        {"data memory", kLoadDataEeprom, 0x00FF, false, true},
        {"data memory, 14 bits", kLoadDataEeprom, 0x3FFF, false, true},
        {"program memory, not blank data", kLoadData, 0x1234, false, false},
    };
    for (const Case& c : cases) {
        SimulatedTarget target{TargetOptions{.type = TargetType::Pic16F877}};
        TestHost host{target};
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0000);
        memory.eeprom.fill(0x00);
        memory.config[0] = 0x0123;
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
        host.Increment(3);
        host.CommandWithData(c.load, c.data);
        host.Command(kSetup1);
        host.Command(kSetup2);
        host.Command(kBeginEraseProgramming);
        host.Wait(8000);
        host.Command(kSetup1);
        host.Command(kSetup2);
        const ChipMemory& after = target.Chip().Memory();
        EXPECT_EQ(after.program[0x1FFF], c.programErased ? kErasedWord : 0x0000) << c.name;
        EXPECT_EQ(after.eeprom[0xFF], c.eepromErased ? kErasedByte : 0x00) << c.name;
        EXPECT_EQ(after.config[0], 0x0123) << c.name;
        const bool erased = c.programErased || c.eepromErased;
        EXPECT_EQ(target.Violations().Count(ViolationKind::BadEraseSequence), erased ? 0U : 1U)
            << c.name << "\n"
            << target.Violations().Describe();
    }
}

TEST(Erase877, LeavesTheEepromWhenNothingIsProtected) {
    SimulatedTarget target{TargetOptions{.type = TargetType::Pic16F877}};
    TestHost host{target};
    ChipMemory memory = target.Chip().Memory();
    memory.eeprom.fill(0x42);
    memory.program.fill(0x0000);
    target.Chip().LoadMemory(memory);
    host.Erase();
    EXPECT_EQ(target.Chip().Memory().eeprom[0], 0x42);
    EXPECT_EQ(target.Chip().Memory().program[0], kErasedWord);
}

TEST(Erase877A, ChipEraseTakesTheIdsOnlyFromConfigurationSpace) {
    for (bool fromConfigSpace : {false, true}) {
        SimulatedTarget target;
        TestHost host{target};
        ChipMemory memory = target.Chip().Memory();
        memory.config[1] = 0x0ABC;
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
        if (fromConfigSpace) {
            host.CommandWithData(kLoadConfiguration, 0x3FFF);
        }
        host.Command(kChipErase);
        host.Wait(9000);
        host.Command(kEndProgramming);
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        EXPECT_EQ(target.Chip().Memory().config[1], fromConfigSpace ? kErasedWord : 0x0ABC);
    }
}

TEST_P(EachType, ProgramsAndReadsBackWordsAtTheirAddresses) {
    host.Erase();
    const std::uint16_t words[] = {0x2805, 0x0000, 0x3FFF, 0x1555, 0x2AAA};
    for (std::uint16_t word : words) {
        host.ProgramWord(word);
        EXPECT_EQ(host.CommandRead(kRead), word);
        host.Increment();
    }
    ExpectNoViolations();
    for (std::size_t i = 0; i < std::size(words); ++i) {
        EXPECT_EQ(target.Chip().Memory().program[i], words[i]) << i;
    }
    EXPECT_EQ(target.Chip().Pc(), std::size(words));
}

TEST_P(EachType, ProgrammingWithoutEraseOnlyClearsBits) {
    host.Erase();
    host.AdvanceTo(0x40);
    host.ProgramWord(0x1234);
    host.ProgramWord(0x00FF);
    EXPECT_EQ(host.CommandRead(kRead), 0x1234 & 0x00FF);
    ExpectNoViolations();
}

TEST_P(EachType, ConfigurationWordIsWrittenAndReadBack) {
    host.Erase();
    host.WriteConfig(0x3F72);
    EXPECT_EQ(target.Chip().Pc(), kConfigWordAddress);
    EXPECT_EQ(host.CommandRead(kRead), NormalizeConfigWord(GetParam(), 0x3F72));
    ExpectNoViolations();
}

TEST_P(EachType, DebugVectorIsWritableLikeTheIds) {
    host.Erase();
    host.CommandWithData(kLoadConfiguration, 0x2ABC);
    host.Increment(4);
    host.Command(kBeginEraseProgramming);
    host.Wait(10000);
    EXPECT_EQ(host.CommandRead(kRead), 0x2ABC);
    ExpectNoViolations();
}

TEST_P(EachType, UnimplementedConfigurationBitsReadOne) {
    host.Erase();
    host.WriteConfig(0x0000);
    const std::uint16_t expected = GetParam() == TargetType::Pic16F877 ? 0x0400 : 0x1030;
    EXPECT_EQ(host.CommandRead(kRead), expected);
}

TEST_P(EachType, CodeProtectionHidesProgramMemoryButNotConfigurationSpace) {
    host.Erase();
    host.ProgramWord(0x2805);
    host.WriteConfig(0x0000);  // every protection bit set
    EXPECT_EQ(host.CommandRead(kRead), GetParam() == TargetType::Pic16F877 ? 0x0400 : 0x1030);
    host.EnterProgramMode();
    EXPECT_EQ(host.CommandRead(kRead), 0x0000);
    EXPECT_EQ(target.Chip().Memory().program[0], 0x2805);  // still there, only hidden
    host.Erase();
    host.ProgramWord(0x2805);
    EXPECT_EQ(host.CommandRead(kRead), 0x2805);
    ExpectNoViolations();
}

TEST(CodeProtection877, ProtectsOnlyTheChosenRange) {
    struct Case {
        std::uint16_t config;
        std::uint16_t firstProtected;
    };
    const Case cases[] = {{0x3FFF, 0x2000}, {0x2FEF, 0x1F00}, {0x1FDF, 0x1000}, {0x0FCF, 0x0000}};
    for (const Case& c : cases) {
        for (std::uint16_t address : {0x0000, 0x0FFF, 0x1000, 0x1EFF, 0x1F00, 0x1FFF}) {
            EXPECT_EQ(IsCodeProtected(TargetType::Pic16F877, c.config, address),
                      address >= c.firstProtected)
                << std::hex << c.config << " " << address;
        }
    }
}

TEST(Rows877A, SingleWordWriteLeavesTheRestOfTheRow) {
    SimulatedTarget target;
    TestHost host{target};
    ChipMemory memory = target.Chip().Memory();
    for (std::uint16_t i = 0; i < 8; ++i) {
        memory.program[0x10 + i] = static_cast<std::uint16_t>(0x0100 + i);
    }
    target.Chip().LoadMemory(memory);
    host.EnterProgramMode();
    host.AdvanceTo(0x13);
    host.ProgramWord877A(0x0100);  // 0x0103 AND 0x0100: clears bits of word 0x13 only
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    for (std::uint16_t i = 0; i < 8; ++i) {
        const std::uint16_t expected = i == 3 ? 0x0100 : static_cast<std::uint16_t>(0x0100 + i);
        EXPECT_EQ(target.Chip().Memory().program[0x10 + i], expected) << i;
    }
}

TEST(Rows877A, EightLoadedLatchesAreWrittenByOneCycleAtTheRowStart) {
    SimulatedTarget target;
    TestHost host{target};
    host.Erase();
    host.AdvanceTo(0x20);
    for (std::uint16_t i = 0; i < 8; ++i) {
        host.CommandWithData(kLoadData, static_cast<std::uint16_t>(0x1000 + i));
        if (i < 7) {
            host.Increment();
        }
    }
    host.Command(kBeginProgrammingOnly);
    host.Wait(1000);
    host.Command(kEndProgramming);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    for (std::uint16_t i = 0; i < 8; ++i) {
        EXPECT_EQ(target.Chip().Memory().program[0x20 + i], 0x1000 + i);
    }
    EXPECT_EQ(target.Chip().Memory().program[0x28], kErasedWord);
}

TEST_P(EachType, AddressCounterWrapsInProgramAndConfigurationSpace) {
    host.EnterProgramMode();
    ChipMemory memory = target.Chip().Memory();
    memory.program[0x0000] = 0x0AAA;
    target.Chip().LoadMemory(memory);
    host.AdvanceTo(0x1FFF);
    host.Increment();
    EXPECT_EQ(target.Chip().Pc(), 0x0000);
    EXPECT_EQ(host.CommandRead(kRead), 0x0AAA);
    // Configuration space: from 0x3FFF back to 0x2000, never to program memory.
    host.CommandWithData(kLoadConfiguration, 0x3FFF);
    for (unsigned i = 0; i < 0x2000; ++i) {
        host.Command(kIncrement);
    }
    EXPECT_EQ(target.Chip().Pc(), 0x2000);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
}

TEST_P(EachType, DeviceIdIsTheTypesOwn) {
    host.EnterProgramMode();
    host.CommandWithData(kLoadConfiguration, 0x3FFF);
    host.Increment(6);
    const std::uint16_t id = host.CommandRead(kRead);
    if (GetParam() == TargetType::Pic16F877) {
        EXPECT_EQ(id & 0x3FE0, 0x09A0);
    } else {
        EXPECT_EQ(id & 0x3FF0, 0x0E20);
    }
    // Not writable.
    host.ProgramWord(0x0000);
    EXPECT_EQ(host.CommandRead(kRead), id);
}

// Every device of the family: its ID, its unimplemented configuration bits,
// and its sizes, past which addresses wrap.
TEST(EachDevice, IdConfigurationBitsAndSizesComeFromItsRow) {
    for (const Device& device : Devices()) {
        SimulatedTarget target{TargetOptions{.device = &device}};
        TestHost host{target};
        ChipMemory memory = target.Chip().Memory();
        memory.program[0x0000] = 0x0AAA;
        memory.eeprom[0x00] = 0x42;
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
        host.AdvanceTo(0x1000);
        const bool small = device.programWords <= 0x1000;
        EXPECT_EQ(host.CommandRead(kRead), small ? 0x0AAA : kErasedWord) << device.name;
        host.EnterProgramMode();
        host.AdvanceTo(0x80);
        EXPECT_EQ(host.CommandRead(kReadEeprom), device.eepromBytes <= 128 ? 0x42 : 0xFF)
            << device.name;
        host.WriteConfig(0x0000);
        // Unimplemented bits read 1, but the 12F629/675's read 0 (DS41191 register 3-1).
        const std::uint16_t unimplemented = device.family == "629" ? 0 : 0x3FFF;
        EXPECT_EQ(host.CommandRead(kRead), ~device.configImplemented & unimplemented)
            << device.name;
        host.Increment(0x3FFF);  // configuration space wraps: back to 0x2006
        EXPECT_TRUE(device.Matches(host.CommandRead(kRead))) << device.name;
        EXPECT_TRUE(target.Violations().Empty()) << device.name << target.Violations().Describe();
    }
}

TEST(CodeProtection87x, RangesFollowTheProgramMemorySize) {
    const Device& small = *FindDevice("16f873");
    for (std::uint16_t config : {0x2FEF, 0x1FDF}) {  // CP 10: last 256 words; 01: upper half
        const std::uint16_t from = config == 0x2FEF ? 0x0F00 : 0x0800;
        EXPECT_FALSE(IsCodeProtected(small, config, from - 1)) << std::hex << config;
        EXPECT_TRUE(IsCodeProtected(small, config, from)) << std::hex << config;
        EXPECT_TRUE(IsCodeProtected(small, config, 0x0FFF)) << std::hex << config;
    }
}

TEST_P(EachType, EepromIsWrittenAndReadThroughItsOwnCommands) {
    host.Erase();
    host.AdvanceTo(0x05);
    host.CommandWithData(kLoadDataEeprom, 0x3FA5);  // only the low 8 bits count
    host.Command(kBeginEraseProgramming);
    host.Wait(8000);
    EXPECT_EQ(host.CommandRead(kReadEeprom), 0x00A5);
    host.CommandWithData(kLoadDataEeprom, 0x5A);  // auto-erase: not ANDed
    host.Command(kBeginEraseProgramming);
    host.Wait(8000);
    EXPECT_EQ(host.CommandRead(kReadEeprom), 0x005A);
    EXPECT_EQ(target.Chip().Memory().eeprom[5], 0x5A);
    EXPECT_EQ(target.Chip().Memory().program[5], kErasedWord);
    ExpectNoViolations();
}

TEST_P(EachType, BulkEraseCommandsEraseTheirMemoryOnly) {
    Preload(0x0000, 0x3FFF, 0x00);
    host.EnterProgramMode();
    host.Command(kBulkEraseData);
    host.Command(kBeginEraseProgramming);
    host.Wait(8000);
    EXPECT_EQ(target.Chip().Memory().eeprom[0], kErasedByte);
    EXPECT_EQ(target.Chip().Memory().program[0], 0x0000);
    host.Command(kBulkEraseProgram);
    host.Command(kBeginEraseProgramming);
    host.Wait(8000);
    EXPECT_EQ(target.Chip().Memory().program[0], kErasedWord);
    EXPECT_EQ(target.Chip().Memory().config[0], 0x0123);  // IDs stay from program space
    ExpectNoViolations();
}

TEST(DataProtection, HidesTheEeprom) {
    SimulatedTarget target;
    TestHost host{target};
    ChipMemory memory = target.Chip().Memory();
    memory.eeprom[0] = 0x77;
    memory.ConfigWord() = 0x3EFF;  // CPD (bit 8) set
    target.Chip().LoadMemory(memory);
    host.EnterProgramMode();
    EXPECT_EQ(host.CommandRead(kReadEeprom), 0);
}

TEST_P(EachType, ResetPulsesAndModesFollowTheLines) {
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Reset);
    host.ResetCpu();
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Running);
    EXPECT_EQ(target.Chip().ResetReleases(), 1U);
    host.EnterProgramMode();
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Programming);
    EXPECT_EQ(target.Chip().ProgramModeEntries(), 1U);
    host.Data(0x08);  // run line low with VPP on: held in reset
    EXPECT_EQ(target.Chip().Mclr(), MclrLevel::Low);
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Reset);
    host.ResetCpu();
    EXPECT_EQ(target.Chip().ResetReleases(), 3U);  // one inside the entry sequence
    ExpectNoViolations();
}

TEST_P(EachType, CommandsAreCountedByCode) {
    host.Erase();
    host.ProgramWord(0x0001);
    host.CommandRead(kRead);
    EXPECT_EQ(target.Chip().CommandCount(kLoadData), 1U);
    EXPECT_EQ(target.Chip().CommandCount(kBeginProgrammingOnly), 1U);
    EXPECT_EQ(target.Chip().CommandCount(kRead), 1U);
    EXPECT_EQ(target.Chip().CommandCount(kIncrement),
              GetParam() == TargetType::Pic16F877 ? 7U : 0U);
}

}  // namespace
}  // namespace tallis::sim::test
