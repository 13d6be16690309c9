#include "cli/TargetSetup.h"

#include <algorithm>
#include <cstdio>

#include "app/HighResEngineTimer.h"
#include "portio/zlportio.h"
#include "timing/EngineTimerSettings.h"

namespace tallis {

namespace {

#ifdef _WIN32
constexpr const char* kAccessHint =
    " (put zlportio.sys in the folder of tallis-cli.exe and run it as administrator)";
#else
constexpr const char* kAccessHint = "";
#endif

// "time-stamp counter, 2893.412 counts per microsecond, 1 ms timer period".
std::string CalibrationText(const THighResTimer& timer) {
    char text[128];
    std::snprintf(text, sizeof text, "%s, %.3f counts per microsecond, %d ms timer period",
                  timer.UseTSC() ? "time-stamp counter" : "performance counter", timer.CountSpeed(),
                  static_cast<int>(timer.Resolution()));
    return text;
}

}  // namespace

std::unique_ptr<SimTarget> MakeCliSimTarget(const CliOptions& options, std::string& problem) {
    auto target = std::make_unique<SimTarget>(SimTargetOptions{
        .time = options.realTime ? sim::TimeSource::RealTime : sim::TimeSource::Virtual,
        .device = options.simDevice,
        .revision = 1,
        .board = options.simBoard,
        .base = options.portBase});
    sim::SimulatedTarget& simulation = target->Simulation();
    switch (options.simFault) {
        case SimFault::NoChip:
            simulation.SetBoardFault(sim::BoardFault::NoTarget);
            break;
        case SimFault::DataStuckLow:
            simulation.SetBoardFault(sim::BoardFault::DataStuckLow);
            break;
        case SimFault::Unprogrammable:
            simulation.SetUnprogrammableWord(options.simFaultAddress);
            break;
        case SimFault::Unerasable:
            simulation.SetUnerasableWord(options.simFaultAddress);
            break;
        case SimFault::None:
            break;
    }
    if (options.simStatePath) {
        problem = target->UseStateFile(*options.simStatePath);
        if (!problem.empty()) {
            return nullptr;
        }
    }
    return target;
}

StartedTimer StartTarget(const CliOptions& options, Target& target, bool onTerminal) {
    StartedTimer started;
    if (!options.simulate && (!target.DriverStarted() || !PortAvailable(options.portBase))) {
        started.problem = "no access to the parallel port: " + PortAccessFailure() + kAccessHint;
        return started;
    }
    started.timer = target.MakeTimer();
    auto* real = dynamic_cast<HighResEngineTimer*>(started.timer.get());
    try {
        if (real != nullptr) {
            real->Component().SetRaiseWaitingThread(true);
            if (onTerminal) {
                std::fputs("Timer Calibrating.....\n", stdout);
                std::fflush(stdout);
            }
        }
        started.timer->SetEnabled(true);
        started.timer->Calibrate(kStartupCalibrationMs);
    } catch (const TimerError& error) {
        started.problem = error.what();
        return started;
    }
    started.calibration =
        real != nullptr ? CalibrationText(real->Component()) : "none (virtual time)";
    return started;
}

void ReportSimulatedChip(sim::SimulatedTarget& simulation) {
    const sim::ViolationLog& log = simulation.Violations();
    if (!log.Empty()) {
        // A dry run is there to show such mistakes; they do not change what
        // the command reported.
        std::fprintf(stderr, "tallis-cli: the simulated chip saw protocol violations:\n%s",
                     log.DescribeViolations().c_str());
    }
    // What a real chip accepts but a real board may suffer from: one line per
    // kind with its count, never an error.
    for (std::size_t k = 0; k < sim::kHazardKinds; ++k) {
        const auto kind = static_cast<sim::HazardKind>(k);
        const std::size_t count = log.HazardCount(kind);
        const auto first = std::ranges::find(log.Hazards(), kind, &sim::Hazard::kind);
        if (count == 0 || first == log.Hazards().end()) {
            continue;
        }
        std::fprintf(stderr, "tallis-cli: the simulated chip noted %zu %s (not an error): %s: %s\n",
                     count, count == 1 ? "hazard" : "hazards", sim::HazardKindName(kind),
                     first->detail.c_str());
    }
}

}  // namespace tallis
