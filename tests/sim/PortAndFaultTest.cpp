#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TestHost.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim::test {
namespace {

TEST(Port, RegistersLiveAtTheChosenBaseOnly) {
    for (std::uint16_t base : {0x378, 0x278, 0x3BC}) {
        SimulatedTarget target{TargetOptions{.base = base}};
        tallis::PortIo& port = target.Port();
        port.WriteByte(base, 0x02);
        port.WriteByte(base + 2, 0x01);
        EXPECT_EQ(target.Chip().Mode(), ChipMode::Running) << base;
        EXPECT_EQ(port.ReadByte(base), 0x02);
        EXPECT_EQ(port.ReadByte(base + 2), 0x01);
        EXPECT_TRUE(target.Violations().Empty());

        const std::uint16_t other = base == 0x378 ? 0x278 : 0x378;
        port.WriteByte(other, 0x00);
        port.ReadByte(other + 1);
        port.WriteByte(base + 1, 0x00);  // status is read-only
        port.WriteByte(base + 3, 0x00);
        EXPECT_EQ(target.Violations().Count(ViolationKind::PortAddress), 4U) << base;
        EXPECT_EQ(target.Chip().Mode(), ChipMode::Running) << "stray writes reached the board";
    }
}

TEST(Port, StatusShowsRb7OnBitSixAndOnesElsewhere) {
    SimulatedTarget target;
    TestHost host{target};
    host.Control(0x00);
    EXPECT_EQ(host.Status(), 0xFF);
    host.Control(0x01);  // the host holds RB7 low
    EXPECT_EQ(host.Status(), 0xBF);
}

// A board whose lines sit on the pins the PC itself inverts (nAutoFeed,
// nSelectIn, Busy), with VPP inverted by the board: the simulation must
// decode each register bit through its own model of the connector, or these
// levels come out the other way round.
constexpr board::BoardWiring kInvertedPinsBoard{
    .name = "inverted pins",
    .clock = {.pin = 14},
    .dataOut = {.pin = 17},
    .dataIn = {.pin = 11},
    .run = {.pin = 16},
    .vpp = {.pin = 9, .inverted = true},
};

TEST(Board, DecodesEachPinThroughThePcsOwnInversions) {
    struct Case {
        const board::BoardWiring* wiring;
        std::uint8_t data;
        std::uint8_t control;
        bool rb6;
        MclrLevel mclr;
        std::uint8_t status;
    };
    const Case cases[] = {
        // The default board: control bit 0 set holds RB7 low through nStrobe.
        {&board::kDefaultBoard, 0x0A, 0x01, false, MclrLevel::Vpp, 0xBF},
        {&board::kDefaultBoard, 0x03, 0x00, true, MclrLevel::High, 0xFF},
        {&board::kDefaultBoard, 0x08, 0x00, false, MclrLevel::Low, 0xFF},
        // Clock on C1 and data out on C3, both inverted by the PC; run on C2,
        // which is not; VPP on D7 through an inverting switch; RB7 read on
        // Busy, which the PC inverts.
        {&kInvertedPinsBoard, 0x80, 0x0A, false, MclrLevel::Low, 0xFF},
        {&kInvertedPinsBoard, 0x80, 0x04, true, MclrLevel::High, 0x7F},
        {&kInvertedPinsBoard, 0x00, 0x06, false, MclrLevel::Vpp, 0x7F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.wiring->name) + " " + std::to_string(c.data) + "/" +
                     std::to_string(c.control));
        SimulatedTarget target{TargetOptions{.wiring = c.wiring}};
        target.Port().WriteByte(0x378, c.data);
        target.Port().WriteByte(0x37A, c.control);
        EXPECT_EQ(target.Board().Rb6(), c.rb6);
        EXPECT_EQ(target.Board().Mclr(), c.mclr);
        EXPECT_EQ(target.Port().ReadByte(0x379), c.status);
    }
}

TEST(Port, AccessCostAdvancesVirtualTime) {
    SimulatedTarget target{TargetOptions{.portAccessCostNs = 250}};
    target.Port().WriteByte(0x378, 0x00);
    target.Port().ReadByte(0x379);
    EXPECT_EQ(target.Clock().NowNs(), 500U);
    target.Clock().Delay(3);
    EXPECT_EQ(target.Clock().NowNs(), 3500U);
}

TEST(Port, RealTimeTargetHasNoVirtualClock) {
    SimulatedTarget target{TargetOptions{.time = TimeSource::RealTime}};
    EXPECT_TRUE(target.RealTime());
    EXPECT_THROW(target.Clock(), std::logic_error);
    const std::uint64_t before = target.Time().NowNs();
    target.Port().WriteByte(0x378, 0x02);
    EXPECT_GE(target.Time().NowNs(), before);
    EXPECT_EQ(target.Chip().Mode(), ChipMode::Running);
}

TEST(Board, McLrFollowsRunAndVppLines) {
    struct Case {
        std::uint8_t data;
        MclrLevel mclr;
    };
    const Case cases[] = {{0x00, MclrLevel::Low},  {0x08, MclrLevel::Low}, {0x02, MclrLevel::High},
                          {0x03, MclrLevel::High}, {0x0A, MclrLevel::Vpp}, {0x0B, MclrLevel::Vpp}};
    VirtualClock clock;
    const InterfaceBoard board(nullptr, clock);
    for (const Case& c : cases) {
        EXPECT_EQ(board.MclrFor(c.data), c.mclr) << int(c.data);
    }
}

