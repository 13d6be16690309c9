#include "cli/CommandRunner.h"

#include <cstdio>

#include "cli/ExitCode.h"
#include "cli/OperationCommand.h"
#include "engine/ProgramRun.h"
#include "engine/Programmer.h"

namespace tallis {

namespace {

int ExitCodeOf(RunOutcome outcome) {
    return outcome == RunOutcome::Completed ? kExitCompleted : kExitRunError;
}

// The run's message names no line; a script's user wants to know where to look.
void ReportRefusedLine(const CliOptions& options, const HexFileCheck& check) {
    if (check.Sound() || check.line == 0) {
        return;
    }
    const auto path = options.firmwarePath.u8string();
    std::fprintf(stderr, "tallis-cli: %s: line %d; nothing was sent to the chip\n",
                 std::string(path.begin(), path.end()).c_str(), check.line);
}

std::optional<int> RefuseOtherChipUnlessSkipped(const CliOptions& options, PortIo& port,
                                                Delayer& timer, const EngineHost& host) {
    if (!options.idCheck) {
        return std::nullopt;
    }
    return RefuseOtherChip(options, port, timer, host);
}

}  // namespace

int RunCommand(const CliOptions& options, const FirmwareImage* image, PortIo& port, Delayer& timer,
               ConsoleRunHost& host) {
    Programmer programmer(port, timer, host);
    if (options.lptNumber != 0) {
        programmer.SelectPort(options.lptNumber);
    } else {
        // The run keeps this port because the host reports no LPT choice (0).
        programmer.SelectPortAddress(options.portBase);
    }

    switch (options.command) {
        case CliCommand::Erase:
            if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer, host)) {
                return *refused;
            }
            programmer.EraseOnly();
            if (options.idCheck) {
                return RefuseNotBlank(options, port, timer, host).value_or(kExitCompleted);
            }
            return kExitCompleted;
        case CliCommand::Reset:
            programmer.ResetCpu();
            return kExitCompleted;
        case CliCommand::Program: {
            // A file the run refuses is refused before the chip is asked anything.
            if (CheckHexFile(*image).Sound()) {
                if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer, host)) {
                    return *refused;
                }
            }
            ProgramRun run(programmer, host);
            ConsoleRunHost::WordCountView wordCount(host, run.WordsDone);
            RunOutcome outcome = run.Execute(*image);
            host.EndProgressLine();
            ReportRefusedLine(options, run.FileCheck());
            return ExitCodeOf(outcome);
        }
        default:
            return kExitUsage;  // the chip operations run elsewhere
    }
}

}  // namespace tallis
