// The chip operations against the simulated chip standing in for each
// device, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "classic/ClassicProgrammer.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/ChipType.h"
#include "engine/families/ChipFamily.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"
#include "sim/SimulatedDevice.h"
#include "tests/engine/EngineFakes.h"
#include "tests/engine/ProtocolDecoder.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

constexpr std::uint16_t kHsNoWatchdog = 0x3F3A;  // HS, watchdog off on the 87x and 87xA
constexpr std::uint8_t kEraseCommands[] = {1, 7, 8, 9, 11, 31};

// A configuration with no code or data protection on the device's row.
std::uint16_t SampleConfig(const Device& device) {
    return static_cast<std::uint16_t>(kHsNoWatchdog | device.ConfigMask("CP") |
                                      device.ConfigMask("CPD"));
}

// The sample configuration with every code-protection field of the row at 0:
// all of program memory and the data EEPROM hidden.
std::uint16_t FullyProtected(const Device& device) {
    return static_cast<std::uint16_t>(SampleConfig(device) & ~device.ConfigMask("CP") &
                                      ~device.ConfigMask("CPD"));
}

bool HasRegion(const Device& device, RegionKind kind) {
    return FindRegion(device.regions, kind) != nullptr;
}

// Program words in a full row, a row with one word and the device's last
// word; every ID, the debug vector where there is one, EEPROM bytes at both
// ends, the configuration word.
ChipImage SampleImage(const Device& device) {
    ChipImage image;
    for (std::uint16_t a = 0; a < 10; ++a) {
        image.program[a] = static_cast<std::uint16_t>(0x2800 + a * 0x111);
    }
    image.program[0x0103] = 0x0000;
    image.program[device.WritableProgramWords() - 1] = 0x1234;
    image.ids = {0x0001, 0x0002, 0x0003, 0x3FF4};
    if (HasRegion(device, RegionKind::DebugVector)) {
        image.debugVector = 0x2ABC;
    }
    image.eeprom[0] = 0x12;
    image.eeprom[1] = 0x00;
    image.eeprom[device.eepromBytes - 1] = 0x56;
    image.config[0] = SampleConfig(device);
    return image;
}

// A port that the system stops serving after a number of accesses, as a
// ppdev device does when the port is taken away: failures are counted and
// nothing gets through.
class FailingPort : public PortIo {
  public:
    FailingPort(PortIo& inner, std::uint64_t goodAccesses) : inner_(inner), left_(goodAccesses) {}
    void WriteByte(std::uint16_t port, std::uint8_t value) override {
        if (Serve()) {
            inner_.WriteByte(port, value);
        }
    }
    std::uint8_t ReadByte(std::uint16_t port) override {
        return Serve() ? inner_.ReadByte(port) : 0xFF;
    }
    std::uint64_t FailedAccesses() const override { return failed_; }

  private:
    bool Serve() {
        if (left_ == 0) {
            ++failed_;
            return false;
        }
        --left_;
        return true;
    }
    PortIo& inner_;
    std::uint64_t left_;
    std::uint64_t failed_ = 0;
};

class CancelAfter : public OperationProgress {
  public:
    explicit CancelAfter(std::uint32_t steps) : steps_(steps) {}
    void Report(std::uint32_t, std::uint32_t, std::uint16_t) override { ++reports_; }
    bool CancelRequested() const override { return reports_ >= steps_; }

  private:
    std::uint32_t steps_;
    std::uint32_t reports_ = 0;
};

// The simulated chip standing in for one device, and a wire to it.
class OnDevice {
  public:
    explicit OnDevice(const Device& device, std::uint16_t revision = 1)
        : OnDevice(device, sim::TargetOptionsFor(device, revision)) {}
    OnDevice(const Device& device, const sim::TargetOptions& options)
        : device(device), target(options) {}

