// Accuracy of HighResTimer::Delay for the waits the programming engine uses,
// with the timer set up as the main window does it (time-critical worker,
// 1 ms period, 3 s calibration). Each wait is timed on a clock the timer does
// not read: the steady clock when it counts the time-stamp counter, the raw
// monotonic clock when it counts the performance counter. Overshoot is the
// time past the requested wait; a negative one is a wait that ended early.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timing/HighResTimer.h"

namespace {

using tallis::HighResTimer;

std::int64_t Nanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::unique_ptr<HighResTimer> StartedTimer() {
    tallis::HighResTimerSettings settings;
    settings.workerPriority = tallis::ThreadPriority::TimeCritical;
    auto timer = std::make_unique<HighResTimer>(tallis::SystemTimerPlatform(), settings);
    timer->SetEnabled(true);
    timer->Calibrate(3000);
    return timer;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[index];
}

void BM_Delay(benchmark::State& state, HighResTimer* timer) {
    const auto microseconds = static_cast<std::uint32_t>(state.range(0));
    const clockid_t referenceClock =
        timer->UsesTimeStampCounter() ? CLOCK_MONOTONIC : CLOCK_MONOTONIC_RAW;
    std::vector<double> overshootsUs;
    overshootsUs.reserve(static_cast<std::size_t>(state.max_iterations));
    const std::int64_t cpuStart = Nanoseconds(CLOCK_THREAD_CPUTIME_ID);

    for (auto _ : state) {
        std::int64_t start = Nanoseconds(referenceClock);
        timer->Delay(microseconds);
        std::int64_t end = Nanoseconds(referenceClock);
        overshootsUs.push_back(static_cast<double>(end - start) / 1000.0 - microseconds);
    }

    const std::int64_t cpuNs = Nanoseconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    std::sort(overshootsUs.begin(), overshootsUs.end());
    auto early = std::count_if(overshootsUs.begin(), overshootsUs.end(),
                               [](double overshoot) { return overshoot < 0.0; });
    state.counters["median_us"] = Percentile(overshootsUs, 0.5);
    state.counters["p99_us"] = Percentile(overshootsUs, 0.99);
    state.counters["max_us"] = overshootsUs.back();
    state.counters["min_us"] = overshootsUs.front();
    state.counters["early"] = static_cast<double>(early);
    state.counters["cpu_us_per_wait"] =
        static_cast<double>(cpuNs) / 1000.0 / static_cast<double>(overshootsUs.size());
    state.SetLabel(timer->UsesTimeStampCounter() ? "TSC" : "performance counter");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto timer = StartedTimer();
    struct Wait {
        std::int64_t microseconds;
        benchmark::IterationCount count;
    };
    // About a second of waiting for each length, at least 100 waits.
    for (Wait wait : {Wait{60, 10000}, Wait{90, 8000}, Wait{900, 1000}, Wait{2000, 500},
                      Wait{5000, 200}, Wait{10000, 100}}) {
        benchmark::RegisterBenchmark("BM_Delay", BM_Delay, timer.get())
            ->Arg(wait.microseconds)
            ->Iterations(wait.count)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    timer.reset();
    return 0;
}
