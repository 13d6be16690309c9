// The command line's stop points inside a program run, against the simulated
// chip in virtual time: a stop signal is honoured at every step of the
// address counter, not only before the next word.
#include <gtest/gtest.h>

#include "HexText.h"
#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "cli/StopPointHost.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::testing {
namespace {

class SilentWindow : public RunHost {
  public:
    ChipType SelectedChip() const override { return ChipType::Pic16F877A; }
    int OptionsPortChoice() const override { return 0; }
    void ShowStatus(const std::string&) override {}
    void SetGauge(int) override {}
    void ShowMessage(const std::string&) override {}
    void ProcessEvents() override {}
};

TEST(CliStopPoints, AStopDuringALongAddressSkipEndsItAtOnceWithVppOff) {
    sim::SimulatedTarget target({.type = sim::TargetType::Pic16F877A});
    auto increments = [&] { return target.Chip().CommandCount(kIncrementAddress); };
    constexpr std::uint64_t kStopAt = 0x100;
    constexpr int kStopped = 130;
    SilentWindow window;
    StopPointHost host(window, [&] { return increments() >= kStopAt ? kStopped : 0; });
    ParallelPortTransport lines(target.Port(), target.Clock());
    ClassicProgrammer programmer(lines, host);
    ProgramRun run(programmer, host);
    const ImageLoadResult loaded =
        MakeFirmwareImage(HexRecord(0, 0x00, {0x05, 0x28}) +
                          HexRecord(0x1800 * 2, 0x00, {0x05, 0x28}) + HexEndRecord());
    ASSERT_TRUE(loaded.image) << loaded.error;

    EXPECT_EQ(run.Execute(*loaded.image), RunOutcome::Cancelled);

    EXPECT_EQ(increments(), kStopAt);
    EXPECT_EQ(target.Chip().Memory().program[0x1800], sim::kErasedWord);
    EXPECT_EQ(target.SimPort().DataRegister() & 0x08, 0) << "VPP left on";
    EXPECT_EQ(target.Chip().Mode(), sim::ChipMode::Running);
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
}

}  // namespace
}  // namespace tallis::testing