    template <typename Operation>
    auto Run(Operation operation, OperationProgress* progress = nullptr) {
        ProgrammingSession session(wire, kClassicTiming, progress);
        return operation(session);
    }
    OperationResult WriteImage(const ChipImage& image) {
        return Run([&](ProgrammingSession& s) { return Write(s, device, image); });
    }
    std::uint64_t EraseCommandsSent() {
        std::uint64_t count = 0;
        for (std::uint8_t code : kEraseCommands) {
            count += target.Chip().CommandCount(code);
        }
        return count;
    }
    void ExpectLeftSafely() {
        EXPECT_NE(target.Chip().Mode(), sim::ChipMode::Programming);
        EXPECT_FALSE(target.Board().VppOn());
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
        EXPECT_TRUE(target.Violations().Hazards().empty()) << target.Violations().Describe();
    }

    const Device& device;
    sim::SimulatedTarget target;
    ParallelPortTransport wire{target.Port(), target.Clock()};
};

std::string DeviceName(const ::testing::TestParamInfo<const Device*>& info) {
    return std::string(info.param->option);
}

std::vector<const Device*> AllDevices() {
    std::vector<const Device*> devices;
    for (const Device& device : Devices()) {
        devices.push_back(&device);
    }
    return devices;
}

class ChipOperationsOnEveryDevice : public ::testing::TestWithParam<const Device*> {
  protected:
    const Device& device = *GetParam();
    OnDevice chip{device};
};

TEST_P(ChipOperationsOnEveryDevice, WriteThenReadGivesTheImageBackAndBlankCheckNamesTheConfig) {
    const ChipImage image = SampleImage(device);
    EXPECT_TRUE(chip.Run([](ProgrammingSession& s) { return BlankCheck(s, *GetParam()); })
                    .differences.empty());
    const OperationResult written = chip.WriteImage(image);
    ASSERT_EQ(written.outcome, OperationOutcome::Completed);

    const ReadResult read = chip.Run([&](ProgrammingSession& s) { return Read(s, device); });
    ASSERT_EQ(read.outcome, OperationOutcome::Completed);
    EXPECT_FALSE(read.ProgramProtected());
    for (std::uint16_t a = 0; a < device.WritableProgramWords(); ++a) {
        ASSERT_EQ(read.image.program[a], image.program[a].value_or(0x3FFF)) << a;
    }
    for (std::uint16_t a = 0; a < device.eepromBytes; ++a) {
        ASSERT_EQ(read.image.eeprom[a], image.eeprom[a].value_or(0xFF)) << a;
    }
    EXPECT_EQ(read.image.ids, image.ids);
    EXPECT_EQ(read.image.debugVector, image.debugVector);
    // The factory-set bits (the 12F675's band-gap) stay the chip's.
    const auto fileBits = device.configImplemented & ~device.configCalibrationBits;
    EXPECT_EQ(*read.image.config[0] & fileBits, SampleConfig(device) & fileBits);
    EXPECT_TRUE(device.Matches(*read.image.deviceId));

    const OperationResult blank =
        chip.Run([&](ProgrammingSession& s) { return BlankCheck(s, device); });
    EXPECT_EQ(blank.outcome, OperationOutcome::NotBlank);
    ASSERT_EQ(blank.differences.size(), 1U);
    EXPECT_EQ(blank.differences[0].address, 0x2007);
    chip.ExpectLeftSafely();
}

TEST_P(ChipOperationsOnEveryDevice, WriteLeavesNothingOfTheOldContents) {
    ASSERT_EQ(chip.WriteImage(SampleImage(device)).outcome, OperationOutcome::Completed);
    ChipImage next;
    next.program[1] = 0x0123;
    ASSERT_EQ(chip.WriteImage(next).outcome, OperationOutcome::Completed);
    const ReadResult read = chip.Run([&](ProgrammingSession& s) { return Read(s, device); });
    for (std::uint16_t a = 0; a < device.WritableProgramWords(); ++a) {
        ASSERT_EQ(read.image.program[a], a == 1 ? 0x0123 : 0x3FFF) << a;
    }
    EXPECT_EQ(read.image.ids,
              (std::array<std::optional<std::uint16_t>, 4>{0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF}));
    EXPECT_EQ(read.image.debugVector, HasRegion(device, RegionKind::DebugVector)
                                          ? std::optional<std::uint16_t>(0x3FFF)
                                          : std::nullopt);
    for (std::uint16_t a = 0; a < device.eepromBytes; ++a) {
        ASSERT_EQ(read.image.eeprom[a], 0xFF) << a;
    }
    chip.ExpectLeftSafely();
}

