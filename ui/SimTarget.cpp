#include "ui/SimTarget.h"

#include <cstdio>

#include "ui/Application.h"

namespace tallis {

std::unique_ptr<Target> StartSimTarget(const LaunchOptions& options) {
    const SimLaunchOptions simOptions{
        .chip = options.simChip.toStdString(),
        .board = options.simBoard.toStdString(),
        .state = std::filesystem::path(options.simState.toStdWString()),
        .configLatches = options.simConfigLatches.toStdString(),
        .eepromEraseAtConfig = options.simEepromEraseAtConfig.toStdString(),
        .vdd = options.simVdd.toStdString(),
        .vppAfterRun = options.simVppAfterRun.toStdString(),
        .insertions = options.simInsertions.toStdString()};
    std::string problem;
    std::unique_ptr<SimTarget> target = MakeSimTarget(simOptions, problem);
    if (!target) {
        std::fprintf(stderr, "tallis-sim: %s\n", problem.c_str());
    }
    return target;
}

}  // namespace tallis
