// The readings the simulated chip can take where the programming documents
// and the programmers used in the field do not settle its behaviour.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "TestHost.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim::test {
namespace {

// The writable configuration-space words and a value for each.
constexpr std::array<std::uint16_t, 6> kAddresses = {0x2000, 0x2001, 0x2002,
                                                     0x2003, 0x2004, 0x2007};
constexpr std::array<std::uint16_t, 6> kValues = {0x0001, 0x0002, 0x0003, 0x3FF4, 0x2ABC, 0x3F72};

// Loaded at its own address, written by a program-only cycle.
void WriteLoadedAtItsAddress(TestHost& host, std::uint16_t address, std::uint16_t word) {
    host.CommandWithData(kLoadConfiguration, 0x3FFF);
    host.Increment(address - kConfigSpaceStart);
    host.CommandWithData(kLoadData, word);
    host.Command(kBeginProgrammingOnly);
    host.Wait(1500);
    host.Command(kEndProgramming);
    host.Wait(150);
}

// Given with Load Configuration, written at the address by command 8.
void WriteGivenWithLoadConfiguration(TestHost& host, std::uint16_t address, std::uint16_t word) {
    host.CommandWithData(kLoadConfiguration, word);
    host.Increment(address - kConfigSpaceStart);
    host.Command(kBeginEraseProgramming);
    host.Wait(10000);
}

struct LatchCase {
    const char* name;
    ConfigLatches latches;
    void (*write)(TestHost&, std::uint16_t, std::uint16_t);
    bool everyWordLands;
};

TEST(ConfigLatches877A, AWordLoadedAtItsAddressLandsThereUnderBothReadings) {
    const LatchCase cases[] = {
        {"own address, single", ConfigLatches::Single, WriteLoadedAtItsAddress, true},
        {"own address, row", ConfigLatches::Row, WriteLoadedAtItsAddress, true},
        {"Load Configuration, single", ConfigLatches::Single, WriteGivenWithLoadConfiguration,
         true},
        {"Load Configuration, row", ConfigLatches::Row, WriteGivenWithLoadConfiguration, false},
    };
    for (const LatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedTarget target{TargetOptions{.chip = {.configLatches = c.latches}}};
        TestHost host{target};
        host.EnterProgramMode();
        for (std::size_t i = 0; i < kAddresses.size(); ++i) {
            c.write(host, kAddresses[i], kValues[i]);
        }
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        bool allLanded = true;
        for (std::size_t i = 0; i < kAddresses.size(); ++i) {
            const std::uint16_t expected =
                kAddresses[i] == kConfigWordAddress
                    ? NormalizeConfigWord(TargetType::Pic16F877A, kValues[i])
                    : kValues[i];
            host.CommandWithData(kLoadConfiguration, 0x3FFF);
            host.Increment(kAddresses[i] - kConfigSpaceStart);
            allLanded = allLanded && host.CommandRead(kRead) == expected;
        }
        EXPECT_EQ(allLanded, c.everyWordLands);
    }
}

// The flowcharts' ID write: four loads, one cycle. Only the row latches take
// all four; a single latch writes the last word at the address.
TEST(ConfigLatches877A, OneCycleWritesEveryLoadedLatchOnlyThroughTheRowLatches) {
    for (ConfigLatches latches : {ConfigLatches::Single, ConfigLatches::Row}) {
        SimulatedTarget target{TargetOptions{.chip = {.configLatches = latches}}};
        TestHost host{target};
        host.EnterProgramMode();
        host.CommandWithData(kLoadConfiguration, 0x0011);
        for (std::uint16_t id = 1; id < 4; ++id) {
            host.Increment();
            host.CommandWithData(kLoadData, static_cast<std::uint16_t>(0x0011 * (id + 1)));
        }
        host.Command(kBeginEraseProgramming);
        host.Wait(10000);
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        const ChipMemory& memory = target.Chip().Memory();
        const bool row = latches == ConfigLatches::Row;
        EXPECT_EQ(memory.config[0], row ? 0x0011 : kErasedWord);
        EXPECT_EQ(memory.config[1], row ? 0x0022 : kErasedWord);
        EXPECT_EQ(memory.config[3], 0x0044);
    }
}

// The 877 has one latch everywhere: the reading changes nothing there.
TEST(ConfigLatches877, ARowReadingLeavesTheSingleWordWrite) {
    SimulatedTarget target{TargetOptions{.type = TargetType::Pic16F877,
                                         .chip = {.configLatches = ConfigLatches::Row}}};
    TestHost host{target};
    host.EnterProgramMode();
    WriteGivenWithLoadConfiguration(host, 0x2002, 0x0123);
    EXPECT_EQ(target.Chip().Memory().config[2], 0x0123);
    EXPECT_EQ(target.Chip().Memory().config[0], kErasedWord);
}

// After its code-protect-disable erase, a programmer used in the field erases
// an unprotected 877's data EEPROM with the address still at 0x2007.
TEST(EepromEraseAtConfig877, ErasesTheEepromOnlyUnderItsReading) {
    for (EepromEraseAtConfig reading :
         {EepromEraseAtConfig::Erases, EepromEraseAtConfig::Ignores}) {
        const bool erases = reading == EepromEraseAtConfig::Erases;
        SCOPED_TRACE(erases ? "erases" : "ignores");
        SimulatedTarget target{
            TargetOptions{.type = TargetType::Pic16F877, .chip = {.eepromEraseAtConfig = reading}}};
        TestHost host{target};
        ChipMemory memory = target.Chip().Memory();
        memory.eeprom.fill(0x42);
        memory.program.fill(0x0000);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
        host.CommandWithData(kLoadConfiguration, 0x3FFF);
        host.Increment(7);
        host.CommandWithData(kLoadDataEeprom, 0x3FFF);
        host.Command(kSetup1);
        host.Command(kSetup2);
        host.Command(kBeginEraseProgramming);
        host.Wait(10000);
        host.Command(kSetup1);
        host.Command(kSetup2);
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        const ChipMemory& after = target.Chip().Memory();
        EXPECT_EQ(after.eeprom[0x80], erases ? kErasedByte : 0x42);
        EXPECT_EQ(after.program[0], erases ? 0x0000 : kErasedWord);
    }
}

// Below 4.5 V the chip erases and writes nothing; it still reads.
TEST(SupplyVoltage, BelowFourAndAHalfVoltsEraseAndWriteDoNothingWhileReadsWork) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        for (double vdd : {3.3, 4.4, 4.5, 5.0}) {
            SCOPED_TRACE(std::string(TargetTypeName(type)) + " at " + std::to_string(vdd) + " V");
            SimulatedTarget target{TargetOptions{.type = type, .chip = {.vddVolts = vdd}}};
            TestHost host{target};
            ChipMemory memory = target.Chip().Memory();
            memory.program[0] = 0x1111;
            memory.program[1] = 0x2222;
            memory.eeprom[0] = 0x42;
            target.Chip().LoadMemory(memory);
            host.EnterProgramMode();
            EXPECT_EQ(host.CommandRead(kRead), 0x1111);
            host.Erase();
            host.AdvanceTo(1);
            host.ProgramWord(0x0123);
            host.WriteConfig(0x3F72);
            EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
            const bool writes = vdd >= 4.5;
            const ChipMemory& after = target.Chip().Memory();
            EXPECT_EQ(after.program[0], writes ? kErasedWord : 0x1111);
            EXPECT_EQ(after.program[1], writes ? 0x0123 : 0x2222);
            EXPECT_EQ(after.ConfigWord(),
                      NormalizeConfigWord(type, writes ? 0x3F72 : memory.ConfigWord()));
        }
    }
}

TEST(SupplyVoltage, IsReadAsVoltsInTheDevicesRange) {
    EXPECT_EQ(SupplyVoltageNamed("3.3"), 3.3);
    EXPECT_EQ(SupplyVoltageNamed("5"), 5.0);
    for (const char* text : {"", "1.9", "5.6", "3,3", "3.3V", "-5", "nan"}) {
        EXPECT_FALSE(SupplyVoltageNamed(text)) << text;
    }
}

}  // namespace
}  // namespace tallis::sim::test