// The classic commands serve the chips of the 87x and 87xA families only.
std::vector<const Device*> ClassicDevices() {
    std::vector<const Device*> devices = AllDevices();
    std::erase_if(devices, [](const Device* device) {
        return device->family != "87x" && device->family != "87xA";
    });
    return devices;
}

class ClassicEraseOnEveryClassicDevice : public ChipOperationsOnEveryDevice {};

TEST_P(ClassicEraseOnEveryClassicDevice, BlankCheckPassesAfterTheClassicErase) {
    ChipImage image;
    image.program[0] = 0x2805;
    image.config[0] = SampleConfig(device);
    ASSERT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
    test::FixedChipHost classicChoice(ClassicChipOf(device));
    ClassicProgrammer(chip.wire, classicChoice).EraseOnly();
    // The classic 87xA erase keeps its 9 ms chip erase: enough for DS39589B,
    // short of DS39589C, so the chip notes it apart from the operations' own.
    EXPECT_EQ(chip.target.Violations().HazardCount(sim::HazardKind::CycleBelowRevisedMinimum),
              device.family == "87xA" ? 1U : 0U);
    chip.target.Violations().Clear();
    const OperationResult blank =
        chip.Run([&](ProgrammingSession& s) { return BlankCheck(s, device); });
    EXPECT_EQ(blank.outcome, OperationOutcome::Completed) << blank.differences.size();
    chip.ExpectLeftSafely();
}

TEST_P(ChipOperationsOnEveryDevice, VerifyErasesNothingAndNamesTheFirstWrongWord) {
    ChipImage image = SampleImage(device);
    ASSERT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
    const std::uint64_t erasesBefore = chip.EraseCommandsSent();
    auto verify = [&](ProgrammingSession& s) { return Verify(s, device, image); };
    EXPECT_EQ(chip.Run(verify).outcome, OperationOutcome::Completed);

    image.program[5] = 0x0005;
    image.eeprom[1] = 0x99;
    const OperationResult result = chip.Run(verify);
    EXPECT_EQ(result.outcome, OperationOutcome::Differs);
    ASSERT_EQ(result.differences.size(), 2U);
    EXPECT_EQ(result.differences[0], (Difference{MemorySpace::Program, 5, 0x0005, 0x2D55}));
    EXPECT_EQ(result.differences[1], (Difference{MemorySpace::Eeprom, 1, 0x99, 0x00}));
    EXPECT_EQ(chip.EraseCommandsSent(), erasesBefore);
    chip.ExpectLeftSafely();
}

TEST_P(ChipOperationsOnEveryDevice, IdentifyNamesTheDeviceForEveryRevision) {
    const auto lastRevision = static_cast<std::uint16_t>(~device.idMask & 0x3FFF);
    for (std::uint16_t revision : {std::uint16_t{0}, lastRevision}) {
        OnDevice other(device, revision);
        const OperationResult result =
            other.Run([&](ProgrammingSession& s) { return Identify(s, &device); });
        EXPECT_EQ(result.outcome, OperationOutcome::Completed);
        EXPECT_EQ(result.found, &device);
        EXPECT_EQ(device.Revision(result.idWord), revision);
        other.ExpectLeftSafely();
    }
}

