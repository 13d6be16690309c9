// Wall time of a whole-chip program-and-verify run against the simulated chip
// in virtual time: what a test or a dry run with the simulator costs.
#include <benchmark/benchmark.h>

#include "bench/BenchRunSupport.h"
#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis::bench {
namespace {

void FullChipRun(benchmark::State& state, ChipType chip, sim::TargetType type) {
    auto image = MakeProgramImage(8192);
    std::uint64_t simulatedUs = 0;
    for (auto _ : state) {
        sim::SimulatedTarget target({.type = type, .portAccessCostNs = sim::kRealPortAccessNs});
        QuietRunHost host(chip);
        ParallelPortTransport lines(target.Port(), target.Clock());
        ClassicProgrammer programmer(lines, host);
        ProgramRun run(programmer, host);
        RunOutcome outcome = run.Execute(*image);
        if (outcome != RunOutcome::Completed || !target.Violations().Empty()) {
            state.SkipWithError("the run did not complete cleanly");
            break;
        }
        simulatedUs = target.Clock().DelayedUs();
    }
    state.counters["simulated_s"] = static_cast<double>(simulatedUs) / 1e6;
    state.counters["words"] = 8192;
}

BENCHMARK_CAPTURE(FullChipRun, Pic16F877A, ChipType::Pic16F877A, sim::TargetType::Pic16F877A)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FullChipRun, Pic16F877, ChipType::Pic16F877, sim::TargetType::Pic16F877)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tallis::bench

BENCHMARK_MAIN();
