// The fast timing profile against the strict simulated chip, at a real
// port's 1 us per access, in virtual time: right contents, no violation, and
// every wait no shorter than its margin over what the chip itself enforces.
#include <gtest/gtest.h>

#include <string>

#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "sim/SimulatedDevice.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

// HS, watchdog off, no code or data protection on the device's row.
std::uint16_t ConfigFor(const Device& device) {
    return static_cast<std::uint16_t>(0x3F3A | device.ConfigMask("CP") | device.ConfigMask("CPD"));
}

// Every program word holds data.
ChipImage FullImage(const Device& device) {
    ChipImage image;
    for (std::uint32_t a = 0; a < device.programWords; ++a) {
        image.program[a] = static_cast<std::uint16_t>((a * 2654435761U >> 9) & 0x3FFE);
    }
    image.config[0] = ConfigFor(device);
    return image;
}

// 40 words in scattered rows, a row's last word alone, IDs, EEPROM bytes.
ChipImage SparseImage(const Device& device) {
    ChipImage image;
    for (std::uint16_t a = 0; a < 40; ++a) {
        const auto address = static_cast<std::uint16_t>((a / 8) * 0x300 + a % 8 + (a / 8) % 2);
        image.program[address] = static_cast<std::uint16_t>(0x0100 + a * 0x55);
    }
    image.program[device.programWords - 1] = 0x2ABC;
    image.ids = {0x0001, 0x0002, 0x0003, 0x0004};
    image.eeprom[0] = 0x12;
    image.eeprom[device.eepromBytes - 1] = 0x34;
    image.config[0] = ConfigFor(device);
    return image;
}

// The simulated chip for one device on a board, and the fast write to it
// as tallis-cli --fast does it: line check, then the session.
struct FastTarget {
    FastTarget(const Device& part, sim::BoardTiming board,
               std::uint64_t accessNs = sim::kRealPortAccessNs)
        : device(part), target(Options(part, board, accessNs)) {}

    OperationResult Write(const ChipImage& image, const TimingProfile& timing = kFastTiming) {
        lines = CheckLines(wire);
        EXPECT_EQ(lines.fault, LineFault::None);
        ProgrammingSession session(wire, timing, nullptr, lines);
        return tallis::Write(session, device, image);
    }

    void ExpectHolds(const ChipImage& image) {
        const sim::ChipMemory& memory = target.Chip().Memory();
        for (std::uint16_t a = 0; a < device.programWords; ++a) {
            ASSERT_EQ(memory.program[a], image.program[a].value_or(0x3FFF)) << a;
        }
        for (std::uint16_t a = 0; a < device.eepromBytes; ++a) {
            ASSERT_EQ(memory.eeprom[a], image.eeprom[a].value_or(0xFF)) << a;
        }
        EXPECT_EQ(memory.ConfigWord() & device.configImplemented,
                  ConfigFor(device) & device.configImplemented);
    }

    void ExpectClean() {
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        EXPECT_TRUE(target.Violations().Hazards().empty()) << target.Violations().Describe();
    }

    static sim::TargetOptions Options(const Device& part, sim::BoardTiming board,
                                      std::uint64_t accessNs) {
        sim::TargetOptions options = sim::TargetOptionsFor(part);
        options.portAccessCostNs = accessNs;
        options.board = board;
        return options;
    }

    const Device& device;
    sim::SimulatedTarget target;
    ParallelPortTransport wire{target.Port(), target.Clock()};
    LineCheckResult lines;
};

// The boards the fast profile must allow for: RB7 and VPP switching at once,
// RB7 rising in 5 us and VPP in 50 us, and VPP rising in 200 us.
struct NamedBoard {
    const char* name;
    sim::BoardTiming timing;
};
constexpr NamedBoard kIdealBoard{"", {}};
constexpr NamedBoard kSlowBoard{"SlowBoard", sim::BoardTiming::Slow()};
constexpr NamedBoard kSlowVppBoard{"SlowVppBoard", sim::BoardTiming::SlowVpp()};

struct ImageCase {
    const char* device;
    bool full;
    NamedBoard board;
};

class FastWrite : public ::testing::TestWithParam<ImageCase> {};

TEST_P(FastWrite, GivesTheRightChipWithoutAViolation) {
    const ImageCase& c = GetParam();
    const Device& device = *FindDevice(c.device);
    const ChipImage image = c.full ? FullImage(device) : SparseImage(device);
    FastTarget chip(device, c.board.timing);
    const OperationResult result = chip.Write(image);
    EXPECT_EQ(result.outcome, OperationOutcome::Completed);
    EXPECT_TRUE(result.retried.empty());
    chip.ExpectHolds(image);
    chip.ExpectClean();
}

