// The write operation (identify, erase, write, verify every word) under each
// timing profile against the strict simulated chip at a real port's 1 us per
// access, in virtual time. Counters: simulated seconds, and for a full image
// the ratio to the fastest legal write at 4 port accesses per bit (about
// 3.0 s for a PIC16F877A, 34.8 s for a PIC16F877, 4.05 s for a PIC16F887, 3.07 s
// for a PIC16F883: its fastest cycle, the externally timed one with End
// Programming after 2 ms, then the verify). The wall time is what a
// run costs in virtual time. The slow board (RB7 rising in 5 us, VPP in 50 us)
// must end right too, slower.
#include <benchmark/benchmark.h>

#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::bench {
namespace {

// words program words from 0 that all hold data, and the configuration word
// (HS, watchdog off, no code or data protection).
ChipImage ProgramImage(const Device& device, std::uint32_t words) {
    ChipImage image;
    for (std::uint32_t a = 0; a < words; ++a) {
        image.program[a] = static_cast<std::uint16_t>((a * 2654435761U >> 9) & 0x3FFE);
    }
    image.config[0] =
        static_cast<std::uint16_t>(0x3F3A | device.ConfigMask("CP") | device.ConfigMask("CPD"));
    return image;
}

void WriteImage(benchmark::State& state, const char* deviceName, bool fast, std::uint32_t words,
                double floorSeconds, sim::BoardTiming board = {}) {
    const Device& device = *FindDevice(deviceName);
    const ChipImage image = ProgramImage(device, words);
    double simulatedSeconds = 0;
    for (auto _ : state) {
        sim::TargetOptions options = sim::TargetOptionsFor(device);
        options.portAccessCostNs = sim::kRealPortAccessNs;
        options.board = board;
        sim::SimulatedTarget target(options);
        ParallelPortTransport lines(target.Port(), target.Clock());
        // As the command does for every profile: the blank check after the
        // erase reads with the fast waits once the line check has passed.
        const LineCheckResult board = CheckLines(lines);
        if (board.fault != LineFault::None) {
            state.SkipWithError("the line check failed");
            break;
        }
        OperationResult result;
        {
            ProgrammingSession session(lines, fast ? kFastTiming : kClassicTiming, nullptr, board);
            result = Write(session, device, image);
        }
        if (result.outcome != OperationOutcome::Completed || !target.Violations().Empty() ||
            !target.Violations().Hazards().empty()) {
            state.SkipWithError("the write did not complete cleanly");
            break;
        }
        simulatedSeconds = static_cast<double>(target.Clock().NowNs()) / 1e9;
    }
    state.counters["simulated_s"] = simulatedSeconds;
    state.counters["words"] = words;
    if (floorSeconds > 0) {
        state.counters["x_floor"] = simulatedSeconds / floorSeconds;
    }
}

constexpr double k877AFloorSeconds = 3.0;
constexpr double k877FloorSeconds = 34.8;
constexpr double k887FloorSeconds = 4.05;
constexpr double k883FloorSeconds = 3.07;
// A PIC16F648A: one word per 4 ms cycle, then the verify.
constexpr double k648AFloorSeconds = 17.4;
// A PIC16F84A: one word per 4 ms program-only cycle after the erase, then the verify.
constexpr double k84AFloorSeconds = 4.3;
// A PIC16F87/88: the 8 ms Chip Erase, 1,024 four-word rows each programmed
// for 1 ms and ended with End Programming and 100 us after it (1.64 s), then
// the verify (0.46 s).
constexpr double k8788FloorSeconds = 2.1;

BENCHMARK_CAPTURE(WriteImage, Pic16F877A_Fast_Full, "16f877a", true, 8192, k877AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877A_Standard_Full, "16f877a", false, 8192, k877AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877_Fast_Full, "16f877", true, 8192, k877FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877_Standard_Full, "16f877", false, 8192, k877FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877A_Fast_Full_SlowBoard, "16f877a", true, 8192,
                  k877AFloorSeconds, sim::BoardTiming::Slow())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877_Fast_Full_SlowBoard, "16f877", true, 8192, k877FloorSeconds,
                  sim::BoardTiming::Slow())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F887_Fast_Full, "16f887", true, 8192, k887FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F887_Standard_Full, "16f887", false, 8192, k887FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F883_Fast_Full, "16f883", true, 4096, k883FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F883_Standard_Full, "16f883", false, 4096, k883FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F887_Fast_Full_SlowBoard, "16f887", true, 8192, k887FloorSeconds,
                  sim::BoardTiming::Slow())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F648A_Fast_Full, "16f648a", true, 4096, k648AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F648A_Standard_Full, "16f648a", false, 4096, k648AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F84A_Fast_Full, "16f84a", true, 1024, k84AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F84A_Standard_Full, "16f84a", false, 1024, k84AFloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F88_Fast_Full, "16f88", true, 4096, k8788FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F88_Standard_Full, "16f88", false, 4096, k8788FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F87_Fast_Full, "16f87", true, 4096, k8788FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F87_Standard_Full, "16f87", false, 4096, k8788FloorSeconds)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877A_Fast_40Words, "16f877a", true, 40, 0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteImage, Pic16F877A_Standard_40Words, "16f877a", false, 40, 0)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tallis::bench

BENCHMARK_MAIN();
