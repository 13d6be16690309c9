#include "cli/CommandRunner.h"

#include <cstdio>
#include <string>

#include "app/FileNames.h"
#include "classic/ProgramRun.h"
#include "classic/RunMessages.h"
#include "cli/ConsoleText.h"
#include "cli/ExitCode.h"
#include "cli/OperationCommand.h"
#include "cli/StopPointHost.h"
#include "cli/Terminal.h"
#include "engine/ChipType.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

// A failed run's message goes to standard error too, where a script that
// keeps only the errors finds it: on one line, without the advice for the
// board that follows a verify error on standard output. Where both streams
// are one terminal, the run's own message is enough.
int ExitCodeOf(RunOutcome outcome, const ConsoleRunHost& host) {
    if (outcome == RunOutcome::Completed) {
        return kExitCompleted;
    }
    if (!host.LastMessage().empty() && !StderrSharesStdoutsTerminal()) {
        std::fprintf(stderr, "tallis-cli: %s\n", ErrorLineText(host.LastMessage()).c_str());
    }
    return kExitRunError;
}

// The run's message names no line; a script's user wants to know where to look.
void ReportRefusedLine(const CliOptions& options, const HexFileCheck& check) {
    if (check.Sound()) {
        return;
    }
    const std::string path = PathText(options.firmwarePath);
    if (check.line == 0) {
        // An empty file, or one without an end record: no line to blame.
        std::fprintf(stderr, "tallis-cli: %s: nothing was sent to the chip\n", path.c_str());
    } else if (check.blanksAfterRecord) {
        std::fprintf(stderr,
                     "tallis-cli: %s: line %d ends in more than one space or tab after the "
                     "checksum, and program passes over only one character there; nothing "
                     "was sent to the chip (remove them, or use write, which skips them)\n",
                     path.c_str(), check.line);
    } else {
        std::fprintf(stderr, "tallis-cli: %s: line %d; nothing was sent to the chip\n",
                     path.c_str(), check.line);
    }
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
void WarnAboutSkippedRecords(const CliOptions& options, const HexFileCheck& check,
                             const Device& device) {
    if (StderrSharesStdoutsTerminal()) {
        return;
    }
    if (check.highBitsLine != 0) {
        std::fprintf(stderr,
                     "tallis-cli: warning: %s: line %d sets bits 14-15 of a word; the chip's "
                     "words have 14 bits, so they are left out (as write does)\n",
                     PathText(options.firmwarePath).c_str(), check.highBitsLine);
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

// A board that switches the target's supply has it on only while a command
// runs; on one that does not, nothing more goes to the port.
void PowerOffIfSwitched(const CliOptions& options, LineTransport& lines) {
    if (options.board->SwitchesTarget()) {
        target_lines::PowerOff(lines);
    }
}

// The one line that erase and reset print unless quiet.
void SayDone(const CliOptions& options, const std::string& what, std::uint16_t portBase) {
    if (!options.quiet) {
        std::printf("%s (port 0x%X)\n", what.c_str(), unsigned{portBase});
    }
}

// What each family's classic erase clears and what it leaves, said after the
// read-back has found the cleared part blank. The other families' erases
// clear the whole chip but its calibration, which their rows show.
void SayWhatEraseKept(const CliOptions& options) {
    if (options.quiet || !HasClassicCommands(*options.device)) {
        return;
    }
    if (options.chip == ChipType::Pic16F877A) {
        std::printf(
            "program memory, configuration word and data EEPROM erased; ID locations "
            "kept\n");
    } else {
        std::printf(
            "program memory, configuration word and ID locations erased; data EEPROM kept "
            "(erased too when code or data protection was on)\n");
    }
}

}  // namespace

int RunCommand(const CliOptions& options, const FirmwareImage* image, PortIo& port, Delayer& timer,
               ConsoleRunHost& host, const std::function<int()>& stopStatus) {
    ParallelPortTransport lines(port, timer, *options.board);
    ClassicProgrammer programmer(lines, host);
    if (options.lptNumber != 0) {
        programmer.SelectPort(options.lptNumber);
    } else {
        // The run keeps this port because the host reports no LPT choice (0).
        programmer.SelectPortAddress(options.portBase);
    }

    // Erase and reset take milliseconds and have no safe point inside: a stop
    // asked meanwhile ends the command after them. The blank check after the
    // erase stops at its next word. Reset leaves the target powered and running.
    switch (options.command) {
        case CliCommand::Erase:
            if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer)) {
                return *refused;
            }
            if (HasClassicCommands(*options.device)) {
                programmer.EraseOnly();
            } else if (const auto failed = EraseWithFamily(options, port, timer)) {
                PowerOffIfSwitched(options, lines);
                return *failed;
            }
            if (options.idCheck) {
                if (const auto notBlank =
                        RefuseNotBlank(options, port, timer, host.ShowsProgress(), stopStatus)) {
                    return *notBlank;
                }
            }
            PowerOffIfSwitched(options, lines);
            SayDone(options, std::string(options.device->name) + " erased", programmer.PortBase());
            if (options.idCheck) {
                SayWhatEraseKept(options);
            }
            return stopStatus();
        case CliCommand::Reset:
            programmer.ResetCpu();
            SayDone(options, "Target reset", programmer.PortBase());
            return stopStatus();
        case CliCommand::Program: {
            // A file the run refuses is refused before the chip is asked anything.
            const std::uint16_t programWords = options.device->programWords;
            if (const HexFileCheck check = CheckHexFile(*image, programWords); check.Sound()) {
                if (const auto refused = RefuseOtherChipUnlessSkipped(options, port, timer)) {
                    return *refused;
                }
                WarnAboutSkippedRecords(options, check, *options.device);
            }
            StopPointHost stopPoints(host, stopStatus);
            ProgramRun run(programmer, stopPoints);
            ConsoleRunHost::WordCountView wordCount(host, run.WordsWritten);
            try {
                RunOutcome outcome = run.Execute(*image, programWords);
                PowerOffIfSwitched(options, lines);
                host.EndProgressLine();
                if (int stoppedStatus = stopStatus(); stoppedStatus != 0) {
                    return stoppedStatus;
                }
                const int status = ExitCodeOf(outcome, host);
                ReportRefusedLine(options, run.FileCheck());
                if (status == kExitCompleted && options.idCheck) {
                    const auto kept = RefuseKeptWords(options, port, timer, *image,
                                                      host.ShowsProgress(), stopStatus);
                    PowerOffIfSwitched(options, lines);
                    if (kept) {
                        return *kept;
                    }
                }
                return status;
            } catch (const RunStopped& stopped) {
                host.EndProgressLine();
                // As after a run that stopped on an error: VPP off, target released.
                programmer.ResetTarget();
                PowerOffIfSwitched(options, lines);
                return stopped.exitStatus;
            }
        }
        default:
            return kExitUsage;  // the chip operations run elsewhere
    }
}

}  // namespace tallis
