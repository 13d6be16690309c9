#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "board/FtdiWiring.h"
#include "ftdi/BitBangTransport.h"
#include "wire/TargetLines.h"

namespace tallis::ftdi {
namespace {

// A device that answers every byte with a sample at once, records what it is
// told, and checks the rule the transport must keep: never more bytes unread
// than the chip holds.
class ScriptedDevice : public BitBangDevice {
  public:
    struct ModeChange {
        std::uint8_t outputs;
        std::size_t bytesBefore;
    };

    explicit ScriptedDevice(std::uint32_t maxUnread) : maxUnread_(maxUnread) {}

    int Write(std::span<const std::uint8_t> bytes) override {
        if (failWrites) {
            return -1;
        }
        written.insert(written.end(), bytes.begin(), bytes.end());
        for (const std::uint8_t byte : bytes) {
            pending_.push_back(Sample());
            pins = byte;
        }
        maxSeenUnread = std::max(maxSeenUnread, pending_.size());
        EXPECT_LE(pending_.size(), maxUnread_);
        return static_cast<int>(bytes.size());
    }
    int Read(std::span<std::uint8_t> samples) override {
        if (samplesStop) {
            return 0;
        }
        const std::size_t count = std::min({samples.size(), pending_.size(), readPiece});
        for (std::size_t i = 0; i < count; ++i) {
            samples[i] = pending_.front();
            pending_.pop_front();
        }
        return static_cast<int>(count);
    }
    bool SetBaudRate(std::uint32_t rate) override {
        baud = rate;
        return true;
    }
    bool SetBitMode(std::uint8_t outputs, BitMode) override {
        modes.push_back({outputs, written.size()});
        return true;
    }
    std::string LastError() const override { return "scripted failure"; }

    // The pins as sampled: a split data line's input shows its output.
    std::uint8_t Sample() const {
        const bool data = (pins & (1U << board::kRxd)) != 0;
        return static_cast<std::uint8_t>(data ? pins | (1U << board::kCts)
                                              : pins & ~(1U << board::kCts));
    }

    std::vector<std::uint8_t> written;
    std::vector<ModeChange> modes;
    std::uint8_t pins = 0;
    std::uint32_t baud = 0;
    std::size_t readPiece = 62;  // what one full-speed packet carries
    std::size_t maxSeenUnread = 0;
    bool failWrites = false;
    bool samplesStop = false;