INSTANTIATE_TEST_SUITE_P(
    Images, FastWrite,
    ::testing::Values(
        ImageCase{"16f877a", true, kIdealBoard}, ImageCase{"16f877a", false, kIdealBoard},
        ImageCase{"16f877", true, kIdealBoard}, ImageCase{"16f877", false, kIdealBoard},
        ImageCase{"16f877a", true, kSlowBoard}, ImageCase{"16f877", false, kSlowBoard},
        ImageCase{"16f873a", false, kSlowBoard}, ImageCase{"16f877a", false, kSlowVppBoard},
        ImageCase{"16f877", false, kSlowVppBoard}, ImageCase{"16f887", true, kIdealBoard},
        ImageCase{"16f883", true, kIdealBoard}, ImageCase{"16f882", false, kSlowBoard},
        ImageCase{"16f886", false, kSlowVppBoard}, ImageCase{"16f648a", true, kIdealBoard},
        ImageCase{"16f627a", false, kSlowBoard}, ImageCase{"16f84a", true, kSlowVppBoard},
        ImageCase{"16f88", true, kSlowBoard}, ImageCase{"16f87", false, kSlowVppBoard}),
    [](const auto& info) {
        return std::string(info.param.device + 3) + (info.param.full ? "Full" : "Sparse") +
               info.param.board.name;
    });

// A port much faster than 1 us per access (a PCI card, a bridge) leaves every
// setup, hold and gap, and the chip's delay in putting a read bit on RB7, to
// the profile's own waits: each operation must still satisfy the chip with
// port accesses that take no time at all, on a board whose RB7 rises at once
// too.
TEST(FastAtAnyPortSpeed, EveryOperationSatisfiesTheChipWithInstantPortAccesses) {
    using Operation = OperationOutcome (*)(ProgrammingSession&, const Device&, const ChipImage&);
    const struct {
        const char* name;
        Operation run;
    } operations[] = {
        {"blank check", [](ProgrammingSession& s, const Device& d,
                           const ChipImage&) { return BlankCheck(s, d).outcome; }},
        {"write", [](ProgrammingSession& s, const Device& d,
                     const ChipImage& i) { return Write(s, d, i).outcome; }},
        {"verify", [](ProgrammingSession& s, const Device& d,
                      const ChipImage& i) { return Verify(s, d, i).outcome; }},
        {"read", [](ProgrammingSession& s, const Device& d,
                    const ChipImage&) { return Read(s, d).outcome; }},
        {"identify", [](ProgrammingSession& s, const Device& d,
                        const ChipImage&) { return Identify(s, &d).outcome; }},
    };
    for (const char* name : {"16f877a", "16f877", "16f887"}) {
        const Device& device = *FindDevice(name);
        const ChipImage image = SparseImage(device);
        for (const NamedBoard& board : {kIdealBoard, kSlowBoard, kSlowVppBoard}) {
            for (std::uint64_t accessNs : {0, 50}) {
                FastTarget chip(device, board.timing, accessNs);
                for (const auto& operation : operations) {
                    SCOPED_TRACE(std::string(name) + " " + operation.name + " at " +
                                 std::to_string(accessNs) + " ns on " + board.name);
                    chip.lines = CheckLines(chip.wire);
                    ProgrammingSession session(chip.wire, kFastTiming, nullptr, chip.lines);
                    EXPECT_EQ(operation.run(session, device, image), OperationOutcome::Completed);
                }
                chip.ExpectClean();
            }
        }
    }
}

// Each wait cut back by its margin must still satisfy the chip: then the wait
// is at least the margin times the minimum the simulated chip holds the host
// to. A wire wait is cut alone; a family's cycles are cut by setting the
// profile's margin for their kind to 1, which leaves each family's own minimums.
struct MarginCase {
    const char* name;
    void (*cut)(TimingProfile&);
};

class FastWaits : public ::testing::TestWithParam<MarginCase> {};

TEST_P(FastWaits, StillSatisfyTheChipWithoutTheirMargin) {
    const MarginCase& c = GetParam();
    for (const char* name :
         {"16f877a", "16f877", "16f887", "16f884", "16f628a", "16f84a", "16f88"}) {
        SCOPED_TRACE(name);
        const Device& device = *FindDevice(name);
        FastTarget chip(device, sim::BoardTiming::Slow());
        TimingProfile cut = kFastTiming;
        c.cut(cut);
        const OperationResult result = chip.Write(SparseImage(device), cut);
        EXPECT_EQ(result.outcome, OperationOutcome::Completed);
        EXPECT_TRUE(result.retried.empty());
        chip.ExpectClean();
    }
}

