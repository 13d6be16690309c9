#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BoardText.h"
#include "app/FtdiTarget.h"
#include "app/OperationFlow.h"
#include "app/SimulatedBitBangDevice.h"
#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "ftdi/BitBangTransport.h"
#include "sim/ChipIds.h"
#include "sim/SimulatedFtdiTarget.h"

namespace tallis {
namespace {

ChipImage SomeOfEverything() {
    ChipImage image;
    for (std::uint16_t a = 0; a < 40; ++a) {
        image.program[a] = static_cast<std::uint16_t>((0x1234U * (a + 1U)) & 0x3FFFU);
    }
    image.program[0x0FFF] = 0x2A55;
    image.ids[0] = 0x0001;
    image.ids[3] = 0x3FF0;
    image.eeprom[0] = 0x5A;
    image.eeprom[0x7F] = 0xA5;
    image.config[0] = 0x3F3A;
    return image;
}

constexpr std::uint16_t kLvpOn = 0x3FBA;  // 0x3F3A with LVP set

struct Rig {
    Rig(const char* chip, const board::FtdiWiring& wiring, const sim::FtdiUsbModel& usbModel,
        const ftdi::BitBangChip& usbChip)
        : device(*FindDevice(chip)),
          target({.device = &device,
                  .deviceId = sim::ChipIdWord(device.name, 1),
                  .wiring = &wiring,
                  .usb = &usbModel}),
          usb(target.Usb()),
          lines(usb, target.Clock(), wiring, usbChip) {}

