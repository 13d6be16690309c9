// Chip after chip against a simulated socket that an operator fills and
// empties on a schedule, in virtual time.
#include <gtest/gtest.h>

#include <vector>

#include "app/ProductionRun.h"
#include "app/SimTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

constexpr std::uint64_t kSecondNs = 1'000'000'000;

struct Socket {
    explicit Socket(unsigned chips, std::optional<unsigned> faulty) {
        target.Simulation().SetUnprogrammableWord(0x0001);
        target.Simulation().UseSocket(
            {.chips = chips, .presentNs = 3 * kSecondNs, .absentNs = 1 * kSecondNs}, faulty);
        timer->SetEnabled(true);
    }

    std::vector<ChipRun> Run(const ProductionSettings& settings, ProductionSummary& summary) {
        std::vector<ChipRun> runs;
        ChipImage image;
        image.program[0] = 0x2805;
        image.program[1] = 0x0000;
        image.config[0] = 0x3F3A;
        summary = RunProduction(wire, {}, nullptr, settings,
                                {.imageFor = [&](unsigned) { return image; },
                                 .written =
                                     [&](const ChipRun& run) {
                                         runs.push_back(run);
                                         return true;
                                     },
                                 .nowUs = [&] { return target.NowUs(); }});
        return runs;
    }

    SimTarget target{{.time = sim::TimeSource::Virtual, .device = FindDevice("16f877a")}};
    std::unique_ptr<EngineTimer> timer = target.MakeTimer();
    ParallelPortTransport wire{target.Port(), *timer};
};

TEST(ProductionRun, EachInsertedChipIsWrittenOnceAndAFailedOneDoesNotStopTheRun) {
    Socket socket(4, 1);  // the second chip will not take word 0x0001
    ProductionSummary summary;
    const std::vector<ChipRun> runs = socket.Run({.count = 4}, summary);
    ASSERT_EQ(runs.size(), 4U);
    for (unsigned i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].number, i + 1);
        EXPECT_EQ(runs[i].Passed(), i != 1) << i;
        // Each chip is written while it is in the socket, one per period.
        EXPECT_EQ(runs[i].startUs / 4'000'000, i) << runs[i].startUs;
    }
    EXPECT_EQ(runs[1].report.Outcome(), OperationOutcome::WriteFailed);
    EXPECT_EQ(summary.passed, 3U);
    EXPECT_EQ(summary.failed, 1U);
    EXPECT_FALSE(summary.stopped);
    sim::SimulatedTarget& simulation = socket.target.Simulation();
    EXPECT_FALSE(simulation.Board().VppOn());
    EXPECT_TRUE(simulation.Violations().Empty()) << simulation.Violations().Describe();
    EXPECT_EQ(simulation.Chip().Memory().program[1], 0x0000);  // the last chip holds the file
}

TEST(ProductionRun, StopOnFailureEndsAtTheFailedChip) {
    Socket socket(4, 1);
    ProductionSummary summary;
    const std::vector<ChipRun> runs = socket.Run({.count = 4, .stopOnFailure = true}, summary);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_FALSE(runs[1].Passed());
    EXPECT_EQ(summary.passed, 1U);
    EXPECT_EQ(summary.failed, 1U);
}

// No chip is written twice: after a write the run waits for the socket to
// empty, however long the chip stays.
TEST(ProductionRun, AChipLeftInTheSocketIsNotWrittenAgain) {
    Socket socket(1, std::nullopt);
    ProductionSummary summary;
    std::vector<ChipRun> runs;
    unsigned polls = 0;
    // Stops the run once it has polled the socket a while after the first chip.
    struct CancelAfter : OperationProgress {
        unsigned& polls;
        const std::vector<ChipRun>& runs;
        CancelAfter(unsigned& p, const std::vector<ChipRun>& r) : polls(p), runs(r) {}
        void Report(std::uint32_t, std::uint32_t, std::uint16_t) override {}
        bool CancelRequested() const override { return !runs.empty() && ++polls > 40; }
    } cancel(polls, runs);
    ChipImage image;
    image.program[0] = 0x2805;
    summary = RunProduction(socket.wire, {.progress = &cancel}, nullptr, {},
                            {.imageFor = [&](unsigned) { return image; },
                             .written =
                                 [&](const ChipRun& run) {
                                     runs.push_back(run);
                                     return true;
                                 },
                             .nowUs = [&] { return socket.target.NowUs(); }});
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_TRUE(runs[0].Passed());
    EXPECT_TRUE(summary.stopped);
}

}  // namespace
}  // namespace tallis
