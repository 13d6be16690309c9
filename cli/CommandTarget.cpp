#include "cli/CommandTarget.h"

#include <algorithm>
#include <cstdio>

#include "app/HighResEngineTimer.h"
#include "app/RealTarget.h"
#include "ftdi/FtdiDevices.h"
#include "portio/PortAccess.h"
#include "timing/EngineTimerSettings.h"

namespace tallis {

namespace {

// "time-stamp counter, 2893.412 counts per microsecond, 1 ms timer period".
std::string CalibrationText(const HighResTimer& timer) {
    char text[128];
    std::snprintf(text, sizeof text, "%s, %.3f counts per microsecond, %d ms timer period",
                  timer.UsesTimeStampCounter() ? "time-stamp counter" : "performance counter",
                  timer.CountSpeed(), static_cast<int>(timer.Settings().periodMs));
    return text;
}

void ApplyFault(const CliOptions& options, sim::SimulatedTarget& simulation) {
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
}

// --sim-insertions: chip after chip in the socket, the fault in one of them
// when --sim-fault-chip names it.
void UseSocket(const ProductionOptions& production, sim::SimulatedTarget& simulation) {
    if (production.simChips == 0) {
        return;
    }
    constexpr std::uint64_t kMsNs = 1'000'000;
    simulation.UseSocket({.chips = production.simChips,
                          .presentNs = production.simPresentMs * kMsNs,
                          .absentNs = production.simAbsentMs * kMsNs},
                         production.simFaultyChip != 0
                             ? std::optional<unsigned>(production.simFaultyChip - 1)
                             : std::nullopt);
}

// What the simulated chip saw that a real chip would not accept (protocol
// violations) or that a real board may suffer from (hazards, one line per
// kind with its count, never an error). A dry run is there to show such
// mistakes; they do not change what the command reported.
void ReportSimulatedChip(const sim::ViolationLog& log) {
    if (!log.Empty()) {
        std::fprintf(stderr, "tallis-cli: the simulated chip saw protocol violations:\n%s",
                     log.DescribeViolations().c_str());
    }
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

}  // namespace

CommandTarget::CommandTarget(const CliOptions& options, bool onTerminal)
    : options_(options), onTerminal_(onTerminal) {}

// The chip's faults go to whichever simulation the options chose; the
// board's to the FTDI board's wiring there.
void ApplyFtdiFault(const CliOptions& options, sim::SimulatedFtdiTarget& simulation) {
    switch (options.simFault) {
        case SimFault::NoChip:
            simulation.Board().SetFault(sim::BoardFault::NoTarget);
            break;
        case SimFault::DataStuckLow:
            simulation.Board().SetFault(sim::BoardFault::DataStuckLow);
            break;
        case SimFault::Unprogrammable:
            simulation.Chip().SetUnprogrammableWord(options.simFaultAddress);
            break;
        case SimFault::Unerasable:
            simulation.Chip().SetUnerasableWord(options.simFaultAddress);
            break;
        case SimFault::None:
            break;
    }
}

std::string CommandTarget::PrepareFtdi() {
    if (!options_.simulate) {
        return {};
    }
    std::string problem;
    ftdi_ = MakeSimFtdiTarget(
        {.time = options_.realTime ? sim::TimeSource::RealTime : sim::TimeSource::Virtual,
         .device = options_.simDevice,
         .wiring = options_.ftdiWiring,
         .chip = options_.simFtdiChip,
         .state = options_.simStatePath},
        problem);
    if (ftdi_) {
        ftdi_->Lines().UseLowVoltageEntry(options_.lowVoltage);
        ApplyFtdiFault(options_, *ftdi_->Simulation());
    }
    return problem;
}

std::string CommandTarget::Prepare() {
    if (options_.ftdiDevice) {
        return PrepareFtdi();
    }
    if (!options_.simulate) {
        return {};
    }
    auto target = std::make_unique<SimTarget>(SimTargetOptions{
        .time = options_.realTime ? sim::TimeSource::RealTime : sim::TimeSource::Virtual,
        .device = options_.simDevice,
        .revision = 1,
        .board = options_.simBoard,
        .base = options_.portBase,
        .chip = options_.simChipSettings,
        .wiring = options_.simWiring,
        .owned = options_.simWiringFile});
    ApplyFault(options_, target->Simulation());
    UseSocket(options_.production, target->Simulation());
    if (options_.simStatePath) {
        if (std::string problem = target->UseStateFile(*options_.simStatePath); !problem.empty()) {
            return problem;
        }
    }
    simulation_ = &target->Simulation();
    target_ = std::move(target);
    return {};
}

std::string CommandTarget::Start() {
    if (options_.ftdiDevice) {
        if (!ftdi_) {
            std::string problem;
            ftdi_ = OpenFtdiTarget(*options_.ftdiDevice, *options_.ftdiWiring, problem);
            if (!ftdi_) {
                return problem;
            }
            ftdi_->Lines().UseLowVoltageEntry(options_.lowVoltage);
        }
        calibration_ = "none (FTDI bit-bang clock)";
        return ftdi_->Start();
    }
    if (!target_) {
        const std::uint16_t bases[] = {options_.portBase};
        target_ = std::make_unique<RealTarget>(bases, options_.portDriver);
        if (!target_->DriverStarted() || !PortAvailable(options_.portBase)) {
            return "no access to the parallel port: " + PortAccessFailure();
        }
    }
    // The command runs alone on this thread, so a real timer waits at a
    // raised priority where the system grants it.
    HighResEngineTimer* real = nullptr;
    try {
        if (!options_.simulate || options_.realTime) {
            HighResTimerSettings settings = kEngineTimerSettings;
            settings.raiseWaitingThread = true;
            auto timer = std::make_unique<HighResEngineTimer>(settings);
            real = timer.get();
            timer_ = std::move(timer);
            if (onTerminal_) {
                std::fputs("Timer Calibrating.....\n", stdout);
                std::fflush(stdout);
            }
        } else {
            timer_ = target_->MakeTimer();
        }
        timer_->SetEnabled(true);
        timer_->Calibrate(kStartupCalibrationMs);
    } catch (const TimerError& error) {
        return error.what();
    }
    calibration_ = real != nullptr ? CalibrationText(real->Component()) : "none (virtual time)";
    return {};
}

std::string CommandTarget::Finish() {
    if (ftdi_) {
        std::string problem = ftdi_->Finish();
        if (ftdi_->Simulation() != nullptr) {
            ReportSimulatedChip(ftdi_->Simulation()->Violations());
        }
        return problem;
    }
    if (simulation_ != nullptr) {
        ReportSimulatedChip(simulation_->Violations());
    }
    timer_.reset();
    return target_->Exit();
}

std::unique_ptr<CommandTarget> MakeCommandTarget(const CliOptions& options, bool onTerminal) {
    return std::make_unique<CommandTarget>(options, onTerminal);
}

}  // namespace tallis
