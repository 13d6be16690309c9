// How the simulated chip takes entries other than VPP on a powered chip:
// low-voltage entry through PGM (and its refusal with LVP clear), the order
// of PGM and MCLR on the way out, and VPP before VDD for a chip that runs
// without MCLR. The chip is driven pin by pin, without a board.
#include <gtest/gtest.h>

#include "device/Device.h"
#include "sim/PicChip.h"
#include "sim/VirtualClock.h"

namespace tallis::sim {
namespace {

constexpr std::uint64_t kUs = 1000;

struct Pins {
    explicit Pins(const char* device, std::uint16_t config, ChipSettings settings = {})
        : chip(*FindDevice(device), clock, log, 0, settings) {
        ChipMemory memory = chip.Memory();
        memory.ConfigWord() = config;
        chip.LoadMemory(memory);
        Set(MclrLevel::Low);
    }
    void Set(MclrLevel mclr, bool rb6 = false) {
        clock.AdvanceNs(10 * kUs);
        chip.UpdatePins(mclr, rb6, false, clock.NowNs());
    }
    void Pgm(bool high) {
        clock.AdvanceNs(10 * kUs);
        chip.UpdatePgm(high, clock.NowNs());
    }
    void Supply(bool on, MclrLevel mclr) {
        clock.AdvanceNs(10 * kUs);
        chip.SupplyChanged(on, clock.NowNs());
        chip.UpdatePins(on ? mclr : MclrLevel::Low, false, false, clock.NowNs());
    }
    // PGM up, then MCLR from low to VDD, as the documents' low-voltage entry.
    void EnterLowVoltage() {
        Pgm(true);
        Set(MclrLevel::High);
    }