    const Device& device;
    sim::SimulatedFtdiTarget target;
    SimulatedBitBangDevice usb;
    ftdi::BitBangTransport lines;
};

// Every chip operation over the USB model: the chip takes every wait and
// edge, the read gives back what was written, and the command leaves VPP off
// with every pin an input.
TEST(FtdiSimulation, WritesVerifiesAndReadsWithoutViolations) {
    struct Case {
        const char* chip;
        const board::FtdiWiring* wiring;
        const sim::FtdiUsbModel* usbModel;
        const ftdi::BitBangChip* usbChip;
        const TimingProfile* timing;
        bool readWholeChip;
    };
    const Case cases[] = {
        {"16f877a", &board::kFt232rHighVoltage, &sim::kFt232rUsb, &ftdi::kFt232r, &kFastTiming,
         true},
        {"16f877", &board::kFt232rHighVoltage, &sim::kFt232rUsb, &ftdi::kFt232r, &kFastTiming,
         true},
        {"16f877a", &board::kFt232rHighVoltageSplit, &sim::kFt232hUsb, &ftdi::kFt232h, &kFastTiming,
         true},
        // The classic waits, 60 us a clock phase, make many bytes: no whole-chip read.
        {"16f877", &board::kFt232rHighVoltageSplit, &sim::kFt232rUsb, &ftdi::kFt232r,
         &kClassicTiming, false},
        // Low voltage: no VPP at all, PGM raised before MCLR and dropped after it.
        {"16f877a", &board::kFt232rLowVoltage, &sim::kFt232rUsb, &ftdi::kFt232r, &kFastTiming,
         true},
        {"16f877", &board::kFt232rLowVoltage, &sim::kFt232hUsb, &ftdi::kFt232h, &kFastTiming, true},
    };
    for (const Case& c : cases) {
        ChipImage image = SomeOfEverything();
        if (c.wiring->pgm.connected) {
            image.config[0] = kLvpOn;  // the file keeps the entry that board has
        }
        SCOPED_TRACE(std::string(c.chip) + " " + std::string(c.wiring->name) + " " +
                     std::string(c.usbModel->name));
        Rig rig(c.chip, *c.wiring, *c.usbModel, *c.usbChip);
        ASSERT_TRUE(rig.lines.Start());
        std::vector<DeviceCommandKind> then = {DeviceCommandKind::Verify};
        if (c.readWholeChip) {
            then.push_back(DeviceCommandKind::Read);
        }
        const OperationReport report = RunOperation(rig.lines, {.timing = c.timing},
                                                    {.kind = DeviceCommandKind::WriteAll,
                                                     .asked = &rig.device,
                                                     .file = &image,
                                                     .then = then});
        EXPECT_EQ(report.Outcome(), OperationOutcome::Completed);
        if (c.readWholeChip) {
            EXPECT_EQ(report.result.image.program[0x0FFF], image.program[0x0FFF]);
            EXPECT_EQ(report.result.image.program[7], image.program[7]);
            EXPECT_EQ(report.result.image.eeprom[0x7F], image.eeprom[0x7F]);
        }
        rig.lines.Finish();
        EXPECT_FALSE(rig.target.Board().VppOn());
        EXPECT_EQ(rig.target.Board().Outputs(), 0);
        EXPECT_EQ(rig.target.Chip().Mode(), sim::ChipMode::Running);
        EXPECT_TRUE(rig.target.Violations().Empty()) << rig.target.Violations().Describe();
    }
}

// Over a board without VPP, a file that clears LVP would leave a chip that
// no such board can enter: it is refused before anything is erased unless
// allowed, and once allowed, the chip indeed refuses the next entry.
TEST(FtdiSimulation, RefusesToClearLvpOverABoardWithoutVpp) {
    Rig rig("16f877a", board::kFt232rLowVoltage, sim::kFt232rUsb, ftdi::kFt232r);
    ASSERT_TRUE(rig.lines.Start());
    const ChipImage image = SomeOfEverything();  // LVP clear
    const auto write = [&](bool allow) {
        return RunOperation(rig.lines, {.timing = &kFastTiming},
                            {.kind = DeviceCommandKind::WriteAll,
                             .asked = &rig.device,
                             .file = &image,
                             .write = {.allowLvpOff = allow}});
    };
    const OperationReport refused = write(false);
    EXPECT_EQ(refused.Outcome(), OperationOutcome::LvpOffRefused);
    ASSERT_EQ(refused.result.differences.size(), 1U);
    EXPECT_EQ(refused.result.differences[0].expected, 0x3F3A);
    EXPECT_EQ(rig.target.Chip().Memory().program[0], sim::kErasedWord);
    EXPECT_EQ(rig.target.Chip().Memory().ConfigWord(), 0x3FFF);

    EXPECT_EQ(write(true).Outcome(), OperationOutcome::Completed);
    EXPECT_TRUE(rig.target.Violations().Empty()) << rig.target.Violations().Describe();
    const OperationReport locked =
        RunOperation(rig.lines, {.timing = &kFastTiming}, {.kind = DeviceCommandKind::Identify});
    EXPECT_EQ(locked.Outcome(), OperationOutcome::NoChip);
    EXPECT_EQ(rig.target.Violations().Count(sim::ViolationKind::LowVoltageEntry), 1U);
    rig.lines.Finish();
}

// Every built-in FTDI board, on the simulated chip it was built for: a whole
// PIC16F877A written and verified with the fast profile, no violation, VPP
// off and every pin an input at the end.
TEST(FtdiSimulation, EveryBuiltInBoardWritesAndVerifiesAWholeChip) {
    ChipImage image = SomeOfEverything();
    for (std::uint16_t a = 0; a < 0x2000; ++a) {
        image.program[a] = static_cast<std::uint16_t>((a * 0x2F1BU + 0x155U) & 0x3FFFU);
    }
    const Device& device = *FindDevice("16f877a");
    // LVP stays set, so that the low-voltage boards can enter the chip again.
    image.config[0] = static_cast<std::uint16_t>(*image.config[0] | device.ConfigMask("LVP"));
    for (const board::FtdiWiring& wiring : board::FtdiWirings()) {
        SCOPED_TRACE(std::string(wiring.name));
        std::string problem;
        const std::unique_ptr<FtdiTarget> target =
            MakeSimFtdiTarget({.device = &device, .wiring = &wiring}, problem);
        ASSERT_TRUE(target) << problem;
        ASSERT_EQ(target->Start(), "");
        const OperationReport report = RunOperation(target->Lines(), {.timing = &kFastTiming},
                                                    {.kind = DeviceCommandKind::WriteAll,
                                                     .asked = &device,
                                                     .file = &image,
                                                     .then = {DeviceCommandKind::Verify}});
        EXPECT_EQ(report.Outcome(), OperationOutcome::Completed);
        EXPECT_EQ(target->Finish(), "");
        sim::SimulatedFtdiTarget& simulation = *target->Simulation();
        EXPECT_EQ(simulation.Usb().Model().name, FtdiChipName(wiring));
        EXPECT_FALSE(simulation.Board().VppOn());
        EXPECT_EQ(simulation.Board().Outputs(), 0);
        EXPECT_TRUE(simulation.Violations().Empty()) << simulation.Violations().Describe();
    }
}

// A device that is unplugged, or stops sending samples, ends the command as
// a port error; the chip is out of programming mode with VPP off.
TEST(FtdiSimulation, EndsOnALostDeviceWithVppOff) {
    for (const bool unplug : {true, false}) {
        Rig rig("16f877a", board::kFt232rHighVoltageSplit, sim::kFt232rUsb, ftdi::kFt232r);
        ASSERT_TRUE(rig.lines.Start());
        const ChipImage image = SomeOfEverything();
        // The device goes once the chip has been identified and the write has begun.
        struct FailLater : OperationProgress {
            sim::SimulatedFtdi* usb;
            bool unplug;
            void Report(std::uint32_t done, std::uint32_t, std::uint16_t) override {
                if (done == 3) {
                    unplug ? usb->Unplug() : usb->StopSamples();
                }
            }
            bool CancelRequested() const override { return false; }
        } progress;
        progress.usb = &rig.target.Usb();
        progress.unplug = unplug;
        const OperationReport report = RunOperation(
            rig.lines, {.timing = &kFastTiming, .progress = &progress},
            {.kind = DeviceCommandKind::WriteAll, .asked = &rig.device, .file = &image});
        EXPECT_EQ(report.Outcome(), OperationOutcome::PortError) << unplug;
        rig.lines.Finish();
        EXPECT_FALSE(rig.target.Board().VppOn());
        EXPECT_NE(rig.target.Chip().Mode(), sim::ChipMode::Programming);
        EXPECT_EQ(rig.target.Board().Outputs(), 0);
    }
}

}  // namespace
}  // namespace tallis
