#include "cli/OperationCommand.h"

#include <cstdio>
#include <string>

#include "app/DifferenceList.h"
#include "app/EraseCheck.h"
#include "app/FileNames.h"
#include "app/OperationFlow.h"
#include "cli/ChipImageFile.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "cli/OperationText.h"
#include "engine/ResultText.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {

namespace {

int Complain(int exitCode, const std::string& what) {
    std::fprintf(stderr, "tallis-cli: %s\n", what.c_str());
    return exitCode;
}

void ListDifferences(const OperationResult& result) {
    for (const std::string& line : DifferenceLines(result.differences)) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
}

// Outcomes that end any operation the same way; -1 for the others.
int CommonExit(const OperationResult& result, const CliOptions& options) {
    switch (result.outcome) {
        case OperationOutcome::PortError:
            if (options.ftdiDevice) {
                return Complain(kExitNoPortAccess,
                                "the FTDI device failed during the command: nothing it read or "
                                "wrote counts; its pins were let go, VPP off");
            }
            return Complain(kExitNoPortAccess,
                            "the parallel port refused " + std::to_string(result.portFailures) +
                                " accesses during the command: nothing it read or wrote counts");
        case OperationOutcome::Cancelled:
            return Complain(kExitRunError, "interrupted; the chip was left with VPP off");
        case OperationOutcome::TooLarge:
            return Complain(kExitUsage, PathText(options.firmwarePath) + " holds " +
                                            LocationText(result.differences.at(0).space,
                                                         result.differences.at(0).address) +
                                            ", which the chip does not have");
        default:
            return -1;
    }
}

std::string NotBlankText(const Device& device, const OperationResult& result) {
    const Difference& first = result.differences.at(0);
    const char* format = first.space == MemorySpace::Eeprom ? "0x%02X" : "0x%04X";
    char value[16];
    std::snprintf(value, sizeof value, format, unsigned{first.actual});
    return "the " + std::string(device.name) +
           " is not blank: " + LocationText(first.space, first.address) + " holds " + value;
}

DeviceCommandKind KindOf(CliCommand command) {
    switch (command) {
        case CliCommand::Read:
            return DeviceCommandKind::Read;
        case CliCommand::Verify:
            return DeviceCommandKind::Verify;
        case CliCommand::BlankCheck:
            return DeviceCommandKind::BlankCheck;
        case CliCommand::Write:
            return DeviceCommandKind::WriteAll;
        default:
            return DeviceCommandKind::Identify;
    }
}

// A chip operation's report in the command line's words: the result on out,
// problems on standard error, and the exit status.
class ReportPrinter {
  public:
    ReportPrinter(const CliOptions& options, const ChipImageLoad& file, std::FILE* out)
        : options_(options), file_(file), out_(out) {}

    int Print(const OperationReport& report) {
        const ReadResult& result = report.result;
        if (report.lineFault != LineFault::None) {
            return Complain(kExitChipMismatch, LineFaultText(report.lineFault));
        }
        if (result.outcome == OperationOutcome::TooLarge && options_.device == nullptr) {
            // Checked without a device (--chip auto), the file is parsed again
            // against the one that answered, so that the refusal names its line.
            const Device& device = *report.Chip();
            if (const std::string error =
                    FileFitError(options_.firmwarePath, file_, BoundsOf(device));
                !error.empty()) {
                return Complain(kExitUsage, error);
            }
        }
        if (int status = CommonExit(result, options_); status >= 0) {
            return status;
        }
        if (report.Chip() == nullptr || result.outcome == OperationOutcome::WrongChip) {
            return Complain(kExitChipMismatch, IdentifyDiagnosis(result, options_.device));
        }
        const Device& device = *report.Chip();
        const std::string chip = ChipText(device, result.idWord);
        switch (options_.command) {
            case CliCommand::Read:
                return ReadChip(result, chip);
            case CliCommand::Verify:
                return VerifyChip(device, result, chip);
            case CliCommand::BlankCheck:
                return CheckBlank(device, result, chip);
            case CliCommand::Write:
                return WriteChip(device, result, chip);
            default:
                std::fprintf(out_, "%s\n", chip.c_str());
                return kExitCompleted;
        }
    }

  private:
    int ReadChip(const ReadResult& result, const std::string& chip) {
        if (std::string error = SaveChipImageFile(options_.firmwarePath, result.image);
            !error.empty()) {
            return Complain(kExitOutputFailed, error);
        }
        std::fprintf(out_, "Read %s: %s\n", chip.c_str(), ImageContents(result.image).c_str());
        return ProtectionStatus(result, "is not in the file");
    }

