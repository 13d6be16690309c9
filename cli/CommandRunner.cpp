#include "cli/CommandRunner.h"

#include <cstdio>
#include <string>

#include "classic/ProgramRun.h"
#include "classic/RunMessages.h"
#include "cli/ConsoleText.h"
#include "cli/ExitCode.h"
#include "cli/OperationCommand.h"
#include "cli/StopPointHost.h"
#include "cli/Terminal.h"
#include "engine/ChipType.h"

namespace tallis {

namespace {

// A failed run's message goes to standard error too, where a script that
// keeps only the errors finds it.
int ExitCodeOf(RunOutcome outcome, const ConsoleRunHost& host) {
    if (outcome == RunOutcome::Completed) {
        return kExitCompleted;
    }
    if (!host.LastMessage().empty()) {
        std::fprintf(stderr, "tallis-cli: %s\n", ConsoleMessageText(host.LastMessage()).c_str());
    }
    return kExitRunError;
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
                                                Delayer& timer) {
    if (!options.idCheck) {
        return std::nullopt;
    }
    return RefuseOtherChip(options, port, timer);
}

// The classic run warns on its output, as the desktop program does; a script
// that keeps only standard error learns it there, with the command that
// writes those records, or the chip that lacks the file's configuration word 2.
// Where both streams are one terminal, the run's own warning is enough.
void WarnAboutSkippedRecords(const HexFileCheck& check, const Device& device) {
    if (StderrSharesStdoutsTerminal()) {
        return;
    }
    if (const std::string skipped = SkippedRecords(check); !skipped.empty()) {
        std::fprintf(stderr,
                     "tallis-cli: warning: program does not write the file's %s; tallis-cli "
                     "write writes them\n",
                     skipped.c_str());
    }
    if (check.hasSecondConfigWord) {
        std::fprintf(stderr,
                     "tallis-cli: warning: configuration word 2 (0x%04X) is not on the %s; is "
                     "the file for another chip?\n",
                     unsigned{kSecondConfigWordAddress}, std::string(device.name).c_str());
    }
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
    ParallelPortTransport lines(port, timer);
    ClassicProgrammer programmer(lines, host);
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
            if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer)) {
                return *refused;
            }
            if (HasClassicCommands(*options.device)) {
                programmer.EraseOnly();
            } else {
                EraseWithFamily(options, port, timer);
            }
            if (options.idCheck) {
                if (const auto notBlank = RefuseNotBlank(options, port, timer)) {
                    return *notBlank;
                }
            }
            SayDone(options, std::string(options.device->name) + " erased", programmer.PortBase());
            return stopStatus();
        case CliCommand::Reset:
            programmer.ResetCpu();
            SayDone(options, "Target reset", programmer.PortBase());
            return stopStatus();
        case CliCommand::Program: {
            // A file the run refuses is refused before the chip is asked anything.
            if (const HexFileCheck check = CheckHexFile(*image); check.Sound()) {
                if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer)) {
                    return *refused;
                }
                WarnAboutSkippedRecords(check, *options.device);
            }
            StopPointHost stopPoints(host, stopStatus);
            ProgramRun run(programmer, stopPoints);
            ConsoleRunHost::WordCountView wordCount(host, run.WordsDone);
            try {
                RunOutcome outcome = run.Execute(*image);
                host.EndProgressLine();
                if (int stoppedStatus = stopStatus(); stoppedStatus != 0) {
                    return stoppedStatus;
                }
                const int status = ExitCodeOf(outcome, host);
                ReportRefusedLine(options, run.FileCheck());
                return status;
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
