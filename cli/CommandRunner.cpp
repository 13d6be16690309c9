#include "cli/CommandRunner.h"

#include <cstdio>

#include "cli/ExitCode.h"
#include "cli/StopPointHost.h"
#include "engine/ProgramRun.h"
#include "engine/Programmer.h"

namespace tallis {

namespace {

int ExitCodeOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Completed:
            return kExitCompleted;
        case RunOutcome::EndOfText:
            std::fputs("the file has no end record; the target was not reset\n", stderr);
            return kExitRunError;
        case RunOutcome::NotIntelHex:
        case RunOutcome::VerifyError:
        case RunOutcome::ChecksumError:
            return kExitRunError;
    }
    return kExitRunError;
}

}  // namespace

int RunCommand(const CliOptions& options, const FirmwareImage* image, PortIo& port, Delayer& timer,
               ConsoleRunHost& host, const std::function<int()>& stopStatus) {
    Programmer programmer(port, timer, host);
    if (options.lptNumber != 0) {
        programmer.SelectPort(options.lptNumber);
    } else {
        // The run keeps this port because the host reports no LPT choice (0).
        programmer.SelectPortAddress(options.portBase);
    }

    // Erase and reset take milliseconds and have no safe point inside: a stop
    // asked meanwhile ends the command after them.
    switch (options.command) {
        case CliCommand::Erase:
            programmer.EraseOnly();
            return stopStatus();
        case CliCommand::Reset:
            programmer.ResetCpu();
            return stopStatus();
        case CliCommand::Ports:  // answered without a port or a chip
            break;
        case CliCommand::Program: {
            StopPointHost stopPoints(host, stopStatus);
            ProgramRun run(programmer, stopPoints);
            ConsoleRunHost::WordCountView wordCount(host, run.WordsDone);
            try {
                RunOutcome outcome = run.Execute(*image);
                host.EndProgressLine();
                int stoppedStatus = stopStatus();
                return stoppedStatus != 0 ? stoppedStatus : ExitCodeOf(outcome);
            } catch (const RunStopped& stopped) {
                host.EndProgressLine();
                // As after a run that stopped on an error: VPP off, target released.
                programmer.ResetTarget();
                return stopped.exitStatus;
            }
        }
    }
    return kExitUsage;
}

}  // namespace tallis
