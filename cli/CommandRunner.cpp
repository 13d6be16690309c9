#include "cli/CommandRunner.h"

#include <cstdio>
#include <string>

#include "cli/ConsoleText.h"
#include "cli/ExitCode.h"
#include "cli/StopPointHost.h"
#include "engine/ProgramRun.h"
#include "engine/Programmer.h"

namespace tallis {

namespace {

// A failed run's message goes to standard error too, where a script that
// keeps only the errors finds it.
int ExitCodeOf(RunOutcome outcome, const ConsoleRunHost& host) {
    switch (outcome) {
        case RunOutcome::Completed:
            return kExitCompleted;
        case RunOutcome::EndOfText:
            std::fputs("tallis-cli: the file has no end record; the target was not reset\n",
                       stderr);
            return kExitRunError;
        case RunOutcome::NotIntelHex:
        case RunOutcome::VerifyError:
        case RunOutcome::ChecksumError:
            std::fprintf(stderr, "tallis-cli: %s\n",
                         ConsoleMessageText(host.LastMessage()).c_str());
            return kExitRunError;
    }
    return kExitRunError;
}

// The one line that erase and reset print unless quiet.
void SayDone(const CliOptions& options, const std::string& what, std::uint16_t portBase) {
    if (!options.quiet) {
        std::printf("%s (port 0x%X)\n", what.c_str(), unsigned{portBase});
    }
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
            SayDone(options, std::string(options.device->name) + " erased", programmer.PortBase);
            return stopStatus();
        case CliCommand::Reset:
            programmer.ResetCpu();
            SayDone(options, "Target reset", programmer.PortBase);
            return stopStatus();
        case CliCommand::Program: {
            StopPointHost stopPoints(host, stopStatus);
            ProgramRun run(programmer, stopPoints);
            ConsoleRunHost::WordCountView wordCount(host, run.WordsDone);
            try {
                RunOutcome outcome = run.Execute(*image);
                host.EndProgressLine();
                int stoppedStatus = stopStatus();
                return stoppedStatus != 0 ? stoppedStatus : ExitCodeOf(outcome, host);
            } catch (const RunStopped& stopped) {
                host.EndProgressLine();
                // As after a run that stopped on an error: VPP off, target released.
                programmer.ResetTarget();
                return stopped.exitStatus;
            }
        }
        default:
            return kExitUsage;  // the chip operations run elsewhere
    }
}

}  // namespace tallis
