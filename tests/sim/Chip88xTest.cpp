// What the simulated PIC16F88x does that the 87x and 87xA do not: the
// calibration word, erases chosen by the address, latches of four or eight
// words that configuration-space writes leave loaded, and its own commands.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "sim/SimulatedDevice.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

using test::TestHost;

constexpr std::uint8_t kBeginProgramming = 8;  // programs only, timed by the chip
constexpr std::uint8_t kEndProgramming88x = 10;
constexpr std::uint16_t kId0 = 0x2000;

struct Chip88x {
    explicit Chip88x(const char* name = "16f887")
        : target(TargetOptionsFor(*FindDevice(name))), host(target) {
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0123);
        memory.config[0] = 0x0011;     // ID 0
        memory.ConfigWord() = 0x3F7F;  // data EEPROM protected (CPD at 0)
        memory.eeprom.fill(0x42);
        target.Chip().LoadMemory(memory);
        host.EnterProgramMode();
    }
    ChipMemory Memory() { return target.Chip().Memory(); }
    void ToConfigAddress(std::uint16_t address) {
        host.CommandWithData(test::kLoadConfiguration, 0x3FFF);
        host.Increment(address - kId0);
    }
    void BulkErase(std::uint8_t code) {
        host.Command(code);
        host.Wait(6000);
    }

    SimulatedTarget target;
    TestHost host;
};

TEST(Chip88x, LeavesTheFactoryWithItsCalibrationWord) {
    Chip88x chip;
    EXPECT_EQ(chip.Memory().CalibrationWord(), kFactoryCalibration88x);
    chip.ToConfigAddress(0x2009);
    EXPECT_EQ(chip.host.CommandRead(test::kRead), kFactoryCalibration88x);
}

// Where the address is when Bulk Erase Program Memory is given decides what
// it takes; with CPD at 0 it takes the EEPROM too.
TEST(Chip88x, BulkEraseTakesTheIdsFromConfigurationSpaceAndTheCalibrationOnlyFrom0x2009) {
    const struct {
        const char* where;
        std::optional<std::uint16_t> configAddress;
        bool idsErased;
        bool calibrationErased;
    } cases[] = {
        {"program memory", std::nullopt, false, false},
        {"0x2000", 0x2000, true, false},
        {"0x2008", 0x2008, true, false},
        {"0x2009", 0x2009, true, true},
        {"0x2010", 0x2010, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        Chip88x chip;
        if (c.configAddress) {
            chip.ToConfigAddress(*c.configAddress);
        }
        chip.BulkErase(test::kBulkEraseProgram);
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.program[0], kErasedWord);
        EXPECT_EQ(memory.eeprom[0], kErasedByte);
        EXPECT_EQ(memory.ConfigWord(), kErasedWord);
        EXPECT_EQ(memory.config[0], c.idsErased ? kErasedWord : 0x0011);
        EXPECT_EQ(memory.CalibrationWord(),
                  c.calibrationErased ? kErasedWord : kFactoryCalibration88x);
        EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
    }
}

TEST(Chip88x, BulkEraseDataMemoryIsIgnoredWhileTheEepromIsProtected) {
    Chip88x chip;
    chip.BulkErase(test::kBulkEraseData);
    EXPECT_EQ(chip.Memory().eeprom[0], 0x42);
}

// A configuration-space write leaves its latch loaded; the next write in the
// same session writes it again at the same place in its own block, which
// for an ID loaded at 0x2001 is the calibration word beside CONFIG2.
TEST(Chip88x, ALatchLeftLoadedInConfigurationSpaceReachesTheCalibrationWord) {
    for (const bool reenter : {false, true}) {
        SCOPED_TRACE(reenter ? "programming mode left between" : "one session");
        Chip88x chip("16f883");  // four latches: 0x2001 and 0x2009 share latch 1
        chip.ToConfigAddress(0x2001);
        chip.host.CommandWithData(test::kLoadData, 0x0005);
        chip.host.Command(kBeginProgramming);
        chip.host.Wait(3000);
        if (reenter) {
            chip.host.LeaveProgramMode();
            chip.host.EnterProgramMode();
        }
        chip.ToConfigAddress(0x2008);
        chip.host.CommandWithData(test::kLoadData, 0x3EFF);
        chip.host.Command(kBeginProgramming);
        chip.host.Wait(3000);
        const ChipMemory memory = chip.Memory();
        EXPECT_EQ(memory.config[1], 0x0005);
        EXPECT_EQ(memory.ConfigWord2(), NormalizeConfigWord2(0x3EFF));
        EXPECT_EQ(memory.CalibrationWord(),
                  reenter ? kFactoryCalibration88x : (kFactoryCalibration88x & 0x0005));
    }
}