TEST_P(ChipOperationsOnEveryDevice, CodeProtectedMemoryIsReportedNotReadAsZerosByReadAndVerify) {
    ChipImage image = SampleImage(device);
    image.config[0] = FullyProtected(device);
    ASSERT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
    const ReadResult read = chip.Run([&](ProgrammingSession& s) { return Read(s, device); });
    EXPECT_EQ(read.outcome, OperationOutcome::Completed);
    EXPECT_EQ(read.protectedFrom, 0);
    EXPECT_EQ(read.protectedTo, device.WritableProgramWords());
    // A device without CPD (the 84A) keeps its EEPROM readable under CP.
    const bool eepromGuarded = device.ConfigMask("CPD") != 0;
    EXPECT_EQ(read.eepromProtected, eepromGuarded);
    EXPECT_FALSE(read.image.program[0].has_value());
    EXPECT_EQ(read.image.eeprom[0].has_value(), !eepromGuarded);
    EXPECT_EQ(read.image.ids, image.ids);
    chip.ExpectLeftSafely();

    image.ids[0] = 0x0007;
    const OperationResult verify =
        chip.Run([&](ProgrammingSession& s) { return Verify(s, device, image); });
    EXPECT_EQ(verify.outcome, OperationOutcome::Differs);
    EXPECT_EQ(verify.differences, (std::vector<Difference>{{MemorySpace::Id, 0x2000, 7, 1}}));
    EXPECT_EQ(verify.protectedTo, device.WritableProgramWords());
    EXPECT_EQ(verify.eepromProtected, eepromGuarded);
    image.ids[0] = 0x0001;
    EXPECT_EQ(chip.Run([&](ProgrammingSession& s) { return Verify(s, device, image); }).outcome,
              OperationOutcome::Protected);
}

TEST_P(ChipOperationsOnEveryDevice, EraseLeavesAProtectedChipBlank) {
    ChipImage image = SampleImage(device);
    image.config[0] = FullyProtected(device);
    ASSERT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
    chip.Run([&](ProgrammingSession& s) {
        FamilyOf(device).Erase(s, device);
        return 0;
    });
    const OperationResult blank =
        chip.Run([&](ProgrammingSession& s) { return BlankCheck(s, device); });
    EXPECT_EQ(blank.outcome, OperationOutcome::Completed) << blank.differences.size();
    chip.ExpectLeftSafely();
}

INSTANTIATE_TEST_SUITE_P(Devices, ChipOperationsOnEveryDevice, ::testing::ValuesIn(AllDevices()),
                         DeviceName);
INSTANTIATE_TEST_SUITE_P(Devices, ClassicEraseOnEveryClassicDevice,
                         ::testing::ValuesIn(ClassicDevices()), DeviceName);

// The 88x's second configuration word is written and compared on its
// implemented bits, and its factory calibration word outlives every write:
// a file that would change it is refused before anything is erased, and
// written only when asked for.
TEST(Family88x, WritesBothConfigurationWordsAndKeepsTheCalibrationWordUnlessAskedFor) {
    for (const char* name : {"16f883", "16f887"}) {
        SCOPED_TRACE(name);
        const Device& device = *FindDevice(name);
        OnDevice chip(device);
        auto calibration = [&] { return chip.target.Chip().Memory().CalibrationWord(); };
        ChipImage image = SampleImage(device);
        image.config[1] = 0x3AFF;  // WRT 01, BOR at 2.1 V
        ASSERT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
        EXPECT_EQ(chip.target.Chip().Memory().ConfigWord2(), 0x3AFF);
        EXPECT_EQ(calibration(), sim::kFactoryCalibration88x);
        image.config[1] = 0x02FF;  // the same on the implemented bits
        EXPECT_EQ(chip.Run([&](ProgrammingSession& s) { return Verify(s, device, image); }).outcome,
                  OperationOutcome::Completed);

        image.calibration[0] = 0x2A55;
        const std::uint64_t erasesBefore = chip.EraseCommandsSent();
        const OperationResult refused = chip.WriteImage(image);
        EXPECT_EQ(refused.outcome, OperationOutcome::CalibrationKept);
        EXPECT_EQ(refused.differences,
                  (std::vector<Difference>{
                      {MemorySpace::Calibration, 0x2009, 0x2A55, sim::kFactoryCalibration88x}}));
        EXPECT_EQ(chip.EraseCommandsSent(), erasesBefore);

        const OperationResult written = chip.Run([&](ProgrammingSession& s) {
            return Write(s, device, image, {.writeCalibration = true});
        });
        EXPECT_EQ(written.outcome, OperationOutcome::Completed);
        EXPECT_EQ(calibration(), 0x2A55);
        EXPECT_EQ(chip.target.Chip().Memory().program[0], 0x2800);
        chip.ExpectLeftSafely();
    }
}

