#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "TestHost.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim::test {
namespace {

struct Fixture {
    explicit Fixture(TargetType type) : target(TargetOptions{.type = type}), host(target) {}
    SimulatedTarget target;
    TestHost host;
    std::size_t Count(ViolationKind kind) { return target.Violations().Count(kind); }
};

TEST(Timing, ShortProgramTimesAreViolationsAndNotCommitted) {
    struct Case {
        const char* name;
        TargetType type;
        std::function<void(TestHost&)> write;
        ViolationKind expected;
    };
    const Case cases[] = {
        {"877A End Programming after 500 us", TargetType::Pic16F877A,
         [](TestHost& h) {
             h.bitWaitUs = 10;  // keeps the 6 clocks of End Programming short
             h.CommandWithData(kLoadData, 0x0000);
             h.Command(kBeginProgrammingOnly);
             h.Wait(500);
             h.Command(kEndProgramming);
         },
         ViolationKind::ProgramTimeTooShort},
        {"877A left without End Programming", TargetType::Pic16F877A,
         [](TestHost& h) {
             h.CommandWithData(kLoadData, 0x0000);
             h.Command(kBeginProgrammingOnly);
             h.Wait(5000);
             h.LeaveProgramMode();
         },
         ViolationKind::ProgrammingNotEnded},
        {"877 left 2 ms into a 4 ms write", TargetType::Pic16F877,
         [](TestHost& h) {
             h.CommandWithData(kLoadData, 0x0000);
             h.Command(kBeginProgrammingOnly);
             h.Wait(2000);
             h.LeaveProgramMode();
         },
         ViolationKind::ProgramTimeTooShort},
        {"877 erase/program left after 6 ms", TargetType::Pic16F877,
         [](TestHost& h) {
             h.CommandWithData(kLoadData, 0x0000);
             h.Command(kBeginEraseProgramming);
             h.Wait(6000);
             h.LeaveProgramMode();
         },
         ViolationKind::ProgramTimeTooShort},
    };
    for (const Case& c : cases) {
        Fixture f(c.type);
        f.host.EnterProgramMode();
        c.write(f.host);
        EXPECT_EQ(f.Count(c.expected), 1U) << c.name << "\n" << f.target.Violations().Describe();
        EXPECT_EQ(f.target.Chip().Memory().program[0], kErasedWord) << c.name;
    }
}

TEST(Timing, Eeprom877AThroughCommand24NeedsTheEepromWriteTime) {
    for (const std::uint32_t waitUs : {1000U, 8000U}) {
        Fixture f(TargetType::Pic16F877A);
        f.host.EnterProgramMode();
        f.host.CommandWithData(kLoadDataEeprom, 0x55);
        f.host.Command(kBeginProgrammingOnly);
        f.host.Wait(waitUs);
        f.host.Command(kEndProgramming);
        const bool enough = waitUs >= 8000;
        EXPECT_EQ(f.Count(ViolationKind::ProgramTimeTooShort), enough ? 0U : 1U) << waitUs;
        EXPECT_EQ(f.target.Chip().Memory().eeprom[0], enough ? 0x55 : kErasedByte) << waitUs;
    }
}

TEST(Timing, ShortEraseIsNotCommitted) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        Fixture f(type);
        ChipMemory memory = f.target.Chip().Memory();
        memory.program.fill(0x0000);
        f.target.Chip().LoadMemory(memory);
        f.host.EnterProgramMode();
        if (type == TargetType::Pic16F877A) {
            f.host.Command(kChipErase);
        } else {
            f.host.CommandWithData(kLoadConfiguration, 0x3FFF);
            f.host.Increment(7);
            f.host.Command(kSetup1);
            f.host.Command(kSetup2);
            f.host.Command(kBeginEraseProgramming);
        }
        f.host.Wait(5000);
        f.host.LeaveProgramMode();
        EXPECT_EQ(f.Count(ViolationKind::EraseTimeTooShort), 1U)
            << f.target.Violations().Describe();
        EXPECT_EQ(f.target.Chip().Memory().program[0], 0x0000);
    }
}