TEST(SlowBoard, ReleasedRb7ReadsLowUntilItHasRisen) {
    SimulatedTarget target{TargetOptions{.board = BoardTiming::Slow()}};
    TestHost host{target};
    host.Control(0x01);
    host.Control(0x00);
    EXPECT_EQ(host.Status() & 0x40, 0);
    host.Wait(4);
    EXPECT_EQ(host.Status() & 0x40, 0);
    host.Wait(1);
    EXPECT_EQ(host.Status() & 0x40, 0x40);
}

// VPP takes 50 us to rise, then THLD0 (5 us) runs before the first clock.
TEST(SlowBoard, ClockBeforeVppHasRisenAndHeldIsAViolation) {
    struct Case {
        std::uint32_t afterVppUs;
        std::size_t violations;
    };
    for (const Case& c : {Case{10, 1}, Case{52, 1}, Case{55, 0}}) {
        SimulatedTarget target{TargetOptions{.board = BoardTiming::Slow()}};
        TestHost host{target};
        host.Control(0x01);
        host.Data(0x00);
        host.Wait(10);
        host.Data(0x0A);
        host.Wait(c.afterVppUs);
        host.Data(0x0B);
        host.Data(0x0A);
        host.Wait(100);
        host.Status();  // the board hands over what has happened since
        EXPECT_EQ(target.Violations().Total(), c.violations) << c.afterVppUs << "\n"
                                                             << target.Violations().Describe();
        EXPECT_EQ(target.Chip().Mode(), ChipMode::Programming) << c.afterVppUs;
    }
}

TEST(SlowBoard, ClassicPacingWorks) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        SimulatedTarget target{TargetOptions{.type = type, .board = BoardTiming::Slow()}};
        TestHost host{target};
        host.Erase();
        host.ProgramWord(0x2AD5);
        EXPECT_EQ(host.CommandRead(kRead), 0x2AD5) << TargetTypeName(type);
        host.WriteConfig(0x3F72);
        EXPECT_EQ(host.CommandRead(kRead), NormalizeConfigWord(type, 0x3F72));
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    }
}

TEST(Faults, NoTargetReadsOnesAndSeesNothing) {
    SimulatedTarget target;
    TestHost host{target};
    target.SetBoardFault(BoardFault::NoTarget);
    host.Erase();
    host.Control(0x01);
    EXPECT_EQ(host.Status() & 0x40, 0x40);
    EXPECT_EQ(host.CommandRead(kRead), 0x3FFF);
    EXPECT_EQ(target.Chip().ProgramModeEntries(), 0U);
}

TEST(Faults, DataStuckLowReadsZeroAndWritesNothing) {
    SimulatedTarget target;
    TestHost host{target};
    target.SetBoardFault(BoardFault::DataStuckLow);
    host.Control(0x00);
    EXPECT_EQ(host.Status() & 0x40, 0);
    host.EnterProgramMode();
    host.ProgramWord877A(0x1234);  // arrives as command 0 with data 0
    EXPECT_EQ(host.CommandRead(kRead), 0x0000);
    target.SetBoardFault(BoardFault::None);
    EXPECT_EQ(target.Chip().Memory().program[0], kErasedWord);
}

TEST(Faults, UnprogrammableWordKeepsItsValue) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        SimulatedTarget target{TargetOptions{.type = type}};
        TestHost host{target};
        target.SetUnprogrammableWord(0x0001);
        host.Erase();
        for (std::uint16_t word : {0x0011, 0x0022, 0x0033}) {
            host.ProgramWord(word);
            host.Increment();
        }
        const ChipMemory& memory = target.Chip().Memory();
        EXPECT_EQ(memory.program[0], 0x0011) << TargetTypeName(type);
        EXPECT_EQ(memory.program[1], kErasedWord) << TargetTypeName(type);
        EXPECT_EQ(memory.program[2], 0x0033) << TargetTypeName(type);
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    }
}

// Every erase of each family (chip erase, bulk erase, erase before a write)
// leaves the word as it was; programming still clears bits.
TEST(Faults, UnerasableWordKeepsItsValueThroughEveryErase) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        SimulatedTarget target{TargetOptions{.type = type}};
        TestHost host{target};
        target.SetUnerasableWord(0x0001);
        host.Erase();
        host.ProgramWord(0x0011);
        host.Increment();
        host.ProgramWord(0x2A0F);
        host.Erase();
        host.Increment();
        host.ProgramWord(0x3FF0);
        const ChipMemory& memory = target.Chip().Memory();
        EXPECT_EQ(memory.program[0], kErasedWord) << TargetTypeName(type);
        EXPECT_EQ(memory.program[1], 0x2A00) << TargetTypeName(type);
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    }
}

}  // namespace
}  // namespace tallis::sim::test

namespace tallis::sim::test {
namespace {

TEST(Violations, AFloodKeepsExactCountsButBoundedDetail) {
    SimulatedTarget target;
    TestHost host{target};
    host.EnterProgramMode();
    host.bitWaitUs = 0;  // every frame too soon, every bit without setup time
    for (int i = 0; i < 2000; ++i) {
        host.CommandWithData(kLoadData, 0x1555);
    }
    const ViolationLog& log = target.Violations();
    EXPECT_EQ(log.Count(ViolationKind::CommandTooSoon), 2U * 2000U - 1U);
    EXPECT_GT(log.Total(), ViolationLog::kMaxKept);
    EXPECT_EQ(log.All().size(), ViolationLog::kMaxKept);
    EXPECT_NE(log.Describe().find("more not kept"), std::string::npos);
}

}  // namespace
}  // namespace tallis::sim::test
