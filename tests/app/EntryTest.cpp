// The entries besides VPP on a powered chip, through the simulated parallel
// board: low-voltage programming on a board with a PGM line, and VPP before
// VDD for the families that need it on a board that switches VDD. Each
// command leaves VPP off and the chip out of programming mode, and the
// simulated chip sees no violation.
#include <gtest/gtest.h>

#include <string>

#include "app/OperationFlow.h"
#include "board/BoardWiring.h"
#include "device/Device.h"
#include "sim/SimulatedDevice.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

// TALLIS's own board and a board that switches VDD, each with PGM (and the
// latter with a run line, which low-voltage entry needs to take MCLR to
// VDD) on pins they leave free.
constexpr board::BoardWiring WithPgm(board::BoardWiring row, const char* pin,
                                     const char* run = nullptr) {
    row.pgm = board::Pin(pin);
    if (run != nullptr) {
        row.run = board::Pin(run);
    }
    return row;
}
constexpr board::BoardWiring kDefaultWithPgm = WithPgm(board::kDefaultBoard, "4");

const board::BoardWiring& Board(const char* name) {
    return *board::FindBoard(name);
}

ChipImage Image(std::uint16_t config) {
    ChipImage image;
    for (std::uint16_t a = 0; a < 24; ++a) {
        image.program[a] = static_cast<std::uint16_t>((0x0741U * (a + 3U)) & 0x3FFFU);
    }
    image.program[0x7FF] = 0x2ABC;
    image.ids[1] = 0x0005;
    image.eeprom[3] = 0x6C;
    image.config[0] = config;
    return image;
}

struct Rig {
    Rig(const char* chip, const board::BoardWiring& wiring)
        : device(*FindDevice(chip)),
          target([&] {
              sim::TargetOptions options = sim::TargetOptionsFor(device);
              options.portAccessCostNs = sim::kRealPortAccessNs;
              options.wiring = &wiring;
              return options;
          }()),
          lines(target.Port(), target.Clock(), wiring) {}

    // Runs one command; afterwards VPP is off and the chip out of programming
    // mode (PGM low again: it stays in low-voltage programming otherwise).
    OperationReport Run(const OperationRequest& request, const TimingProfile& timing) {
        OperationReport report = RunOperation(lines, {.timing = &timing}, request);
        EXPECT_FALSE(target.Board().VppOn());
        EXPECT_NE(target.Chip().Mode(), sim::ChipMode::Programming);
        return report;
    }

    const Device& device;
    sim::SimulatedTarget target;
    ParallelPortTransport lines;
};

// Write, verify and read by low voltage, never with VPP, on every family
// with an LVP bit; the chip's LVP stays set.
TEST(Entry, LowVoltageWritesVerifiesAndReads) {
    const struct {
        const char* chip;
        std::uint16_t config;
    } chips[] = {{"16f877a", 0x3FBA}, {"16f877", 0x3FBA}, {"16f887", 0x3FFA}, {"16f628a", 0x3FB2}};
    const board::BoardWiring kTaitWithPgm = WithPgm(Board("tait-classic"), "9", "6");
    for (const auto& c : chips) {
        for (const board::BoardWiring* wiring : {&kDefaultWithPgm, &kTaitWithPgm}) {
            for (const TimingProfile* timing : {&kClassicTiming, &kFastTiming}) {
                SCOPED_TRACE(std::string(c.chip) + " on " + std::string(wiring->name) +
                             (timing == &kFastTiming ? " fast" : " classic"));
                Rig rig(c.chip, *wiring);
                rig.lines.UseLowVoltageEntry(true);
                const ChipImage image = Image(c.config);
                const OperationReport written = rig.Run({.kind = DeviceCommandKind::WriteAll,
                                                         .asked = &rig.device,
                                                         .file = &image,
                                                         .then = {DeviceCommandKind::Verify}},
                                                        *timing);
                EXPECT_EQ(written.Outcome(), OperationOutcome::Completed);
                const OperationReport read = rig.Run({.kind = DeviceCommandKind::Read}, *timing);
                ASSERT_EQ(read.Outcome(), OperationOutcome::Completed);
                EXPECT_EQ(read.result.image.program[0x7FF], 0x2ABC);
                EXPECT_EQ(read.result.image.eeprom[3], 0x6C);
                EXPECT_TRUE(rig.target.Violations().Empty()) << rig.target.Violations().Describe();
            }
        }
    }
}

// The same board without --lvp enters with VPP and holds PGM low, as a chip
// with LVP set needs.
TEST(Entry, HighVoltageOnABoardWithPgmHoldsItLow) {
    Rig rig("16f877a", kDefaultWithPgm);
    const ChipImage image = Image(0x3FBA);
    EXPECT_EQ(rig.Run({.kind = DeviceCommandKind::WriteAll, .asked = &rig.device, .file = &image},
                      kFastTiming)
                  .Outcome(),
              OperationOutcome::Completed);
    EXPECT_TRUE(rig.target.Violations().Empty()) << rig.target.Violations().Describe();
}

// A 628A or 887 on its internal oscillator with MCLR as an input: a board
// that switches VDD enters with VPP first, asked for the chip or finding it,
// and so reads it; VDD first (all a board without a VDD line can do, and
// what every board did before) lets it run and no chip answers.
TEST(Entry, VppBeforeVddWhereTheBoardSwitchesVdd) {
    const struct {
        const char* chip;
        std::uint16_t config;
    } chips[] = {{"16f628a", 0x3F50}, {"16f887", 0x3FD4}};
    for (const auto& c : chips) {
        for (const bool asked : {true, false}) {
            SCOPED_TRACE(std::string(c.chip) + (asked ? " asked" : " auto"));
            Rig rig(c.chip, Board("tait-classic"));
            sim::ChipMemory memory = rig.target.Chip().Memory();
            memory.program[5] = 0x0123;
            memory.ConfigWord() = c.config;
            rig.target.Chip().LoadMemory(memory);
            const OperationReport read =
                rig.Run({.kind = DeviceCommandKind::Read, .asked = asked ? &rig.device : nullptr},
                        kFastTiming);
            ASSERT_EQ(read.Outcome(), OperationOutcome::Completed);
            EXPECT_EQ(read.result.image.program[5], 0x0123);
            // Looking for any chip, the first entry is VDD first, which it refuses.
            EXPECT_EQ(rig.target.Violations().Total(), asked ? 0U : 1U)
                << rig.target.Violations().Describe();
        }
        Rig vddFirst(c.chip, board::kDefaultBoard);
        sim::ChipMemory memory = vddFirst.target.Chip().Memory();
        memory.ConfigWord() = c.config;
        vddFirst.target.Chip().LoadMemory(memory);
        EXPECT_EQ(
            vddFirst
                .Run({.kind = DeviceCommandKind::Identify, .asked = &vddFirst.device}, kFastTiming)
                .Outcome(),
            OperationOutcome::NoChip);
        EXPECT_GE(vddFirst.target.Violations().Count(sim::ViolationKind::VppEntry), 1U)
            << vddFirst.target.Violations().Describe();
    }
}

}  // namespace
}  // namespace tallis
