#include "cli/OperationCommand.h"
#include "app/FileNames.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/ChipImageFile.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "cli/OperationText.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"

namespace tallis {

namespace {

int Complain(int exitCode, const std::string& what) {
    std::fprintf(stderr, "tallis-cli: %s\n", what.c_str());
    return exitCode;
}

void ListDifferences(const OperationResult& result) {
    for (const Difference& difference : result.differences) {
        std::fprintf(stderr, "  %s\n", DifferenceText(difference).c_str());
    }
}

// Outcomes that end any operation the same way; -1 for the others.
int CommonExit(const OperationResult& result, const CliOptions& options) {
    switch (result.outcome) {
        case OperationOutcome::PortError:
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

class OperationCommand {
  public:
    OperationCommand(const CliOptions& options, const ChipImageLoad& file,
                     ProgrammingSession& session, ConsoleOperationProgress& progress,
                     std::FILE* out)
        : options_(options),
          file_(file),
          image_(file.image),
          session_(session),
          progress_(progress),
          out_(out) {}

    int Run() {
        const OperationResult identity = Identify(session_, options_.device);
        if (int status = CommonExit(identity, options_); status >= 0) {
            return status;
        }
        if (identity.outcome != OperationOutcome::Completed) {
            return Complain(kExitChipMismatch, IdentifyDiagnosis(identity, options_.device));
        }
        const Device& device = *identity.found;
        const std::string chip = ChipText(device, identity.idWord);
        // A file checked without a device (--chip auto) is checked again
        // against the one that answered, so that a refusal names its line.
        if (image_ && options_.device == nullptr) {
            const std::string error = FileFitError(options_.firmwarePath, file_,
                                                   {device.programWords, device.eepromBytes});
            if (!error.empty()) {
                return Complain(kExitUsage, error);
            }
        }
        switch (options_.command) {
            case CliCommand::Read:
                return ReadChip(device, chip);
            case CliCommand::Verify:
                return VerifyChip(device, chip);
            case CliCommand::BlankCheck:
                return CheckBlank(device, chip);
            case CliCommand::Write:
                return WriteChip(device, chip);
            default:
                std::fprintf(out_, "%s\n", chip.c_str());
                return kExitCompleted;
        }
    }

  private:
    int ReadChip(const Device& device, const std::string& chip) {
        const ReadResult result = Read(session_, device);
        progress_.EndLine();
        if (int status = CommonExit(result, options_); status >= 0) {
            return status;
        }
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

    int VerifyChip(const Device& device, const std::string& chip) {
        const OperationResult result = Verify(session_, device, *image_);
        progress_.EndLine();
        if (int status = CommonExit(result, options_); status >= 0) {
            return status;
        }
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
                     ImageContents(*image_).c_str(), PathText(options_.firmwarePath).c_str());
        return kExitCompleted;
    }

    int CheckBlank(const Device& device, const std::string& chip) {
        const OperationResult result = BlankCheck(session_, device);
        progress_.EndLine();
        if (int status = CommonExit(result, options_); status >= 0) {
            return status;
        }
        if (result.outcome == OperationOutcome::NotBlank) {
            return Complain(kExitChipMismatch, NotBlankText(device, result));
        }
        std::fprintf(out_, "Blank: %s\n", chip.c_str());
        return kExitCompleted;
    }

    int WriteChip(const Device& device, const std::string& chip) {
        const OperationResult result = Write(session_, device, *image_);
        progress_.EndLine();
        for (const Difference& retried : result.retried) {
            std::fprintf(out_, "Retried with the standard waits: %s\n",
                         DifferenceText(retried).c_str());
        }
        if (int status = CommonExit(result, options_); status >= 0) {
            return status;
        }
        if (result.outcome == OperationOutcome::WriteFailed) {
            Complain(kExitRunError, "write failed: the " + std::string(device.name) +
                                        " does not hold what was written; first differences:");
            ListDifferences(result);
            return kExitRunError;
        }
        std::fprintf(out_, "Wrote and verified %s: %s\n", chip.c_str(),
                     ImageContents(*image_).c_str());
        return kExitCompleted;
    }

    const CliOptions& options_;
    const ChipImageLoad& file_;
    const std::optional<ChipImage>& image_;
    ProgrammingSession& session_;
    ConsoleOperationProgress& progress_;
    std::FILE* out_;
};

}  // namespace

int RunChipOperation(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                     Delayer& timer, const EngineHost& host, bool showProgress) {
    // With `read -` the chip's HEX text owns standard output.
    const bool toStdout =
        options.command == CliCommand::Read && IsStandardOutput(options.firmwarePath);
    std::FILE* out = toStdout ? stderr : stdout;
    Programmer wire(port, timer, host);
    wire.SelectPortAddress(options.portBase);
    ConsoleOperationProgress progress(out, showProgress && !toStdout);
    if (options.fast) {
        const LineCheckResult lines = CheckLines(wire);
        if (lines.fault != LineFault::None) {
            wire.LeavePort();
            return Complain(kExitChipMismatch, LineFaultText(lines.fault));
        }
    }
    int status = kExitCompleted;
    {
        ProgrammingSession session(wire, options.fast ? kFastTiming : kClassicTiming, &progress);
        status = OperationCommand(options, file, session, progress, out).Run();
    }
    return status;
}

namespace {

// One operation in a session of its own, which leaves the chip safe before the
// classic sequence takes the port.
template <typename Operation>
OperationResult InOwnSession(const CliOptions& options, PortIo& port, Delayer& timer,
                             const EngineHost& host, Operation operation) {
    Programmer wire(port, timer, host);
    wire.SelectPortAddress(options.portBase);
    ProgrammingSession session(wire, kClassicTiming);
    return operation(session);
}

}  // namespace

std::optional<int> RefuseOtherChip(const CliOptions& options, PortIo& port, Delayer& timer,
                                   const EngineHost& host) {
    const OperationResult identity = InOwnSession(
        options, port, timer, host,
        [&](ProgrammingSession& session) { return Identify(session, options.device); });
    if (int status = CommonExit(identity, options); status >= 0) {
        return status;
    }
    if (identity.outcome == OperationOutcome::Completed) {
        return std::nullopt;
    }
    Complain(kExitChipMismatch, IdentifyDiagnosis(identity, options.device));
    return Complain(kExitChipMismatch, "nothing was erased; --no-id-check skips this check");
}

std::optional<int> RefuseNotBlank(const CliOptions& options, PortIo& port, Delayer& timer,
                                  const EngineHost& host) {
    // What the classic erase clears on every chip: program memory and the
    // configuration word. The 87xA's keeps the ID locations and the 87x's an
    // unprotected data EEPROM, so those are not asked of it.
    ChipImage erased;
    std::fill_n(erased.program.begin(), options.device->programWords,
                ProgrammingSession::kBlankWord);
    erased.config = ProgrammingSession::kBlankWord;
    const OperationResult result = InOwnSession(
        options, port, timer, host,
        [&](ProgrammingSession& session) { return Verify(session, *options.device, erased); });
    if (int status = CommonExit(result, options); status >= 0) {
        return status;
    }
    if (result.outcome == OperationOutcome::Differs) {
        return Complain(kExitChipMismatch, NotBlankText(*options.device, result));
    }
    return std::nullopt;
}

}  // namespace tallis