    VirtualClock clock;
    ViolationLog log;
    PicChip chip;
};

// With LVP set, PGM then MCLR enters on every family that has the bit; with
// it clear (or on the 84A, which has no PGM) the chip just runs. The old
// model took every MCLR rise without VPP as a release from reset.
TEST(ChipEntry, PgmEntersOnlyWhereTheLvpBitIsSet) {
    const struct {
        const char* device;
        std::uint16_t config;
        bool enters;
        std::size_t violations;
    } cases[] = {
        {"16f877a", 0x3FFF, true, 0}, {"16f877a", 0x3F7F, false, 1}, {"16f877", 0x3FFF, true, 0},
        {"16f877", 0x3F7F, false, 1}, {"16f887", 0x3FFF, true, 0},   {"16f887", 0x2FFF, false, 1},
        {"16f628a", 0x3FFF, true, 0}, {"16f628a", 0x3F7F, false, 1}, {"16f84a", 0x3FFF, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << " config " << std::hex << c.config);
        Pins pins(c.device, c.config);
        pins.EnterLowVoltage();
        EXPECT_EQ(pins.chip.Mode(), c.enters ? ChipMode::Programming : ChipMode::Running);
        EXPECT_EQ(pins.chip.LowVoltageMode(), c.enters);
        EXPECT_EQ(pins.log.Count(ViolationKind::LowVoltageEntry), c.violations);
    }
}

TEST(ChipEntry, LowVoltageEntryNeedsPgmHeldAndTheLinesLow) {
    Pins early("16f877a", 0x3FFF);
    early.Pgm(true);
    early.chip.UpdatePins(MclrLevel::High, false, false, early.clock.NowNs() + 2 * kUs);
    EXPECT_NE(early.chip.Mode(), ChipMode::Programming);
    EXPECT_EQ(early.log.Count(ViolationKind::LowVoltageEntry), 1U);

    Pins clockHigh("16f877a", 0x3FFF);
    clockHigh.Set(MclrLevel::Low, true);
    clockHigh.EnterLowVoltage();
    EXPECT_NE(clockHigh.chip.Mode(), ChipMode::Programming);
    EXPECT_EQ(clockHigh.log.Count(ViolationKind::LowVoltageEntry), 1U);
}

// MCLR low before PGM leaves quietly; PGM first lets the chip run its
// program while the host still holds its pins.
TEST(ChipEntry, LowVoltageExitTakesMclrDownFirst) {
    Pins right("16f877a", 0x3FFF);
    right.EnterLowVoltage();
    right.Set(MclrLevel::Low);
    right.Pgm(false);
    EXPECT_TRUE(right.log.Empty()) << right.log.Describe();
    EXPECT_EQ(right.chip.ResetReleases(), 0U);

    Pins wrong("16f877a", 0x3FFF);
    wrong.EnterLowVoltage();
    wrong.Pgm(false);
    EXPECT_EQ(wrong.chip.Mode(), ChipMode::Running);
    EXPECT_EQ(wrong.log.Count(ViolationKind::LowVoltageEntry), 1U);
}

// With LVP set, PGM must stay low through high-voltage programming.
TEST(ChipEntry, PgmHighOrMovingDuringHighVoltageProgrammingIsJudged) {
    Pins atEntry("16f877a", 0x3FFF);
    atEntry.Pgm(true);
    atEntry.Set(MclrLevel::Vpp);
    EXPECT_EQ(atEntry.log.Count(ViolationKind::LowVoltageEntry), 1U);

    Pins during("16f877a", 0x3FFF);
    during.Set(MclrLevel::Vpp);
    during.Pgm(true);
    EXPECT_EQ(during.log.Count(ViolationKind::LowVoltageEntry), 1U);

    Pins lvpOff("16f877a", 0x3F7F);
    lvpOff.Set(MclrLevel::Vpp);
    lvpOff.Pgm(true);
    EXPECT_TRUE(lvpOff.log.Empty()) << lvpOff.log.Describe();
}

// A 62xA or 88x on its internal oscillator with MCLR as an input runs from
// VDD on: VPP after VDD is refused (or, under the lenient reading, enters
// with a hazard); VPP before VDD always enters. Other configurations take
// either order. The old model had no supply and entered every time.
TEST(ChipEntry, VppAfterVddIsRefusedOnlyForAChipThatRunsWithoutMclr) {
    const struct {
        const char* device;
        std::uint16_t config;
        bool runsWithoutMclr;
    } cases[] = {
        {"16f628a", 0x3F10, true},  {"16f628a", 0x3F11, true},  {"16f628a", 0x3F30, false},
        {"16f628a", 0x3F12, false}, {"16f887", 0x3FD4, true},   {"16f887", 0x3FF4, false},
        {"16f887", 0x3FD2, false},  {"16f877a", 0x3F7C, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << " config " << std::hex << c.config);
        for (const VppAfterRun reading : {VppAfterRun::Refused, VppAfterRun::Enters}) {
            Pins vddFirst(c.device, c.config, {.vppAfterRun = reading});
            vddFirst.Supply(false, MclrLevel::Low);
            vddFirst.Supply(true, MclrLevel::Low);
            vddFirst.Set(MclrLevel::Vpp);
            const bool refused = c.runsWithoutMclr && reading == VppAfterRun::Refused;
            EXPECT_EQ(vddFirst.chip.Mode(),
                      refused ? ChipMode::VppRejected : ChipMode::Programming);
            EXPECT_EQ(vddFirst.log.Count(ViolationKind::VppEntry), refused ? 1U : 0U);
            EXPECT_EQ(vddFirst.log.HazardCount(HazardKind::EntryFromRunningChip),
                      c.runsWithoutMclr && !refused ? 1U : 0U);

            Pins vppFirst(c.device, c.config, {.vppAfterRun = reading});
            vppFirst.Supply(false, MclrLevel::Low);
            vppFirst.Supply(true, MclrLevel::Vpp);
            EXPECT_EQ(vppFirst.chip.Mode(), ChipMode::Programming);
            EXPECT_TRUE(vppFirst.log.Empty()) << vppFirst.log.Describe();
        }
    }
}

}  // namespace
}  // namespace tallis::sim