const Device& Pic16F877A() {
    return *FindDevice("16f877a");
}

// The 87x's bulk erase, in every profile: its cycle, then the final 1, 7 and
// 10 ms more before programming mode is left, as the classic erase waits.
TEST(Erase87x, WaitsTenMillisecondsAfterTheFinalSetupCommandsBeforeLeaving) {
    const Device& device = *FindDevice("16f877");
    for (const NamedTimingProfile& profile : kTimingProfiles) {
        SCOPED_TRACE(profile.name);
        test::ScriptedPort port;
        AccessTrace trace;
        RecordingPortIo recordingPort{port, trace};
        RecordingDelayer recordingDelay{trace};
        ParallelPortTransport lines{recordingPort, recordingDelay};
        {
            ProgrammingSession session(lines, *profile.timing);
            FamilyOf(device).Erase(session, device);
        }
        // The fast profile's gaps and setups (a few us) are left out.
        std::vector<std::string> tokens;
        for (const std::string& token : test::DecodeProtocol(trace.Entries())) {
            if (token[0] != 'W' || std::stoul(token.substr(1)) >= 100) {
                tokens.push_back(token);
            }
        }
        const auto erase =
            std::ranges::search(tokens, std::vector<std::string>{"cmd1", "cmd7", "cmd8"});
        ASSERT_FALSE(erase.empty());
        const std::vector<std::string> expected = {"cmd1", "cmd7",   "cmd8", "W10000", "cmd1",
                                                   "cmd7", "W10000", "C01",  "D00"};
        const auto from = erase.begin();
        const auto to = tokens.end() - from > 9 ? from + 9 : tokens.end();
        EXPECT_EQ(std::vector<std::string>(from, to), expected);
    }
}

TEST(Identify, TellsNoChipAStuckDataLineAndAnUnknownId) {
    struct Case {
        std::optional<sim::BoardFault> fault;
        std::uint16_t deviceId;
        OperationOutcome outcome;
    };
    for (const Case& c : {Case{sim::BoardFault::NoTarget, 0, OperationOutcome::NoChip},
                          Case{sim::BoardFault::DataStuckLow, 0, OperationOutcome::DataLineLow},
                          Case{std::nullopt, 0x1234, OperationOutcome::UnknownChip}}) {
        sim::TargetOptions options = sim::TargetOptionsFor(Pic16F877A());
        if (c.deviceId != 0) {
            options.deviceId = c.deviceId;
        }
        OnDevice chip(Pic16F877A(), options);
        if (c.fault) {
            chip.target.SetBoardFault(*c.fault);
        }
        const OperationResult result =
            chip.Run([](ProgrammingSession& s) { return Identify(s, nullptr); });
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.found, nullptr);
    }
}

TEST(Write, AWordThatDoesNotProgramFailsTheWriteAtItsAddress) {
    OnDevice chip(Pic16F877A());
    chip.target.SetUnprogrammableWord(0x0003);
    const OperationResult result = chip.WriteImage(SampleImage(Pic16F877A()));
    EXPECT_EQ(result.outcome, OperationOutcome::WriteFailed);
    ASSERT_FALSE(result.differences.empty());
    EXPECT_EQ(result.differences[0], (Difference{MemorySpace::Program, 3, 0x2B33, 0x3FFF}));
    // The configuration word is written only after everything else verified.
    EXPECT_EQ(chip.target.Chip().Memory().ConfigWord(),
              sim::NormalizeConfigWord(sim::TargetType::Pic16F877A, 0x3FFF));
}

TEST(FirstLocationOutside, NamesTheFirstLocationTheDeviceDoesNotHave) {
    ChipImage beyondProgram;
    beyondProgram.program[0x1000] = 0x0000;
    EXPECT_EQ(FirstLocationOutside(beyondProgram, *FindDevice("16f873a")),
              (Difference{MemorySpace::Program, 0x1000, 0x0000, 0}));
    ChipImage secondConfig = SampleImage(Pic16F877A());
    EXPECT_EQ(FirstLocationOutside(secondConfig, Pic16F877A()), std::nullopt);
    secondConfig.config[1] = 0x3EFF;  // a second configuration word, as at 0x2008 on other families
    EXPECT_EQ(FirstLocationOutside(secondConfig, Pic16F877A()),
              (Difference{MemorySpace::Config, 0x2008, 0x3EFF, 0}));
}