    // Names what code protection kept from a read or verify; exit status 4
    // when it kept anything, as the chip could not be taken in whole.
    static int ProtectionStatus(const OperationResult& result, const std::string& consequence) {
        int status = kExitCompleted;
        for (const std::string& area : ProtectedAreas(result)) {
            status = Complain(kExitChipMismatch,
                              area + " is code-protected: it cannot be read and " + consequence);
        }
        return status;
    }

    int VerifyChip(const Device& device, const OperationResult& result, const std::string& chip) {
        if (result.outcome == OperationOutcome::Differs) {
            Complain(kExitChipMismatch, "the " + std::string(device.name) + " differs from " +
                                            PathText(options_.firmwarePath) +
                                            "; first differences:");
            ListDifferences(result);
            ProtectionStatus(result, "was not compared");
            return kExitChipMismatch;
        }
        if (result.outcome == OperationOutcome::Protected) {
            ProtectionStatus(result, "was not compared");
            return Complain(kExitChipMismatch, "the rest of " + PathText(options_.firmwarePath) +
                                                   " matches the " + std::string(device.name) +
                                                   "; the file is not verified whole");
        }
        std::fprintf(out_, "Verified %s: %s as in %s\n", chip.c_str(),
                     ImageContents(*file_.image).c_str(), PathText(options_.firmwarePath).c_str());
        return kExitCompleted;
    }

    int CheckBlank(const Device& device, const OperationResult& result, const std::string& chip) {
        if (result.outcome == OperationOutcome::NotBlank) {
            return Complain(kExitChipMismatch, NotBlankText(device, result));
        }
        std::fprintf(out_, "Blank: %s\n", chip.c_str());
        return kExitCompleted;
    }

    int WriteChip(const Device& device, const OperationResult& result, const std::string& chip) {
        if (result.outcome == OperationOutcome::WriteFailed) {
            Complain(kExitRunError, "write failed: the " + std::string(device.name) +
                                        " does not hold what was written; first differences:");
            ListDifferences(result);
            return kExitRunError;
        }
        std::fprintf(out_, "Wrote and verified %s: %s\n", chip.c_str(),
                     ImageContents(*file_.image).c_str());
        return kExitCompleted;
    }

    const CliOptions& options_;
    const ChipImageLoad& file_;
    std::FILE* out_;
};

// The default board's lines at the chosen port.
ParallelPortTransport OwnLines(const CliOptions& options, PortIo& port, Delayer& timer) {
    return ParallelPortTransport(port, timer, board::kDefaultBoard, options.portBase);
}

}  // namespace

int RunChipOperation(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                     Delayer& timer, bool showProgress) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    return RunChipOperation(options, file, lines, showProgress);
}

int RunChipOperation(const CliOptions& options, const ChipImageLoad& file, LineTransport& lines,
                     bool showProgress) {
    // With `read -` the chip's HEX text owns standard output.
    const bool toStdout =
        options.command == CliCommand::Read && IsStandardOutput(options.firmwarePath);
    std::FILE* out = toStdout ? stderr : stdout;
    ConsoleOperationProgress progress(out, showProgress && !toStdout);
    const OperationReport report = RunOperation(
        lines, {.timing = options.fast ? &kFastTiming : &kClassicTiming, .progress = &progress},
        {.kind = KindOf(options.command),
         .asked = options.device,
         .file = file.image ? &*file.image : nullptr});
    progress.EndLine();
    if (options.command == CliCommand::Write) {
        for (const Difference& retried : report.result.retried) {
            std::fprintf(out, "Retried with the standard waits: %s\n",
                         DifferenceText(retried).c_str());
        }
    }
    return ReportPrinter(options, file, out).Print(report);
}

std::optional<int> RefuseOtherChip(const CliOptions& options, PortIo& port, Delayer& timer) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    const OperationReport identity = CheckChipBeforeErase(lines, options.device);
    if (int status = CommonExit(identity.result, options); status >= 0) {
        return status;
    }
    if (identity.Outcome() == OperationOutcome::Completed) {
        return std::nullopt;
    }
    Complain(kExitChipMismatch, IdentifyDiagnosis(identity.result, options.device));
    return Complain(kExitChipMismatch, "nothing was erased; --no-id-check skips this check");
}

std::optional<int> RefuseNotBlank(const CliOptions& options, PortIo& port, Delayer& timer) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    const OperationReport erased = CheckErased(lines, *options.device);
    if (int status = CommonExit(erased.result, options); status >= 0) {
        return status;
    }
    if (erased.Outcome() == OperationOutcome::Differs) {
        return Complain(kExitChipMismatch, NotBlankText(*options.device, erased.result));
    }
    return std::nullopt;
}

}  // namespace tallis
