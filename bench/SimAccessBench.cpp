// Cost of the simulated target per port access, in virtual time: the model's
// share of every test, dry run and fuzz case that drives it.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "sim/SimulatedTarget.h"
#include "tests/sim/TestHost.h"

namespace tallis::sim {
namespace {

std::uint64_t Accesses(SimulatedTarget& target) {
    return target.SimPort().Writes() + target.SimPort().Reads();
}

// Increment Address over and over in programming mode: clock edges and data
// changes only, the commonest accesses of a run.
void CommandClocking(benchmark::State& state) {
    SimulatedTarget target;
    test::TestHost host{target};
    host.EnterProgramMode();
    const std::uint64_t before = Accesses(target);
    for (auto _ : state) {
        host.Command(test::kIncrement);
    }
    state.counters["ns_per_access"] =
        benchmark::Counter(static_cast<double>(Accesses(target) - before),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (!target.Violations().Empty()) {
        state.SkipWithError("the model reported violations");
    }
}
BENCHMARK(CommandClocking);

// Erase, then write, read back and step over all 8192 words, with the
// engine's sequence and waits.
void FullChipProgramAndVerify(benchmark::State& state) {
    const auto type = static_cast<TargetType>(state.range(0));
    std::uint64_t accesses = 0;
    for (auto _ : state) {
        SimulatedTarget target{TargetOptions{.type = type}};
        test::TestHost host{target};
        host.Erase();
        for (std::uint32_t address = 0; address < kProgramWords; ++address) {
            const auto word = static_cast<std::uint16_t>((address * 37U) & kWordMask);
            host.ProgramWord(word);
            if (host.CommandRead(test::kRead) != word) {
                state.SkipWithError("verify failed");
                return;
            }
            host.Increment();
        }
        if (!target.Violations().Empty()) {
            state.SkipWithError("the model reported violations");
            return;
        }
        accesses += Accesses(target);
    }
    state.counters["accesses_per_run"] =
        static_cast<double>(accesses) / static_cast<double>(state.iterations());
    state.counters["ns_per_access"] = benchmark::Counter(
        static_cast<double>(accesses), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(FullChipProgramAndVerify)
    ->Arg(static_cast<int>(TargetType::Pic16F877A))
    ->Arg(static_cast<int>(TargetType::Pic16F877))
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tallis::sim

BENCHMARK_MAIN();