TEST(Write, CancellationStopsBetweenStepsAndLeavesVppOff) {
    OnDevice chip(Pic16F877A());
    CancelAfter cancel(3);
    const OperationResult result = chip.Run(
        [&](ProgrammingSession& s) { return Write(s, Pic16F877A(), SampleImage(Pic16F877A())); },
        &cancel);
    EXPECT_EQ(result.outcome, OperationOutcome::Cancelled);
    chip.ExpectLeftSafely();
}

TEST(Write, APortThatFailsGivesAPortErrorNotAVerifyError) {
    for (std::uint64_t goodAccesses : {50U, 20000U}) {
        OnDevice chip(Pic16F877A());
        FailingPort port(chip.target.Port(), goodAccesses);
        ParallelPortTransport wire(port, chip.target.Clock());
        ProgrammingSession session(wire, kClassicTiming);
        const OperationResult result = Write(session, Pic16F877A(), SampleImage(Pic16F877A()));
        EXPECT_EQ(result.outcome, OperationOutcome::PortError) << goodAccesses;
        EXPECT_GT(result.portFailures, 0U);
    }
}

// Compilers write the configuration word with its unimplemented bits clear;
// the chip reads them back as 1, so write and verify compare only the bits
// the chip has.
TEST(ConfigurationWord, UnimplementedBitsClearInTheFileStillWriteAndVerify) {
    struct Case {
        const char* chip;
        std::uint16_t config;
    };
    const Case cases[] = {
        {"16f877a", 0x2F42},  // bits 12, 5 and 4 clear
        {"16f877", 0x3B72},   // bit 10 clear
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        const Device& device = *FindDevice(c.chip);
        ChipImage image = SampleImage(device);
        image.config[0] = c.config;
        OnDevice chip(device);
        EXPECT_EQ(chip.WriteImage(image).outcome, OperationOutcome::Completed);
        const OperationResult verified =
            chip.Run([&](ProgrammingSession& s) { return Verify(s, device, image); });
        EXPECT_EQ(verified.outcome, OperationOutcome::Completed);
        EXPECT_TRUE(verified.differences.empty());
    }
}

