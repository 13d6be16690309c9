// Several boards at once, one thread and one timer each, every board writing
// and verifying its chips with the fast profile against the strict simulated
// chip at 1 us per port access.
//
// Virtual time (BM_BoardsVirtual/N): each board fills its socket with three
// chips in turn; simulated_s_per_chip is a chip's identify, erase, write and
// verify on its board's own clock (it must not grow with N), wall_ms what the
// whole run costs.
//
// Real time (BM_BoardsRealTime/N): each board writes one chip paced by its
// own high-resolution timer; wall_s is the time until every board is done
// (N = 2 should take at most 1.1 x N = 1 on two cores), longest_chip_s the
// longest chip as its board's clock saw it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "app/HighResEngineTimer.h"
#include "app/ProductionRun.h"
#include "app/SimTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::bench {
namespace {

constexpr std::uint64_t kSecondNs = 1'000'000'000;
constexpr unsigned kChipsPerBoard = 3;

ChipImage ProgramImage(std::uint32_t words) {
    ChipImage image;
    for (std::uint32_t a = 0; a < words; ++a) {
        image.program[a] = static_cast<std::uint16_t>((a * 2654435761U >> 9) & 0x3FFE);
    }
    image.config[0] = 0x3F3A;
    return image;
}

// One board: its simulated board and chip at a port, its timer, its lines.
struct Board {
    explicit Board(sim::TimeSource time, std::uint16_t base)
        : target({.time = time, .device = FindDevice("16f877a"), .base = base}) {}

    void Start(std::uint32_t calibrationMs) {
        timer = target.MakeTimer();
        timer->SetEnabled(true);
        timer->Calibrate(calibrationMs);
        lines = std::make_unique<ParallelPortTransport>(target.Port(), *timer, board::kDefaultBoard,
                                                        base);
    }
    bool Clean() { return target.Simulation().Violations().Empty(); }

    SimTarget target;
    std::uint16_t base = target.Simulation().SimPort().Base();
    std::unique_ptr<EngineTimer> timer;
    std::unique_ptr<ParallelPortTransport> lines;
    std::vector<ChipRun> runs;
};

std::uint16_t BoardBase(int index) {
    return static_cast<std::uint16_t>(0x1000 + 0x10 * index);
}

void BM_BoardsVirtual(benchmark::State& state) {
    const int boards = static_cast<int>(state.range(0));
    const ChipImage image = ProgramImage(1024);
    double perChip = 0;
    bool clean = true;
    for (auto _ : state) {
        std::vector<std::unique_ptr<Board>> all;
        for (int i = 0; i < boards; ++i) {
            all.push_back(std::make_unique<Board>(sim::TimeSource::Virtual, BoardBase(i)));
            all.back()->target.Simulation().UseSocket(
                {.chips = kChipsPerBoard, .presentNs = 2 * kSecondNs, .absentNs = kSecondNs / 2});
            all.back()->Start(0);
        }
        std::vector<std::thread> threads;
        for (auto& board : all) {
            threads.emplace_back([&board, &image] {
                RunProduction(*board->lines, {.timing = &kFastTiming}, nullptr,
                              {.count = kChipsPerBoard},
                              {.imageFor = [&](unsigned) { return image; },
                               .written =
                                   [&](const ChipRun& run) {
                                       board->runs.push_back(run);
                                       return true;
                                   },
                               .nowUs = [&] { return board->target.NowUs(); }});
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        std::uint64_t totalUs = 0;
        std::size_t chips = 0;
        for (auto& board : all) {
            clean = clean && board->Clean() && board->runs.size() == kChipsPerBoard;
            for (const ChipRun& run : board->runs) {
                clean = clean && run.Passed();
                totalUs += run.durationUs;
                ++chips;
            }
        }
        perChip = chips == 0 ? 0 : static_cast<double>(totalUs) / 1e6 / static_cast<double>(chips);
    }
    if (!clean) {
        state.SkipWithError("a chip did not pass cleanly");
    }
    state.counters["boards"] = boards;
    state.counters["simulated_s_per_chip"] = perChip;
}
BENCHMARK(BM_BoardsVirtual)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_BoardsRealTime(benchmark::State& state) {
    const int boards = static_cast<int>(state.range(0));
    const ChipImage image = ProgramImage(256);
    double wallSeconds = 0;
    double longestChip = 0;
    bool clean = true;
    for (auto _ : state) {
        std::vector<std::unique_ptr<Board>> all;
        for (int i = 0; i < boards; ++i) {
            all.push_back(std::make_unique<Board>(sim::TimeSource::RealTime, BoardBase(i)));
            all.back()->Start(300);
        }
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (auto& board : all) {
            threads.emplace_back([&board, &image] {
                board->runs.push_back(WriteOneChip(*board->lines, {.timing = &kFastTiming}, nullptr,
                                                   image, 1,
                                                   [&] { return board->target.NowUs(); }));
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        wallSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (auto& board : all) {
            clean = clean && board->Clean() && board->runs.front().Passed();
            longestChip =
                std::max(longestChip, static_cast<double>(board->runs.front().durationUs) / 1e6);
        }
    }
    if (!clean) {
        state.SkipWithError("a chip did not pass cleanly");
    }
    state.counters["boards"] = boards;
    state.counters["wall_s"] = wallSeconds;
    state.counters["longest_chip_s"] = longestChip;
}
BENCHMARK(BM_BoardsRealTime)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace tallis::bench

BENCHMARK_MAIN();