  private:
    std::uint32_t maxUnread_;
    std::deque<std::uint8_t> pending_;
};

class NoTimer : public Delayer {
  public:
    void Delay(std::uint32_t microseconds) override { slept.push_back(microseconds); }
    std::vector<std::uint32_t> slept;
};

constexpr std::uint8_t kVppPin = 1U << board::kTxd;
constexpr std::uint8_t kRunPin = 1U << board::kRts;
constexpr std::uint8_t kDataPin = 1U << board::kRxd;

struct Rig {
    explicit Rig(const board::FtdiWiring& wiring = board::kFt232rHighVoltage,
                 const BitBangChip& chip = kFt232r)
        : device(chip.maxUnread), lines(device, timer, wiring, chip) {}
    ScriptedDevice device;
    NoTimer timer;
    BitBangTransport lines;
};

// The pins stay inputs until the levels of a running target, with the
// active-low VPP switch off, are latched; only then do they drive.
TEST(BitBangTransport, StartsWithEveryPinAnInputUntilSafeLevelsAreLatched) {
    Rig rig;
    ASSERT_TRUE(rig.lines.Start());
    EXPECT_EQ(rig.device.baud, kFt232r.baud);
    ASSERT_EQ(rig.device.modes.size(), 2U);
    EXPECT_EQ(rig.device.modes[0].outputs, 0);
    EXPECT_EQ(rig.device.modes[0].bytesBefore, 0U);
    EXPECT_EQ(rig.device.modes[1].outputs, board::kFt232rHighVoltage.OutputMask());
    ASSERT_FALSE(rig.device.written.empty());
    const std::uint8_t latched = rig.device.written.back();
    EXPECT_EQ(latched & (kVppPin | kRunPin | kDataPin), kVppPin | kRunPin | kDataPin);
    rig.lines.Finish();
    EXPECT_EQ(rig.device.modes.back().outputs, 0);
}

// A wait is a minimum: bytes for at least that many ticks of the fastest
// clock the chip may run at, and a long one a sleep after everything queued
// has gone out.
TEST(BitBangTransport, TurnsWaitsIntoBytesRoundedUpOrIntoSleeps) {
    struct Case {
        const BitBangChip* chip;
        std::uint32_t us;
        std::size_t bytes;
    };
    // One sample a packet: no bytes added to fill one.
    constexpr BitBangChip kFt232rTopSpeed{.name = "FT232R",
                                          .ticksPerBaud = 16,
                                          .baud = 3'000'000,
                                          .maxUnread = 128,
                                          .packetSamples = 1};
    BitBangChip ft232r = kFt232r;
    ft232r.packetSamples = 1;
    BitBangChip ft232h = kFt232h;
    ft232h.packetSamples = 1;
    const Case cases[] = {
        {&kFt232rTopSpeed, 1, 48}, {&kFt232rTopSpeed, 999, 47952},
        {&ft232r, 1, 1},           {&ft232r, 3, 3},
        {&ft232h, 1, 5},           {&ft232h, 7, 35},
    };
    for (const Case& c : cases) {
        Rig rig(board::kFt232rHighVoltage, *c.chip);
        ASSERT_TRUE(rig.lines.Start());
        const std::size_t before = rig.device.written.size();
        rig.lines.Wait(c.us);
        rig.lines.Flush();
        EXPECT_EQ(rig.device.written.size() - before, c.bytes) << c.chip->name << " " << c.us;
        EXPECT_TRUE(rig.timer.slept.empty());
    }
    // The byte that changes the levels holds them for a tick, counted once:
    // 4 us is four 1 us ticks, one of them that byte's; 2 us more are two.
    Rig held(board::kFt232rHighVoltage, ft232r);
    ASSERT_TRUE(held.lines.Start());
    const std::size_t before = held.device.written.size();
    held.lines.Drive(target_lines::kReset);
    held.lines.Wait(4);
    held.lines.Wait(2);
    held.lines.Flush();
    EXPECT_EQ(held.device.written.size() - before, 6U);
    Rig rig;
    ASSERT_TRUE(rig.lines.Start());
    rig.lines.Drive(target_lines::kReset);
    rig.lines.Wait(BitBangTransport::kHostSleepFromUs);
    EXPECT_EQ(rig.timer.slept, std::vector<std::uint32_t>{BitBangTransport::kHostSleepFromUs});
    EXPECT_EQ(rig.lines.BytesSent(), rig.device.written.size());
    EXPECT_EQ(rig.device.written.back() & kRunPin, 0);
}

// A sample shows the pins as the bytes before it left them; the transport
// sends one more byte when nothing follows, and answers a whole batch of
// samples with one exchange, within the chip's unread limit.
TEST(BitBangTransport, AnswersSamplesFromTheBytesThatFollowThem) {
    Rig rig(board::kFt232rHighVoltageSplit);
    ASSERT_TRUE(rig.lines.Start());
    const std::uint64_t exchanges = rig.lines.Exchanges();
    std::vector<DataSample> samples;
    for (int i = 0; i < 300; ++i) {
        rig.lines.Drive((i % 3) == 0 ? target_lines::kDataHeldLow : target_lines::kDataReleased);
        rig.lines.Wait(1);
        samples.push_back(rig.lines.SampleData());
    }
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(rig.lines.DataLevel(samples[i]), (i % 3) != 0) << i;
    }
    EXPECT_EQ(rig.lines.Exchanges(), exchanges + 1);
    // The last packet of samples is a full one, which the chip sends at once.
    EXPECT_EQ(rig.device.written.size() % kFt232r.packetSamples, 0U);
    EXPECT_EQ(rig.device.maxSeenUnread, kFt232r.maxUnread);
}

// On a one-pin data line the pin turns input for a read only after the
// queued bytes are out, with its released level latched, and drives again
// before a new level goes out.
TEST(BitBangTransport, TurnsAOnePinDataLineAroundOutsideTheByteStream) {
    Rig rig;
    ASSERT_TRUE(rig.lines.Start());
    rig.lines.Drive(target_lines::kDataHeldLow);
    rig.lines.Drive(rig.lines.ReadingLevels());
    ASSERT_EQ(rig.device.modes.size(), 3U);
    const std::uint8_t outputs = board::kFt232rHighVoltage.OutputMask();
    EXPECT_EQ(rig.device.modes.back().outputs, outputs & ~kDataPin);
    EXPECT_EQ(rig.device.modes.back().bytesBefore, rig.device.written.size());
    EXPECT_NE(rig.device.written.back() & kDataPin, 0);
    rig.lines.Drive(target_lines::kDataHeldLow);
    ASSERT_EQ(rig.device.modes.size(), 4U);
    EXPECT_EQ(rig.device.modes.back().outputs, outputs);
    rig.lines.Flush();
    EXPECT_EQ(rig.device.written.back() & kDataPin, 0);
}

// A failed write or samples that stop coming are a failed access: the pins
// go to inputs at once and nothing more is sent.
TEST(BitBangTransport, LetsGoOfThePinsWhenTheDeviceFails) {
    for (const bool writeFails : {true, false}) {
        Rig rig;
        ASSERT_TRUE(rig.lines.Start());
        rig.device.failWrites = writeFails;
        rig.device.samplesStop = !writeFails;
        rig.lines.Drive(target_lines::kProgrammingClockLow);
        EXPECT_FALSE(rig.lines.ReadData());
        EXPECT_EQ(rig.lines.FailedAccesses(), 1U);
        EXPECT_EQ(rig.device.modes.back().outputs, 0);
        EXPECT_FALSE(rig.lines.LastError().empty());
        const std::size_t written = rig.device.written.size();
        rig.lines.Drive(target_lines::kIdle);
        rig.lines.Finish();
        EXPECT_EQ(rig.device.written.size(), written);
    }
}

}  // namespace
}  // namespace tallis::ftdi
