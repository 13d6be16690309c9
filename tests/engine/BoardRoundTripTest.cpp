// Every built-in board, with the simulated board decoding its pins through
// the simulation's own model of the PC port: a full 877A and a sparse 877,
// written and verified at both timing profiles, and on the boards that switch
// VDD a sparse 628A entered VPP first, without a violation. A row
// whose polarity the engine and the simulation read differently fails here.
#include <gtest/gtest.h>

#include <string>

#include "board/BoardWiring.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "engine/families/ChipFamily.h"
#include "sim/SimulatedDevice.h"
#include "wire/ParallelPortTransport.h"
#include "wire/TargetLines.h"

namespace tallis {
namespace {

constexpr std::uint16_t kConfig = 0x3F3A;

ChipImage FullImage(const Device& device) {
    ChipImage image;
    for (std::uint32_t a = 0; a < device.programWords; ++a) {
        image.program[a] = static_cast<std::uint16_t>((a * 2654435761U >> 9) & 0x3FFE);
    }
    image.config[0] = kConfig;
    return image;
}

ChipImage SparseImage(const Device& device) {
    ChipImage image;
    image.program[0] = 0x2805;
    image.program[0x777] = 0x1234;
    image.program[device.programWords - 1] = 0x2ABC;
    image.ids = {0x0001, 0x0002, 0x0003, 0x0004};
    image.eeprom[device.eepromBytes - 1] = 0x34;
    image.config[0] = kConfig;
    return image;
}

struct BoardCase {
    const board::BoardWiring* board;
    const char* device;
    bool full;
    bool fast;
};

std::vector<BoardCase> EveryBoardCase() {
    std::vector<BoardCase> cases;
    for (const board::BoardWiring& row : board::Boards()) {
        for (const bool fast : {false, true}) {
            cases.push_back({&row, "16f877a", true, fast});
            cases.push_back({&row, "16f877", false, fast});
        }
        if (row.VddSwitched()) {
            cases.push_back({&row, "16f628a", false, true});
        }
    }
    return cases;
}

class EveryBoard : public ::testing::TestWithParam<BoardCase> {};

TEST_P(EveryBoard, WritesAndVerifiesTheChipWithoutAViolation) {
    const BoardCase& c = GetParam();
    const Device& device = *FindDevice(c.device);
    sim::TargetOptions options = sim::TargetOptionsFor(device);
    options.portAccessCostNs = sim::kRealPortAccessNs;
    options.wiring = c.board;
    sim::SimulatedTarget target(options);
    ParallelPortTransport lines(target.Port(), target.Clock(), *c.board);
    const ChipImage image = c.full ? FullImage(device) : SparseImage(device);

    LineCheckResult checked;
    if (c.fast) {
        checked = CheckLines(lines);
        ASSERT_EQ(checked.fault, LineFault::None);
    }
    {
        ProgrammingSession session(lines, c.fast ? kFastTiming : kClassicTiming, nullptr, checked,
                                   FamilyOf(device).NeedsVppBeforeVdd());
        ASSERT_EQ(Write(session, device, image).outcome, OperationOutcome::Completed);
    }
    const sim::ChipMemory& memory = target.Chip().Memory();
    for (std::uint16_t a = 0; a < device.programWords; ++a) {
        ASSERT_EQ(memory.program[a], image.program[a].value_or(0x3FFF)) << a;
    }
    EXPECT_EQ(memory.eeprom[device.eepromBytes - 1], c.full ? 0xFF : 0x34);
    EXPECT_FALSE(target.Board().VppOn());
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, EveryBoard, ::testing::ValuesIn(EveryBoardCase()),
                         [](const auto& info) {
                             std::string name = std::string(info.param.board->name) +
                                                (info.param.device + 3) +
                                                (info.param.fast ? "Fast" : "Classic");
                             std::erase(name, '-');
                             return name;
                         });

// A PIC16F88 whose MCLR pin is an input runs its program from the moment VDD
// rises, unless MCLR reaches VPP within 250 us: the simulated chip sees a
// board switch VDD and judges the delay; a board that cannot switch it leaves
// the chip running between sessions, a hazard only.
TEST(PowerUpEntry, Pic16F88WithMclrAnInputWantsVppSoonAfterVdd) {
    const struct {
        const char* board;
        std::uint16_t config;
        std::uint32_t vddToVppUs;
        std::size_t violations;
        std::size_t hazards;
    } cases[] = {
        {"tait-classic", 0x3FDF, 200, 0, 0},
        {"tait-classic", 0x3FDF, 10000, 1, 0},
        {"tait-classic", 0x3FFF, 10000, 0, 0},  // MCLR holds the chip in reset
        {"default", 0x3FDF, 10000, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.board) + " " + std::to_string(c.vddToVppUs));
        const board::BoardWiring& wiring = *board::FindBoard(c.board);
        sim::TargetOptions options = sim::TargetOptionsFor(*FindDevice("16f88"));
        options.wiring = &wiring;
        sim::SimulatedTarget target(options);
        sim::ChipMemory memory = target.Chip().Memory();
        memory.ConfigWord() = c.config;
        target.Chip().LoadMemory(memory);
        ParallelPortTransport lines(target.Port(), target.Clock(), wiring);
        lines.Drive(target_lines::kDataHeldLow);
        lines.Drive(target_lines::kReset);
        lines.Wait(c.vddToVppUs);
        lines.Drive(target_lines::kProgrammingClockLow);
        EXPECT_EQ(target.Chip().Mode(), sim::ChipMode::Programming);
        EXPECT_EQ(target.Violations().Count(sim::ViolationKind::VppLateAfterPowerUp), c.violations);
        EXPECT_EQ(target.Violations().HazardCount(sim::HazardKind::EntryFromRunningChip),
                  c.hazards);
    }
}

}  // namespace
}  // namespace tallis
