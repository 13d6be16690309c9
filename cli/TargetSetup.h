#pragma once

#include <memory>
#include <string>

#include "app/EngineTimer.h"
#include "app/SimTarget.h"
#include "app/Target.h"
#include "cli/CliOptions.h"

namespace tallis {

// --sim: the simulated board and chip the options describe, with their fault
// and state file. Null with the problem when the state file cannot be used.
std::unique_ptr<SimTarget> MakeCliSimTarget(const CliOptions& options, std::string& problem);

// The target's timer, started as the desktop program starts it: enabled, then
// a real one calibrated for three seconds at a raised waiting priority (the
// command runs alone on this thread). The problem is empty, or what is
// missing: port access and how to get it, or a timer that cannot measure time.
struct StartedTimer {
    std::unique_ptr<EngineTimer> timer;
    std::string calibration;  // for reports: how the timer was calibrated
    std::string problem;
};
StartedTimer StartTarget(const CliOptions& options, Target& target, bool onTerminal);

// What the simulated chip saw that a real chip would not accept (protocol
// violations) or that a real board may suffer from (hazards), on standard error.
void ReportSimulatedChip(sim::SimulatedTarget& simulation);

}  // namespace tallis