std::uint32_t WithoutExternalMargin(std::uint32_t us) {
    return static_cast<std::uint32_t>(us / kExternalTimingMargin);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, FastWaits,
    ::testing::Values(
        MarginCase{"FrameGap",
                   [](TimingProfile& t) { t.frameGapUs = WithoutExternalMargin(t.frameGapUs); }},
        MarginCase{"HoldAfterVpp",
                   [](TimingProfile& t) { t.lineUs = WithoutExternalMargin(t.lineUs); }},
        MarginCase{"ExternallyTimedCycles", [](TimingProfile& t) { t.externalMargin = 1; }},
        MarginCase{"InternallyTimedCycles", [](TimingProfile& t) { t.internalMargin = 1; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FastWaits, TheDataLineSettleStillSatisfiesTheChipWithoutItsMargin) {
    const Device& device = *FindDevice("16f877a");
    FastTarget chip(device, sim::BoardTiming::Slow());
    chip.lines = CheckLines(chip.wire);
    ASSERT_EQ(chip.lines.fault, LineFault::None);
    ASSERT_GT(chip.lines.settleUs, 0U);
    LineCheckResult withoutMargin = chip.lines;
    withoutMargin.settleUs =
        static_cast<std::uint32_t>(chip.lines.settleUs / kExternalTimingMargin);
    ProgrammingSession session(chip.wire, kFastTiming, nullptr, withoutMargin);
    const ChipImage image = SparseImage(device);
    EXPECT_EQ(Write(session, device, image).outcome, OperationOutcome::Completed);
    chip.ExpectClean();
}

TEST(LineCheck, FindsNoBoardAStuckLineAndASlowLineBeforeAnyCommand) {
    struct Case {
        const char* name;
        sim::BoardFault fault;
        sim::BoardTiming board;
        LineFault expected;
    };
    const Case cases[] = {
        {"ideal", sim::BoardFault::None, {}, LineFault::None},
        {"slow", sim::BoardFault::None, sim::BoardTiming::Slow(), LineFault::None},
        {"no board", sim::BoardFault::NoTarget, {}, LineFault::NotHeldLow},
        {"stuck low", sim::BoardFault::DataStuckLow, {}, LineFault::StuckLow},
        {"weak pull-up", sim::BoardFault::None, {.rb7RiseNs = 300000}, LineFault::RisesTooSlowly},
    };
    const Device& device = *FindDevice("16f877a");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FastTarget chip(device, c.board);
        chip.target.SetBoardFault(c.fault);
        const LineCheckResult lines = CheckLines(chip.wire);
        EXPECT_EQ(lines.fault, c.expected);
        EXPECT_GE(lines.riseUs * 1000, c.expected == LineFault::None ? c.board.rb7RiseNs : 0);
        EXPECT_EQ(chip.target.Chip().ProgramModeEntries(), 0U);
        for (std::uint8_t code = 0; code < 64; ++code) {
            EXPECT_EQ(chip.target.Chip().CommandCount(code), 0U) << int{code};
        }
    }
}

TEST(FastRetry, AWordThatWillNotProgramIsRetriedThenReported) {
    for (const char* name : {"16f877a", "16f877"}) {
        SCOPED_TRACE(name);
        const Device& device = *FindDevice(name);
        FastTarget chip(device, {});
        chip.target.SetUnprogrammableWord(0x0301);
        const ChipImage image = SparseImage(device);
        const OperationResult result = chip.Write(image);
        EXPECT_EQ(result.outcome, OperationOutcome::WriteFailed);
        const Difference wrong{MemorySpace::Program, 0x0301, *image.program[0x0301], 0x3FFF};
        EXPECT_EQ(result.retried, std::vector<Difference>{wrong});
        EXPECT_EQ(result.differences, std::vector<Difference>{wrong});
    }
}

TEST(FastRetry, ARowCutShortIsWrittenAgainWithTheStandardWaits) {
    const Device& device = *FindDevice("16f877a");
    FastTarget chip(device, {});
    TimingProfile tooShort = kFastTiming;
    tooShort.externalMargin = 0.5;  // the 87xA's row cycle ends at half its minimum
    const ChipImage image = SparseImage(device);
    const OperationResult result = chip.Write(image, tooShort);
    EXPECT_EQ(result.outcome, OperationOutcome::Completed);
    EXPECT_FALSE(result.retried.empty());
    chip.ExpectHolds(image);
}

}  // namespace
}  // namespace tallis
