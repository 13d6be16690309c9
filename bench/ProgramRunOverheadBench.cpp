// Real-time overhead of a program-and-verify run: 512 words against the
// simulated chip behind the real high-resolution timer. The figure that
// matters is overhead_ratio, the wall time divided by the sum of the waits
// that the run asked for (1.00 would be no overhead at all). It splits into
// timer_ratio, the time spent inside Delay over the time asked (how late the
// timer returns, which on a loaded machine is mostly preemption of its busy
// wait), and engine_ratio, the wall time over the time spent inside Delay
// (what the engine, the port accesses and the simulated chip add).
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/BenchRunSupport.h"
#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "sim/SimulatedTarget.h"
#include "timing/HighResTimer.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::bench {
namespace {

constexpr std::uint32_t kWords = 512;
constexpr std::uint32_t kCalibrationMs = 1000;

void RealTimeRun(benchmark::State& state, ChipType chip, sim::TargetType type) {
    auto image = MakeProgramImage(kWords);
    HighResTimerSettings settings;
    settings.raiseWaitingThread = true;
    HighResTimer timer(SystemTimerPlatform(), settings);
    timer.SetEnabled(true);
    timer.Calibrate(kCalibrationMs);
    double wallUs = 0;
    double askedUs = 0;
    double waitedUs = 0;
    std::size_t violations = 0;
    for (auto _ : state) {
        sim::SimulatedTarget target({.type = type, .time = sim::TimeSource::RealTime});
        QuietRunHost host(chip);
        SummingDelayer delayer(timer);
        ParallelPortTransport lines(target.Port(), delayer);
        ClassicProgrammer programmer(lines, host);
        ProgramRun run(programmer, host);
        auto start = std::chrono::steady_clock::now();
        RunOutcome outcome = run.Execute(*image);
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (outcome != RunOutcome::Completed) {
            state.SkipWithError("the run did not complete");
            break;
        }
        wallUs += std::chrono::duration<double, std::micro>(elapsed).count();
        askedUs += static_cast<double>(delayer.askedUs);
        waitedUs += delayer.waitedUs;
        violations += target.Violations().All().size();
    }
    timer.SetEnabled(false);
    state.counters["overhead_ratio"] = askedUs > 0 ? wallUs / askedUs : 0;
    state.counters["timer_ratio"] = askedUs > 0 ? waitedUs / askedUs : 0;
    state.counters["engine_ratio"] = waitedUs > 0 ? wallUs / waitedUs : 0;
    state.counters["asked_s"] = askedUs / 1e6 / static_cast<double>(state.iterations());
    state.counters["violations"] = static_cast<double>(violations);
}

BENCHMARK_CAPTURE(RealTimeRun, Pic16F877A, ChipType::Pic16F877A, sim::TargetType::Pic16F877A)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(RealTimeRun, Pic16F877, ChipType::Pic16F877, sim::TargetType::Pic16F877)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace
}  // namespace tallis::bench

BENCHMARK_MAIN();
