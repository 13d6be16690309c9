#include "cli/CommandRunner.h"

#include <cstdio>

#include "cli/ExitCode.h"
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
               ConsoleRunHost& host) {
    Programmer programmer(port, timer, host);
    if (options.lptNumber != 0) {
        programmer.SelectPort(options.lptNumber);
    } else {
        // A port given by its address has no LPT number; the run keeps this
        // base because the host reports no LPT choice (0).
        programmer.PortBase = options.portBase;
    }

    switch (options.command) {
        case CliCommand::Erase:
            programmer.EraseOnly();
            return kExitCompleted;
        case CliCommand::Reset:
            programmer.ResetCpu();
            return kExitCompleted;
        case CliCommand::Ports:  // answered without a port or a chip
            break;
        case CliCommand::Program: {
            ProgramRun run(programmer, host);
            host.ShowWordsOf(run.WordsDone);
            RunOutcome outcome = run.Execute(*image);
            host.EndProgressLine();
            return ExitCodeOf(outcome);
        }
    }
    return kExitUsage;
}

}  // namespace tallis