// The 12F629/675's OSCCAL word and band-gap bits, which every bulk erase
// takes: a write or an erase reads them first, hands them over to be kept,
// and puts the chip's back (the file's only when asked for); verify compares
// them only then.
TEST(Family629, WriteAndEraseKeepTheChipsCalibrationUnlessTheFilesIsAskedFor) {
    for (const char* name : {"12f629", "12f675"}) {
        SCOPED_TRACE(name);
        const Device& device = *FindDevice(name);
        OnDevice chip(device);
        const auto oscCal = [&] { return chip.target.Chip().Memory().program[0x3FF]; };
        const auto bandGap = [&] { return chip.target.Chip().Memory().ConfigWord() & 0x3000; };
        const std::uint16_t factoryOscCal = oscCal();
        const auto factoryBandGap = bandGap();
        ASSERT_EQ(factoryOscCal & 0x3C00, 0x3400) << "RETLW from the factory";
        ASSERT_NE(factoryBandGap, 0x3000);
        ChipImage image = SampleImage(device);
        image.program[0x3FF] =
            0x3480;  // a file's placeholder, where a read before the chip puts it
        std::vector<ChipCalibration> kept;
        const WriteOptions keeping{.keepCalibration = [&](const ChipCalibration& calibration) {
            kept.push_back(calibration);
            return true;
        }};
        const auto write = [&](const WriteOptions& options) {
            return chip.Run(
                [&](ProgrammingSession& s) { return Write(s, device, image, options); });
        };
        const auto verify = [&](CalibrationCompared compared) {
            return chip
                .Run([&](ProgrammingSession& s) {
                    return Verify(s, device, image, DifferencesKept::First, compared);
                })
                .outcome;
        };

        const OperationResult written = write(keeping);
        EXPECT_EQ(written.outcome, OperationOutcome::Completed);
        EXPECT_FALSE(written.calibrationLost);
        EXPECT_EQ(oscCal(), factoryOscCal);
        EXPECT_EQ(bandGap(), factoryBandGap);
        ASSERT_EQ(kept.size(), 1U);
        EXPECT_EQ(kept[0].words, (std::vector<ChipCalibration::Word>{{0x3FF, factoryOscCal}}));
        EXPECT_EQ(kept[0].configBits, factoryBandGap);
        EXPECT_EQ(verify(CalibrationCompared::None), OperationOutcome::Completed);
        EXPECT_EQ(verify(CalibrationCompared::FromFile), OperationOutcome::Differs);

        const OperationResult erased = chip.Run(
            [&](ProgrammingSession& s) { return EraseChip(s, device, keeping.keepCalibration); });
        EXPECT_EQ(erased.outcome, OperationOutcome::Completed);
        EXPECT_EQ(kept.size(), 2U);
        EXPECT_EQ(oscCal(), factoryOscCal);
        EXPECT_EQ(bandGap(), factoryBandGap);
        EXPECT_EQ(chip.Run([&](ProgrammingSession& s) { return BlankCheck(s, device); }).outcome,
                  OperationOutcome::Completed);

        EXPECT_EQ(write({.writeCalibration = true}).outcome, OperationOutcome::Completed);
        EXPECT_EQ(oscCal(), 0x3480);
        EXPECT_EQ(bandGap(), 0x3000);
        EXPECT_EQ(verify(CalibrationCompared::FromFile), OperationOutcome::Completed);
        chip.ExpectLeftSafely();
    }
}

TEST(Family629, ALostCalibrationIsReportedAndOneThatCannotBeKeptStopsTheErase) {
    const Device& device = *FindDevice("12f675");
    OnDevice chip(device);
    sim::ChipMemory lost = chip.target.Chip().Memory();
    lost.program[0x3FF] = 0x3FFF;
    chip.target.Chip().LoadMemory(lost);
    const OperationResult written = chip.WriteImage(SampleImage(device));
    EXPECT_EQ(written.outcome, OperationOutcome::Completed);
    EXPECT_TRUE(written.calibrationLost);

    const std::uint64_t erasesBefore = chip.EraseCommandsSent();
    const KeepCalibration refuse = [](const ChipCalibration&) { return false; };
    for (const OperationOutcome outcome :
         {chip.Run([&](ProgrammingSession& s) {
                  return Write(s, device, ChipImage{}, {.keepCalibration = refuse});
              })
              .outcome,
          chip.Run([&](ProgrammingSession& s) { return EraseChip(s, device, refuse); }).outcome}) {
        EXPECT_EQ(outcome, OperationOutcome::CalibrationNotSaved);
    }
    EXPECT_EQ(chip.EraseCommandsSent(), erasesBefore);
    EXPECT_EQ(chip.target.Chip().Memory().program[0], SampleImage(device).program[0]);
    chip.ExpectLeftSafely();
}

// Like real parts, each simulated chip has its own factory trims: a RETLW
// for OSCCAL and band-gap bits other than the erased 11.
TEST(Family629, EachSimulatedChipLeavesTheFactoryWithItsOwnCalibration) {
    const Device& device = *FindDevice("12f629");
    const auto fresh = [&](std::uint32_t serial) {
        return sim::ChipMemory::Blank(sim::TargetType::Pic12F675, device.deviceId, serial);
    };
    EXPECT_NE(fresh(1).program[0x3FF], fresh(2).program[0x3FF]);
    for (std::uint32_t serial = 0; serial < 4; ++serial) {
        EXPECT_EQ(fresh(serial).program[0x3FF] & 0x3C00, 0x3400);
        EXPECT_NE(fresh(serial).ConfigWord() & 0x3000, 0x3000);
    }
}

}  // namespace
}  // namespace tallis