// The 877A's erase cycles need DS39589C's 10 ms; DS39589B's 8 ms still
// commits them, noted as a hazard; less commits nothing.
TEST(Timing, An877AEraseBetweenTheRevisionsMinimumsIsAHazardNotAViolation) {
    struct Case {
        std::uint32_t waitUs;
        std::size_t violations;
        std::size_t hazards;
    };
    const struct {
        std::function<void(TestHost&)> start;
        std::uint16_t committed;  // word 0 once the cycle is committed
    } cycles[] = {
        {[](TestHost& h) { h.Command(kChipErase); }, 0x3FFF},
        {[](TestHost& h) {
             h.CommandWithData(kLoadData, 0x0000);
             h.Command(kBeginEraseProgramming);
         },
         0x0000},
    };
    constexpr std::uint16_t kBefore = 0x1234;
    for (const auto& cycle : cycles) {
        for (const Case c : {Case{7900, 1, 0}, Case{9000, 0, 1}, Case{10000, 0, 0}}) {
            SCOPED_TRACE(c.waitUs);
            Fixture f(TargetType::Pic16F877A);
            ChipMemory memory = f.target.Chip().Memory();
            memory.program[0] = kBefore;
            f.target.Chip().LoadMemory(memory);
            f.host.EnterProgramMode();
            cycle.start(f.host);
            f.host.Wait(c.waitUs);
            f.host.LeaveProgramMode();
            EXPECT_EQ(f.target.Violations().Total(), c.violations)
                << f.target.Violations().Describe();
            EXPECT_EQ(f.target.Violations().HazardCount(HazardKind::CycleBelowRevisedMinimum),
                      c.hazards);
            EXPECT_EQ(f.target.Chip().Memory().program[0],
                      c.violations == 0 ? cycle.committed : kBefore);
        }
    }
}

TEST(Timing, CommandWhileBusyIsIgnored) {
    Fixture f(TargetType::Pic16F877);
    f.host.EnterProgramMode();
    f.host.ProgramWord877(0x0055);  // completes
    f.host.CommandWithData(kLoadData, 0x0000);
    f.host.Command(kBeginProgrammingOnly);
    f.host.Wait(1000);
    f.host.Command(kIncrement);                            // ignored: the address stays
    const std::uint16_t read = f.host.CommandRead(kRead);  // ignored: line stays released
    EXPECT_EQ(f.Count(ViolationKind::CommandWhileBusy), 2U) << f.target.Violations().Describe();
    EXPECT_EQ(read, 0x3FFF);
    EXPECT_EQ(f.target.Chip().Pc(), 0);
    EXPECT_EQ(f.target.Chip().IgnoredCommands(), 2U);
    f.host.Wait(4000);
    EXPECT_EQ(f.host.CommandRead(kRead), 0x0000);  // the write itself went on
}

TEST(Timing, EndProgrammingTooEarlyAfterChipEraseIsIgnored) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.Command(kChipErase);
    f.host.Wait(3000);
    f.host.Command(kEndProgramming);
    EXPECT_EQ(f.Count(ViolationKind::CommandWhileBusy), 1U);
    f.host.Wait(9000);
    EXPECT_FALSE(f.target.Chip().Busy());
}

TEST(Timing, CommandWithinTdisIsIgnored) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.CommandWithData(kLoadData, 0x0000);
    f.host.Command(kBeginProgrammingOnly);
    f.host.Wait(2000);
    f.host.bitWaitUs = 5;  // the next command's first rising edge comes 10 us after
    f.host.Command(kEndProgramming);
    f.host.Command(kIncrement);
    EXPECT_EQ(f.Count(ViolationKind::CommandDuringTdis), 1U) << f.target.Violations().Describe();
    EXPECT_EQ(f.target.Chip().Pc(), 0);
    EXPECT_EQ(f.target.Chip().Memory().program[0], 0x0000);  // the write itself was fine
}

TEST(Timing, BackToBackFramesBreakTdlyAndSetupHold) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.bitWaitUs = 0;  // no time between anything
    f.host.CommandWithData(kLoadData, 0x1234);
    EXPECT_GE(f.Count(ViolationKind::CommandTooSoon), 1U);
    EXPECT_GE(f.Count(ViolationKind::DataSetupHold), 1U);
}

TEST(Timing, HoldTimeAppliesOnlyToEdgesThatTookAHostBit) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.CommandRead(kRead);  // its last falling edge latches nothing
    f.host.Control(0x01);       // at once, with no port time in between
    EXPECT_EQ(f.Count(ViolationKind::DataSetupHold), 0U) << f.target.Violations().Describe();

    for (const bool bit : {false, true, true, false, false, false}) {  // Increment Address
        f.host.ClockBit(bit);
    }
    f.host.Control(0x00);  // at once after the edge that took the command's last bit
    EXPECT_EQ(f.Count(ViolationKind::DataSetupHold), 1U) << f.target.Violations().Describe();
}