// Program memory takes the latches' block: four words on the 882/883/884,
// eight on the 886/887. Eight words loaded into four latches keep the last four.
TEST(Chip88x, ProgramsTheBlockOfItsOwnLatchCount) {
    for (const char* name : {"16f884", "16f886"}) {
        SCOPED_TRACE(name);
        Chip88x chip(name);
        chip.BulkErase(test::kBulkEraseProgram);
        for (std::uint16_t i = 0; i < 8; ++i) {
            if (i != 0) {
                chip.host.Increment();
            }
            chip.host.CommandWithData(test::kLoadData, static_cast<std::uint16_t>(0x100 + i));
        }
        chip.host.Command(kBeginProgramming);
        chip.host.Wait(3000);
        const ChipMemory memory = chip.Memory();
        const bool eight = std::string_view(name) == "16f886";
        EXPECT_EQ(memory.program[0], eight ? 0x100 : kErasedWord);
        EXPECT_EQ(memory.program[4], 0x104);
        EXPECT_EQ(memory.program[7], 0x107);
    }
}

TEST(Chip88x, JudgesItsOwnCommandsAndTimes) {
    const struct {
        const char* name;
        void (*run)(Chip88x&);
        ViolationKind violation;
    } cases[] = {
        {"Chip Erase is not its command", [](Chip88x& c) { c.host.Command(test::kChipErase); },
         ViolationKind::UnknownCommand},
        {"nor is the 87xA's End Programming",
         [](Chip88x& c) { c.host.Command(test::kEndProgramming); }, ViolationKind::UnknownCommand},
        {"command 8 needs 3 ms (a command during it is lost)",
         [](Chip88x& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(2500);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"an EEPROM byte needs 6 ms",
         [](Chip88x& c) {
             c.host.CommandWithData(test::kLoadDataEeprom, 0);
             c.host.Command(kBeginProgramming);
             c.host.Wait(5000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"a bulk erase needs 6 ms",
         [](Chip88x& c) {
             c.host.Command(test::kBulkEraseProgram);
             c.host.Wait(5000);
             c.host.Command(test::kIncrement);
         },
         ViolationKind::CommandWhileBusy},
        {"command 24 ends with End Programming within 2.5 ms",
         [](Chip88x& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(test::kBeginProgrammingOnly);
             c.host.Wait(3000);
             c.host.Command(kEndProgramming88x);
         },
         ViolationKind::ProgramTimeTooLong},
        {"and not before 2 ms",
         [](Chip88x& c) {
             c.host.CommandWithData(test::kLoadData, 0);
             c.host.Command(test::kBeginProgrammingOnly);
             c.host.Wait(1500);
             c.host.Command(kEndProgramming88x);
         },
         ViolationKind::ProgramTimeTooShort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chip88x chip;
        c.run(chip);
        EXPECT_EQ(chip.target.Violations().Count(c.violation), 1U)
            << chip.target.Violations().Describe();
    }
}

TEST(Chip88x, ExternallyTimedCycleWithinItsWindowIsWritten) {
    Chip88x chip;
    chip.host.CommandWithData(test::kLoadData, 0x0021);
    chip.host.Command(test::kBeginProgrammingOnly);
    chip.host.Wait(2200);
    chip.host.Command(kEndProgramming88x);
    chip.host.Wait(100);
    EXPECT_EQ(chip.Memory().program[0], 0x0021);  // 0x0123 AND 0x0021
    EXPECT_TRUE(chip.target.Violations().Empty()) << chip.target.Violations().Describe();
}

}  // namespace
}  // namespace tallis::sim
