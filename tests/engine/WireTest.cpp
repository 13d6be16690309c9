#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "board/BoardWiring.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortPins.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

// Every built-in board can be driven as its row says: each output line on a
// pin the PC drives, the data line read on one it reads, no pin doing two jobs.
TEST(BoardRows, PutEveryLineOnAPinOfTheRightDirection) {
    for (const board::BoardWiring& row : board::Boards()) {
        SCOPED_TRACE(std::string(row.name));
        std::set<std::uint8_t> used;
        const board::PinLine outputs[] = {row.clock,   row.dataOut,     row.run,
                                          row.vpp,     row.vdd,         row.pgm,
                                          row.connect, row.dataOutAlso, row.dataDirection};
        for (const board::PinLine& line : outputs) {
            if (!line.Connected()) {
                continue;
            }
            const std::optional<PortPin> pin = ParallelPortPin(line.pin);
            ASSERT_TRUE(pin && pin->output) << int{line.pin};
            EXPECT_TRUE(used.insert(line.pin).second) << int{line.pin};
        }
        ASSERT_TRUE(row.clock.Connected() && row.dataOut.Connected() && row.vpp.Connected());
        const std::optional<PortPin> in = ParallelPortPin(row.dataIn.pin);
        ASSERT_TRUE(in && !in->output) << int{row.dataIn.pin};
        EXPECT_EQ(board::FindBoard(row.name), &row);
    }
}

// Lines on the pins the PC inverts, VPP through an inverting switch: the
// engine's pin table and the simulation's own model of the connector must
// agree on every bit, or the chip is never reached.
constexpr board::BoardWiring kInvertedPinsBoard{
    .name = "inverted pins",
    .clock = {.pin = 14},
    .dataOut = {.pin = 17},
    .dataIn = {.pin = 11},
    .run = {.pin = 16},
    .vpp = {.pin = 9, .inverted = true},
};

ChipImage SmallImage() {
    ChipImage image;
    for (std::uint16_t a = 0; a < 12; ++a) {
        image.program[a] = static_cast<std::uint16_t>(0x2800 + a);
    }
    image.eeprom[0] = 0x5A;
    image.config[0] = 0x3F3A;
    return image;
}

TEST(ParallelPortTransport, ReachesTheChipThroughAnotherBoardsRow) {
    const Device& device = *FindDevice("16f877a");
    sim::TargetOptions options = sim::TargetOptionsFor(device);
    options.wiring = &kInvertedPinsBoard;
    sim::SimulatedTarget target(options);
    ParallelPortTransport lines(target.Port(), target.Clock(), kInvertedPinsBoard);
    {
        ProgrammingSession session(lines, kClassicTiming);
        EXPECT_EQ(Write(session, device, SmallImage()).outcome, OperationOutcome::Completed);
    }
    EXPECT_FALSE(target.Board().VppOn());
    EXPECT_NE(target.Chip().Mode(), sim::ChipMode::Programming);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
}

// A transport that sends nothing until a read needs it or it is flushed, as
// a USB bit-bang adapter does; with a batch over 1 it also answers samples
// only when their levels are looked at.
class DeferringTransport : public LineTransport {
  public:
    explicit DeferringTransport(LineTransport& inner, std::uint32_t batch = 1)
        : inner_(inner), batch_(batch) {}

    DataSample SampleData() override {
        if (batch_ == 1) {
            return LineTransport::SampleData();
        }
        const std::size_t index = samples_.size();
        samples_.push_back(false);
        queued_.push_back([this, index] { samples_[index] = inner_.ReadData(); });
        return {.position = index};
    }
    bool DataLevel(const DataSample& sample) override {
        if (sample.known) {
            return sample.high;
        }
        Flush();
        return samples_[sample.position];
    }
    std::uint32_t ReadBatch() const override { return batch_; }

    void Drive(LineLevels levels) override {
        queued_.push_back([this, levels] { inner_.Drive(levels); });
    }
    void Wait(std::uint32_t microseconds) override {
        queued_.push_back([this, microseconds] { inner_.Wait(microseconds); });
    }
    bool ReadData() override {
        Flush();
        return inner_.ReadData();
    }
    void Flush() override {
        if (queued_.empty()) {
            return;
        }
        ++roundTrips;
        for (const auto& step : queued_) {
            step();
        }
        queued_.clear();
    }

    bool Idle() const { return queued_.empty(); }
    int roundTrips = 0;

  private:
    LineTransport& inner_;
    std::uint32_t batch_;
    std::vector<bool> samples_;
    std::vector<std::function<void()>> queued_;
};

// Whatever a transport holds back reaches the chip before a read and at the
// session's end: the write verifies, and the chip is left with VPP off.
TEST(DeferringTransport, WritesAndLeavesTheChipSafe) {
    const Device& device = *FindDevice("16f877");
    sim::SimulatedTarget target(sim::TargetOptionsFor(device));
    ParallelPortTransport port(target.Port(), target.Clock());
    DeferringTransport lines(port);
    {
        ProgrammingSession session(lines, kClassicTiming);
        EXPECT_EQ(Write(session, device, SmallImage()).outcome, OperationOutcome::Completed);
    }
    EXPECT_TRUE(lines.Idle());
    EXPECT_FALSE(target.Board().VppOn());
    EXPECT_NE(target.Chip().Mode(), sim::ChipMode::Programming);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    // One round trip per sample read, and no more.
    EXPECT_LE(lines.roundTrips, static_cast<int>(target.SimPort().Reads()) + 1);
}

// The chip operations read in runs as long as the transport batches: a whole
// program memory in a round trip per run, with the same words as one at a time.
TEST(DeferringTransport, ReadsAWholeChipInRunsOfTheTransportsBatch) {
    const Device& device = *FindDevice("16f877");
    sim::SimulatedTarget target(sim::TargetOptionsFor(device));
    ParallelPortTransport port(target.Port(), target.Clock());
    {
        ProgrammingSession session(port, kFastTiming);
        ASSERT_EQ(Write(session, device, SmallImage()).outcome, OperationOutcome::Completed);
    }
    ReadResult oneAtATime;
    {
        ProgrammingSession session(port, kFastTiming);
        oneAtATime = Read(session, device);
    }
    constexpr std::uint32_t kBatch = 64;
    DeferringTransport lines(port, kBatch);
    ReadResult batched;
    {
        ProgrammingSession session(lines, kFastTiming);
        batched = Read(session, device);
    }
    EXPECT_EQ(batched.outcome, OperationOutcome::Completed);
    EXPECT_EQ(batched.image.program, oneAtATime.image.program);
    EXPECT_EQ(batched.image.eeprom, oneAtATime.image.eeprom);
    EXPECT_EQ(batched.image.config, oneAtATime.image.config);
    EXPECT_EQ(batched.image.program[5], SmallImage().program[5]);
    // Runs of program memory and EEPROM, and the few words of configuration space.
    const int runs = static_cast<int>((device.programWords + device.eepromBytes) / kBatch);
    EXPECT_LE(lines.roundTrips, runs + 16);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
}

}  // namespace
}  // namespace tallis