// The setup time holds inside data frames, not only for command bits: RB7
// changed right before one falling edge of a Load Data frame, with every
// command bit clean, is the one finding.
TEST(Timing, SetupTimeAppliesInsideDataFrames) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.Command(kLoadData);
    // Start bit, 14 data bits (0x0002: only frame bit 2 is 1), stop bit.
    const std::uint16_t frame = 0x0002 << 1;
    for (unsigned i = 0; i < 16; ++i) {
        const bool bit = (frame >> i & 1U) != 0;
        if (i != 2) {
            f.host.ClockBit(bit);
            continue;
        }
        f.host.Wait(f.host.bitWaitUs);
        f.host.Data(0x0B);  // clock high
        f.host.Wait(f.host.bitWaitUs);
        f.host.Control(0x00);  // RB7 released high, then the clock falls at once
        f.host.Data(0x0A);
    }
    EXPECT_EQ(f.Count(ViolationKind::DataSetupHold), 1U) << f.target.Violations().Describe();
    EXPECT_EQ(f.target.Violations().Total(), 1U) << f.target.Violations().Describe();
}

// The chip puts a read bit on RB7 80 ns after the rising clock edge, and
// lets go of it as late after the 16th: a sample taken sooner reads the
// level before.
TEST(Timing, ReadBitsReachRb7OnlyTheClockToDataOutDelayAfterTheRisingEdge) {
    Fixture f(TargetType::Pic16F877A);
    ChipMemory memory = f.target.Chip().Memory();
    memory.program[0] = 0x0000;  // every bit pulls RB7 low
    f.target.Chip().LoadMemory(memory);
    f.host.EnterProgramMode();
    f.host.Command(kRead);
    f.host.Control(0x00);  // released
    const auto rb7High = [&] { return (f.host.Status() & 0x40) != 0; };
    const auto clock = [&] {
        f.host.Data(0x0B);
        f.host.Data(0x0A);
    };
    clock();  // the first clock carries no bit
    EXPECT_TRUE(rb7High());
    clock();  // bit 0
    EXPECT_TRUE(rb7High());
    f.target.Clock().AdvanceNs(79);
    EXPECT_TRUE(rb7High());
    f.target.Clock().AdvanceNs(1);
    EXPECT_FALSE(rb7High());
    for (int i = 0; i < 13; ++i) {
        clock();
        f.target.Clock().AdvanceNs(80);
    }
    clock();  // the 16th releases RB7
    EXPECT_FALSE(rb7High());
    f.target.Clock().AdvanceNs(80);
    EXPECT_TRUE(rb7High());
}

TEST(Timing, VppNeedsRb6AndRb7LowFirst) {
    struct Case {
        const char* name;
        std::uint8_t control;
        std::uint32_t lowUs;
    };
    const Case cases[] = {
        {"RB7 released (high)", 0x00, 2000},
        {"lowered together with VPP", 0x01, 0},
    };
    for (const Case& c : cases) {
        Fixture f(TargetType::Pic16F877A);
        f.host.Data(0x02);
        f.host.Control(0x00);
        f.host.Wait(100);
        f.host.Control(c.control);
        f.host.Wait(c.lowUs);
        f.host.Data(0x0A);
        EXPECT_EQ(f.Count(ViolationKind::VppEntry), 1U) << c.name;
        EXPECT_EQ(f.target.Chip().Mode(), ChipMode::VppRejected) << c.name;
        f.host.Wait(2000);
        f.host.Command(kIncrement);
        EXPECT_EQ(f.target.Chip().CommandCount(kIncrement), 0U) << c.name;
    }
}

// Entry straight from reset (lines low, then run and VPP together) against
// entry through a running chip, and the first clock edge after VPP.
TEST(Timing, EntryFromRunningChipIsAHazardAndTheFirstClockWaitsForTheHold) {
    struct Case {
        const char* name;
        bool fromRunning;
        std::uint32_t setupUs;  // RB6/RB7 low before VPP
        std::uint32_t holdUs;   // VPP before the first clock edge
        std::size_t hazards;
        std::size_t holdViolations;
    };
    const Case cases[] = {
        {"from reset, 1 us setup, 5 us hold", false, 1, 5, 0, 0},
        {"from reset, 4 us hold", false, 1, 4, 0, 1},
        {"from running, 1 us setup, 5 us hold", true, 1, 5, 1, 0},
    };
    for (const Case& c : cases) {
        Fixture f(TargetType::Pic16F877A);
        f.host.Control(0x01);
        f.host.Data(c.fromRunning ? 0x02 : 0x00);
        f.host.Wait(c.setupUs);
        f.host.Data(0x0A);
        f.host.Wait(c.holdUs);
        f.host.bitWaitUs = 0;
        f.host.Data(0x0B);
        EXPECT_EQ(f.target.Chip().Mode(), ChipMode::Programming) << c.name;
        EXPECT_EQ(f.Count(ViolationKind::VppHold), c.holdViolations) << c.name;
        EXPECT_EQ(f.target.Violations().Total(), c.holdViolations)
            << c.name << "\n"
            << f.target.Violations().Describe();
        EXPECT_EQ(f.target.Violations().HazardCount(HazardKind::EntryFromRunningChip), c.hazards)
            << c.name;
    }
}

