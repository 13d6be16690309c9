#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classic/ClassicProgrammer.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"
#include "tests/engine/EngineFakes.h"
#include "tests/engine/ProtocolDecoder.h"

namespace tallis {
namespace {

using test::DecodeProtocol;
using test::EnterProgramModeTokens;
using test::LeaveProgramModeTokens;
using Tokens = std::vector<std::string>;

Tokens Concat(std::initializer_list<Tokens> parts) {
    Tokens all;
    for (const Tokens& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Tokens Repeat(const std::string& token, int times) {
    return Tokens(times, token);
}

class ProgrammerTrace : public ::testing::Test {
  protected:
    const std::vector<TraceEntry>& Entries() const { return trace.Entries(); }
    Tokens Decoded() const { return DecodeProtocol(Entries(), programmer.PortBase()); }

    test::FixedChipHost host{ChipType::Pic16F877A};
    test::ScriptedPort port;
    AccessTrace trace;
    RecordingPortIo recordingPort{port, trace};
    RecordingDelayer recordingDelay{trace};
    ParallelPortTransport lines{recordingPort, recordingDelay};
    ClassicProgrammer programmer{lines, host};
};

TEST_F(ProgrammerTrace, EraseOnlyOn877SendsTheCodeProtectDisableSequence) {
    host.chip = ChipType::Pic16F877;
    programmer.EraseOnly();
    Tokens expected = Concat({{"C01", "W90"},
                              EnterProgramModeTokens(),
                              {"cmd0 3FFF"},
                              Repeat("cmd6", 7),
                              {"cmd1", "cmd7", "cmd8", "W10000", "cmd1", "cmd7", "W10000"},
                              LeaveProgramModeTokens(),
                              {"W10000"},
                              EnterProgramModeTokens(),
                              {"W900", "C00"}});
    EXPECT_EQ(Decoded(), expected);
}

TEST_F(ProgrammerTrace, EraseOnlyOn877ASendsChipEraseAndEndProgramming) {
    host.chip = ChipType::Pic16F877A;
    programmer.EraseOnly();
    Tokens expected =
        Concat({{"C01"}, EnterProgramModeTokens(), {"W2000", "cmd31", "W9000", "cmd23", "C00"}});
    EXPECT_EQ(Decoded(), expected);
}

TEST_F(ProgrammerTrace, CommandSixGoesOutLsbFirstThroughTheInvertedControlBit) {
    programmer.SerialWire().ShiftCommand(kIncrementAddress, 0, false);
    EXPECT_EQ(test::WritesTo(Entries(), 0x37A),
              (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x01, 0x01, 0x01}));
    EXPECT_EQ(Decoded(), Tokens{"cmd6"});
}

TEST_F(ProgrammerTrace, DataFrameDropsBits14And15AndFramesWithZeroStartAndStop) {
    programmer.SerialWire().ShiftCommand(kLoadDataProgramMemory, 0x3FFF, true);
    std::vector<TraceEntry> frame3FFF = Entries();
    trace.Clear();
    programmer.SerialWire().ShiftCommand(kLoadDataProgramMemory, 0xFFFF, true);
    EXPECT_EQ(Entries(), frame3FFF);

    std::vector<std::uint8_t> control = test::WritesTo(frame3FFF, 0x37A);
    ASSERT_EQ(control.size(), 6U + 16U);
    std::vector<std::uint8_t> frameBits(control.begin() + 6, control.end());
    std::vector<std::uint8_t> expected(16, 0x00);  // a 1 goes out as 0x00
    expected.front() = 0x01;
    expected.back() = 0x01;
    EXPECT_EQ(frameBits, expected);
}

// The fast profile, whose waits must hold however fast the port is: the data
// line moves only when the bit changes, a wait of 1 us on either side of the change
// covers the hold after the last falling edge and the setup before the next,
// and one frame gap of 2 us (TDLY 1 us with its margin) separates the
// command from its data frame.
TEST_F(ProgrammerTrace, FastLoadDataWaitsOnlyWhereTheDataLineChanges) {
    Wire fast(lines, kFastTiming);
    fast.ShiftCommand(kLoadDataProgramMemory, 0x0001, true);
    const std::string rise = "W 0378 0B\n";
    const std::string fall = "W 0378 0A\n";
    const std::string low = "W 037A 01\n";
    const std::string high = "W 037A 00\n";
    const std::string wait = "D 1\n";
    std::string steady;
    for (int i = 0; i < 13; ++i) {
        steady += rise + fall;
    }
    const std::string command = low + rise + wait + fall + wait + high + rise + wait + fall + wait +
                                low + rise + wait + fall + rise + fall + rise + fall + rise + fall;
    const std::string frame =
        rise + fall + wait + high + rise + wait + fall + wait + low + rise + wait + fall + steady;
    EXPECT_EQ(trace.Text(), command + "D 2\n" + frame + "D 2\n");
}

TEST_F(ProgrammerTrace, LptTwoDrivesItsOwnRegistersOnly) {
    programmer.SelectPort(2);
    EXPECT_EQ(programmer.PortNumber(), 2);
    EXPECT_EQ(programmer.PortBase(), 0x278);
    programmer.EraseOnly();
    programmer.ReadAndCompareWord(0x12, 0x34);
    programmer.ResetCpu();
    for (const TraceEntry& entry : Entries()) {
        if (entry.kind == AccessKind::Write) {
            EXPECT_TRUE(entry.port == 0x278 || entry.port == 0x27A) << std::hex << entry.port;
        } else if (entry.kind == AccessKind::Read) {
            EXPECT_EQ(entry.port, 0x279);
        }
    }
}

TEST_F(ProgrammerTrace, SelectPortIgnoresNumbersOtherThanOneAndTwo) {
    programmer.SelectPort(2);
    programmer.SelectPort(0);
    programmer.SelectPort(3);
    EXPECT_EQ(programmer.PortNumber(), 2);
    EXPECT_EQ(programmer.PortBase(), 0x278);
    programmer.SelectPort(1);
    EXPECT_EQ(programmer.PortNumber(), 1);
    EXPECT_EQ(programmer.PortBase(), 0x378);
}

TEST_F(ProgrammerTrace, SelectPortAddressSetsTheNumberWithTheBase) {
    const struct {
        std::uint16_t base;
        std::int32_t number;
    } cases[] = {{0x278, 2}, {0x3BC, 0}, {0x378, 1}};
    for (const auto& c : cases) {
        programmer.SelectPortAddress(c.base);
        EXPECT_EQ(programmer.PortBase(), c.base);
        EXPECT_EQ(programmer.PortNumber(), c.number) << std::hex << c.base;
    }
}

TEST_F(ProgrammerTrace, ReceiveWordSamplesSixtyMicrosecondsAfterEachFallingEdge) {
    programmer.SerialWire().ReceiveWord();
    int reads = 0;
    const auto& entries = Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != AccessKind::Read) {
            continue;
        }
        ++reads;
        ASSERT_GE(i, 2U);
        EXPECT_EQ(entries[i - 1], (TraceEntry{AccessKind::Delay, 0, 60}));
        EXPECT_EQ(entries[i - 2], (TraceEntry{AccessKind::Write, 0x378, 0x0A}));
    }
    EXPECT_EQ(reads, 14);
    // The line is released before the first clock and the frame has 16 clocks.
    EXPECT_EQ(test::WritesTo(entries, 0x37A), std::vector<std::uint8_t>{0x00});
    EXPECT_EQ(test::WritesTo(entries, 0x378).size(), 32U);
}

TEST_F(ProgrammerTrace, ReceiveWordTakesStatusBitSixOnlyAndAssemblesLsbFirst) {
    struct Case {
        std::uint16_t word;
        std::uint8_t one;
        std::uint8_t zero;
    };
    for (const Case& c : {Case{0x2A5B, 0x40, 0xBF}, Case{0x0001, 0x40, 0x00},
                          Case{0x2000, 0xFF, 0x3F}, Case{0x3FFF, 0x40, 0xBF}}) {
        port.script.clear();
        for (int bit = 0; bit < 14; ++bit) {
            port.script.push_back(((c.word >> bit) & 1) != 0 ? c.one : c.zero);
        }
        EXPECT_EQ(programmer.SerialWire().ReceiveWord(), c.word) << std::hex << c.word;
    }
}

TEST_F(ProgrammerTrace, AllOnesReadBackNeverMatchesAWordWithBit14Or15Set) {
    port.idleStatus = 0xFF;
    EXPECT_TRUE(programmer.ReadAndCompareWord(0x3F, 0xFF));
    EXPECT_FALSE(programmer.ReadAndCompareWord(0x7F, 0xFF));
    EXPECT_FALSE(programmer.ReadAndCompareWord(0xFF, 0xFF));
    EXPECT_FALSE(programmer.ReadAndCompareWord(0x00, 0x00));
    EXPECT_EQ(DecodeProtocol(Entries()), Repeat("cmd4 read", 4));
}

TEST_F(ProgrammerTrace, AdvanceAddressSendsTheUnsignedDifference) {
    struct Case {
        std::uint16_t from;
        std::uint16_t to;
        std::size_t increments;
    };
    for (const Case& c : {Case{7, 7, 0}, Case{0, 5, 5}, Case{0xFFFE, 1, 3}, Case{5, 4, 65535}}) {
        trace.Clear();
        EXPECT_EQ(programmer.AdvanceAddress(c.from, c.to), c.to);
        Tokens decoded = Decoded();
        EXPECT_EQ(decoded.size(), c.increments);
        EXPECT_EQ(decoded, Repeat("cmd6", static_cast<int>(c.increments)));
    }
}

TEST_F(ProgrammerTrace, WriteWordFollowsTheChipTypeAtEveryCall) {
    struct Case {
        ChipType chip;
        bool configMode;
        Tokens expected;
    };
    const std::vector<Case> cases = {
        {ChipType::Pic16F877A, false, {"cmd2 1234", "cmd24", "W2000", "cmd23"}},
        {ChipType::Pic16F877, false, {"cmd2 1234", "cmd24", "W5000"}},
        {ChipType::Pic16F877A, true,
         Concat({{"cmd0 1234", "W10000"}, Repeat("cmd6", 7), {"cmd8", "W10000"}})},
        {ChipType::Pic16F877, true, Concat({{"cmd0 1234"}, Repeat("cmd6", 7), {"cmd24", "W9000"}})},
    };
    for (const Case& c : cases) {
        trace.Clear();
        host.chip = c.chip;
        if (c.configMode) {
            programmer.WriteConfigurationWord(0x12, 0x34);
        } else {
            programmer.WriteProgramWord(0x12, 0x34);
        }
        EXPECT_EQ(Decoded(), c.expected);
    }
}

TEST_F(ProgrammerTrace, MinimumDurationsAreTheSumOfTheWaits) {
    struct Case {
        const char* name;
        ChipType chip;
        std::function<void(ClassicProgrammer&)> action;
        std::uint64_t micros;
    };
    const std::vector<Case> cases = {
        {"command", ChipType::Pic16F877A,
         [](ClassicProgrammer& p) { p.SerialWire().ShiftCommand(6, 0, false); }, 1140},
        {"command+data", ChipType::Pic16F877A,
         [](ClassicProgrammer& p) { p.SerialWire().ShiftCommand(2, 0x155, true); }, 4140},
        {"write 877A", ChipType::Pic16F877A, [](ClassicProgrammer& p) { p.WriteProgramWord(1, 2); },
         8420},
        {"write 877", ChipType::Pic16F877, [](ClassicProgrammer& p) { p.WriteProgramWord(1, 2); },
         10280},
        {"erase 877", ChipType::Pic16F877, [](ClassicProgrammer& p) { p.EraseChip(); }, 72810},
        {"erase 877A", ChipType::Pic16F877A, [](ClassicProgrammer& p) { p.EraseChip(); }, 23280},
        {"reset", ChipType::Pic16F877A, [](ClassicProgrammer& p) { p.ResetTarget(); }, 4000},
        {"read", ChipType::Pic16F877, [](ClassicProgrammer& p) { p.ReadAndCompareWord(1, 2); },
         4740},
        {"enter", ChipType::Pic16F877, [](ClassicProgrammer& p) { p.EnterProgramMode(); }, 10000},
        {"leave", ChipType::Pic16F877, [](ClassicProgrammer& p) { p.LeaveProgramMode(); }, 4000},
    };
    for (const Case& c : cases) {
        trace.Clear();
        host.chip = c.chip;
        c.action(programmer);
        EXPECT_EQ(test::SumOfWaits(Entries()), c.micros) << c.name;
    }
}

TEST_F(ProgrammerTrace, ResetTargetUsesFixedValues) {
    programmer.EraseOnly();
    trace.Clear();
    programmer.ResetCpu();
    EXPECT_EQ(Decoded(), (Tokens{"D00", "W2000", "C00", "W2000", "D02"}));
}

}  // namespace
}  // namespace tallis