TEST(Timing, LeavingInTheMiddleOfAFrameIsRecorded) {
    Fixture f(TargetType::Pic16F877A);
    f.host.EnterProgramMode();
    f.host.ClockBit(false);
    f.host.ClockBit(true);
    f.host.LeaveProgramMode();
    EXPECT_EQ(f.Count(ViolationKind::IncompleteFrame), 1U);
}

TEST(Timing, EnteringAgainResetsTheAddressCounter) {
    Fixture f(TargetType::Pic16F877);
    f.host.EnterProgramMode();
    f.host.Increment(5);
    f.host.EnterProgramMode();
    EXPECT_EQ(f.target.Chip().Pc(), 0);
    EXPECT_TRUE(f.target.Violations().Empty()) << f.target.Violations().Describe();
}

TEST(Commands, OtherTypesCommandsAreIgnoredAndRecorded) {
    struct Case {
        TargetType type;
        std::uint8_t code;
    };
    const Case cases[] = {{TargetType::Pic16F877A, kSetup1},
                          {TargetType::Pic16F877A, kSetup2},
                          {TargetType::Pic16F877, kChipErase},
                          {TargetType::Pic16F877, kEndProgramming},
                          {TargetType::Pic16F877, 0x3E}};
    for (const Case& c : cases) {
        Fixture f(c.type);
        ChipMemory memory = f.target.Chip().Memory();
        memory.program.fill(0x0000);
        f.target.Chip().LoadMemory(memory);
        f.host.EnterProgramMode();
        f.host.Command(c.code);
        f.host.Wait(10000);
        EXPECT_EQ(f.Count(ViolationKind::UnknownCommand), 1U) << int(c.code);
        EXPECT_EQ(f.target.Chip().Memory().program[0], 0x0000) << int(c.code);
    }
}

TEST(Commands, EraseSequenceOfTheOtherTypeDoesNotErase) {
    for (TargetType chipType : {TargetType::Pic16F877, TargetType::Pic16F877A}) {
        // The host believes the chip is of the other type.
        const TargetType hostType =
            chipType == TargetType::Pic16F877 ? TargetType::Pic16F877A : TargetType::Pic16F877;
        SimulatedTarget target{TargetOptions{.type = chipType}};
        ChipMemory memory = target.Chip().Memory();
        memory.program.fill(0x0000);
        target.Chip().LoadMemory(memory);
        TestHost host{target};
        // TestHost::Erase picks the sequence by the chip, so send the other one by hand.
        if (hostType == TargetType::Pic16F877A) {
            host.EnterProgramMode();
            host.Command(kChipErase);
            host.Wait(9000);
            host.Command(kEndProgramming);
        } else {
            host.EnterProgramMode();
            host.CommandWithData(kLoadConfiguration, 0x3FFF);
            host.Increment(7);
            host.Command(kSetup1);
            host.Command(kSetup2);
            host.Command(kBeginEraseProgramming);
            host.Wait(10000);
        }
        EXPECT_EQ(target.Chip().Memory().program[0], 0x0000) << TargetTypeName(chipType);
        EXPECT_GE(target.Violations().Count(ViolationKind::UnknownCommand), 1U);
    }
}

TEST(Commands, CodeProtectDisableNeedsTheConfigurationWordAddress) {
    Fixture f(TargetType::Pic16F877);
    ChipMemory memory = f.target.Chip().Memory();
    memory.program.fill(0x0000);
    f.target.Chip().LoadMemory(memory);
    f.host.EnterProgramMode();
    f.host.CommandWithData(kLoadConfiguration, 0x3FFF);
    f.host.Increment(6);
    f.host.Command(kSetup1);
    f.host.Command(kSetup2);
    f.host.Command(kBeginEraseProgramming);
    f.host.Wait(10000);
    EXPECT_EQ(f.Count(ViolationKind::BadEraseSequence), 1U);
    EXPECT_EQ(f.target.Chip().Memory().program[0], 0x0000);
}

}  // namespace
}  // namespace tallis::sim::test
