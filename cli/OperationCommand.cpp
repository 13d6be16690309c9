#include "cli/OperationCommand.h"
#include "engine/ChipType.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/CalibrationFile.h"
#include "app/ChecksumLine.h"
#include "app/DifferenceList.h"
#include "app/EntryText.h"
#include "app/EraseCheck.h"
#include "app/FileNames.h"
#include "app/OperationFlow.h"
#include "cli/ChipImageFile.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "cli/OperationText.h"
#include "engine/ResultText.h"
#include "engine/families/ChipFamily.h"
#include "image/ChipImageHex.h"
#include "wire/ParallelPortTransport.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

// The board in force: the FTDI one when the port is an FTDI device.
std::string ChosenBoardHint(const CliOptions& options) {
    if (options.ftdiDevice) {
        return BoardChoiceHint(options.ftdiWiring->name, options.ftdiWiring->description);
    }
    return BoardChoiceHint(options.board->name, options.board->title);
}

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
int CommonExit(const OperationResult& result, const CliOptions& options,
               const CalibrationKeeper& keeper) {
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
            // Only a stop signal cancels here, and the run's end says so once.
            return kExitRunError;
        case OperationOutcome::CalibrationKept:
            return Complain(kExitRunError, CalibrationKeptText(result.differences.at(0)) +
                                               " (--write-calibration writes it)");
        case OperationOutcome::CalibrationNotSaved:
            return Complain(kExitOutputFailed,
                            "cannot keep the chip's calibration before the "
                            "erase: " +
                                keeper.Error() + "; nothing was erased");
        case OperationOutcome::LvpOffRefused:
            return Complain(kExitRunError,
                            LvpOffText(result.differences.at(0)) + " (--allow-lvp-off writes it)");
        case OperationOutcome::TooLarge:
            return Complain(kExitUsage, PathText(options.firmwarePath) + " holds " +
                                            LocationText(result.differences.at(0).space,
                                                         result.differences.at(0).address) +
                                            ", which the chip does not have");
        default:
            return -1;
    }
}

// "program memory 0x0150 holds 0x2801": the first location that is not blank.
std::string HeldText(const OperationResult& result) {
    const Difference& first = result.differences.at(0);
    const char* format = first.space == MemorySpace::Eeprom ? "0x%02X" : "0x%04X";
    char value[16];
    std::snprintf(value, sizeof value, format, unsigned{first.actual});
    return LocationText(first.space, first.address) + " holds " + value;
}

std::string NotBlankText(const Device& device, const OperationResult& result) {
    return "the " + std::string(device.name) + " is not blank: " + HeldText(result);
}

// "program memory and the configuration word": the parts of a blank check.
std::string ScopeText(const std::vector<RegionKind>& scope) {
    const std::pair<RegionKind, const char*> parts[] = {
        {RegionKind::Program, "program memory"},
        {RegionKind::Id, "the ID locations"},
        {RegionKind::Eeprom, "the data EEPROM"},
        {RegionKind::Config, "the configuration word"},
    };
    std::vector<std::string> named;
    for (const auto& [kind, name] : parts) {
        if (std::ranges::find(scope, kind) != scope.end()) {
            named.emplace_back(name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < named.size(); ++i) {
        text += i == 0 ? "" : i + 1 == named.size() ? " and " : ", ";
        text += named[i];
    }
    return text;
}

// "found PIC16F877; use --chip 16f877": the way on from a chip other than asked.
std::string UseFoundChipText(const Device& found) {
    return "found " + std::string(found.name) + "; use --chip " + std::string(found.option);
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

// Where the calibration an erase took is, for a run that ended after the
// erase without writing it back.
void SayWhereCalibrationIs(const OperationResult& result, const CalibrationKeeper& keeper) {
    if (result.outcome != OperationOutcome::Completed && keeper.Saved()) {
        Complain(0, "the chip's calibration, read before the erase, is kept in " +
                        PathText(*keeper.Saved()));
    }
}

// A calibration word that read erased before the erase, and that nothing replaced.
void SayIfCalibrationLost(const OperationResult& result) {
    if (result.calibrationLost) {
        Complain(0, std::string("warning: ") + kCalibrationLostText);
    }
}

// A chip operation's report in the command line's words: the result on out,
// problems on standard error, and the exit status.
class ReportPrinter {
  public:
    ReportPrinter(const CliOptions& options, const ChipImageLoad& file, std::FILE* out,
                  const CalibrationKeeper& keeper)
        : options_(options), file_(file), out_(out), keeper_(keeper) {}

    int Print(const OperationReport& report) {
        const ReadResult& result = report.result;
        if (report.lineFault != LineFault::None) {
            Complain(kExitChipMismatch, LineFaultText(report.lineFault));
            return Complain(kExitChipMismatch, ChosenBoardHint(options_));
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
        if (options_.command == CliCommand::Write) {
            SayIfCalibrationLost(result);
            SayWhereCalibrationIs(result, keeper_);
        }
        if (int status = CommonExit(result, options_, keeper_); status >= 0) {
            return status;
        }
        if (report.Chip() == nullptr) {
            Complain(kExitChipMismatch, IdentifyDiagnosis(result, options_.device));
            if (MayBeWrongBoard(result)) {
                Complain(kExitChipMismatch, ChosenBoardHint(options_));
                if (report.lowVoltageEntry) {
                    Complain(kExitChipMismatch, LowVoltageEntryHint(options_.device));
                } else if (const std::string hint = VppBeforeVddHint(options_.device, "--board");
                           !options_.board->VddSwitched() && !hint.empty()) {
                    Complain(kExitChipMismatch, hint);
                }
            }
            return kExitChipMismatch;
        }
        if (result.outcome == OperationOutcome::WrongChip) {
            Complain(kExitChipMismatch, IdentifyDiagnosis(result, options_.device));
            return Complain(kExitChipMismatch, UseFoundChipText(*report.Chip()));
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
                if (options_.production.identifyChecksum) {
                    std::fprintf(out_, "%s\n", ChipChecksumLine(result, device).c_str());
                }
                return kExitCompleted;
        }
    }

  private:
    int ReadChip(const ReadResult& result, const std::string& chip) {
        if (std::string error =
                SaveChipImageFile(options_.firmwarePath, result.image, result.found->regions);
            !error.empty()) {
            return Complain(kExitOutputFailed, error);
        }
        std::fprintf(out_, "Read %s: %s\n", chip.c_str(),
                     ImageContents(result.image, *result.found).c_str());
        std::fprintf(out_, "%s\n", ChipChecksumLine(result, *result.found).c_str());
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
            return Complain(kExitChipMismatch, kEraseWriteSupplyText);
        }
        if (result.outcome == OperationOutcome::Protected) {
            ProtectionStatus(result, "was not compared");
            PrintFileChecksum(device);
            return Complain(kExitChipMismatch, "the rest of " + PathText(options_.firmwarePath) +
                                                   " matches the " + std::string(device.name) +
                                                   "; the file is not verified whole");
        }
        std::fprintf(out_, "Verified %s: %s as in %s\n", chip.c_str(),
                     ImageContents(*file_.image, device).c_str(),
                     PathText(options_.firmwarePath).c_str());
        PrintFileChecksum(device);
        return kExitCompleted;
    }

    int CheckBlank(const Device& device, const OperationResult& result, const std::string& chip) {
        if (result.outcome == OperationOutcome::NotBlank) {
            return Complain(kExitChipMismatch, NotBlankText(device, result));
        }
        if (options_.blankScope == kWholeChip) {
            std::fprintf(out_, "Blank: %s\n", chip.c_str());
        } else {
            std::fprintf(out_, "Blank: %s of the %s\n", ScopeText(options_.blankScope).c_str(),
                         chip.c_str());
        }
        return kExitCompleted;
    }

    int WriteChip(const Device& device, const OperationResult& result, const std::string& chip) {
        if (result.outcome == OperationOutcome::NotErased) {
            Complain(kExitChipMismatch, "the erase did not clear the " + std::string(device.name) +
                                            ": " + HeldText(result) + "; nothing was written");
            return Complain(kExitChipMismatch, kEraseWriteSupplyText);
        }
        if (result.outcome == OperationOutcome::WriteFailed) {
            Complain(kExitRunError, "write failed: the " + std::string(device.name) +
                                        " does not hold what was written; first differences:");
            ListDifferences(result);
            return Complain(kExitRunError, kEraseWriteSupplyText);
        }
        std::fprintf(out_, "Wrote and verified %s: %s\n", chip.c_str(),
                     ImageContents(*file_.image, device).c_str());
        PrintFileChecksum(device);
        return kExitCompleted;
    }

    void PrintFileChecksum(const Device& device) {
        std::fprintf(
            out_, "%s\n",
            FileChecksumLine(*file_.image, device, PathText(options_.firmwarePath)).c_str());
    }

    const CliOptions& options_;
    const ChipImageLoad& file_;
    std::FILE* out_;
    const CalibrationKeeper& keeper_;
};

// identify --checksum reads the chip after the device ID, in the same session.
std::vector<DeviceCommandKind> ChecksumRead(const CliOptions& options) {
    if (options.command == CliCommand::Identify && options.production.identifyChecksum) {
        return {DeviceCommandKind::Read};
    }
    return {};
}

// The chosen board's lines at the chosen port.
ParallelPortTransport OwnLines(const CliOptions& options, PortIo& port, Delayer& timer) {
    ParallelPortTransport lines(port, timer, *options.board, options.portBase);
    lines.UseLowVoltageEntry(options.lowVoltage);
    return lines;
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
    CalibrationKeeper keeper;
    const OperationReport report = RunOperation(
        lines, {.timing = options.fast ? &kFastTiming : &kClassicTiming, .progress = &progress},
        {.kind = KindOf(options.command),
         .asked = options.device,
         .file = file.image ? &*file.image : nullptr,
         // Every difference, so that the list ends with how many more there are.
         .kept = DifferencesKept::All,
         .blankScope = options.blankScope,
         .write = {.writeCalibration = options.writeCalibration || options.calibrationFromFile,
                   .allowLvpOff = options.allowLvpOff},
         .calibration = options.calibrationFromFile ? CalibrationCompared::FromFile
                                                    : CalibrationCompared::None,
         .keeper = &keeper,
         .then = ChecksumRead(options)});
    if (options.board->SwitchesTarget()) {
        target_lines::PowerOff(lines);  // on only while a command runs
    }
    progress.EndLine();
    if (options.command == CliCommand::Write) {
        for (const Difference& retried : report.result.retried) {
            std::fprintf(out, "Retried with the standard waits: %s\n",
                         DifferenceText(retried).c_str());
        }
    }
    return ReportPrinter(options, file, out, keeper).Print(report);
}

std::optional<int> RefuseOtherChip(const CliOptions& options, PortIo& port, Delayer& timer) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    const OperationReport identity = CheckChipBeforeErase(lines, options.device);
    if (int status = CommonExit(identity.result, options, CalibrationKeeper()); status >= 0) {
        return status;
    }
    if (identity.Outcome() == OperationOutcome::Completed) {
        return std::nullopt;
    }
    Complain(kExitChipMismatch, IdentifyDiagnosis(identity.result, options.device));
    if (MayBeWrongBoard(identity.result)) {
        Complain(kExitChipMismatch, ChosenBoardHint(options));
    }
    if (identity.Outcome() == OperationOutcome::WrongChip) {
        // Skipping the check would run the other family's sequence on it.
        const Device& found = *identity.Chip();
        if (options.command == CliCommand::Program && !HasClassicCommands(found)) {
            return Complain(kExitChipMismatch,
                            "found " + std::string(found.name) +
                                "; program is for the PIC16F87x and PIC16F87xA: write programs "
                                "it (--chip " +
                                std::string(found.option) + " write); nothing was erased");
        }
        return Complain(kExitChipMismatch, UseFoundChipText(found) + "; nothing was erased");
    }
    return Complain(kExitChipMismatch, "nothing was erased; --no-id-check skips this check");
}

std::optional<int> RefuseKeptWords(const CliOptions& options, PortIo& port, Delayer& timer,
                                   const FirmwareImage& file, bool showProgress,
                                   const std::function<int()>& stopStatus) {
    const HexParseResult parsed = ParseChipImageHex(file.Text(), BoundsOf(*options.device));
    if (!parsed) {
        return std::nullopt;  // the run's own rule took it; there is no image to compare
    }
    ParallelPortTransport lines = OwnLines(options, port, timer);
    ConsoleOperationProgress progress(stdout, showProgress);
    const OperationReport kept =
        CheckUnwrittenErased(lines, *options.device, *parsed.image, &progress);
    progress.EndLine();
    if (kept.Outcome() == OperationOutcome::Cancelled) {
        return stopStatus();
    }
    if (int status = CommonExit(kept.result, options, CalibrationKeeper()); status >= 0) {
        return status;
    }
    if (kept.Outcome() == OperationOutcome::Differs) {
        Complain(kExitChipMismatch, "the erase did not clear the " +
                                        std::string(options.device->name) + ": " +
                                        HeldText(kept.result) + ", which the file does not write");
        return Complain(kExitChipMismatch, kEraseWriteSupplyText);
    }
    return std::nullopt;
}

std::optional<int> EraseWithFamily(const CliOptions& options, PortIo& port, Delayer& timer) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    CalibrationKeeper keeper;
    OperationResult erased;
    RunInSession(lines, {}, [&](ProgrammingSession& session) {
        const Device& device = *options.device;
        KeepCalibration keep;
        if (FamilyOf(device).EraseTakesCalibration()) {
            // The file is named after the chip's device ID, revision and all.
            session.GoTo(kDeviceIdAddress);
            keep = keeper.For(device, session.ReadWord());
        }
        erased = EraseChip(session, device, keep);
    });
    SayIfCalibrationLost(erased);
    SayWhereCalibrationIs(erased, keeper);
    if (int status = CommonExit(erased, options, keeper); status >= 0) {
        return status;
    }
    if (erased.outcome == OperationOutcome::WriteFailed) {
        Complain(kExitRunError,
                 "the calibration written back after the erase does not read "
                 "back; first differences:");
        ListDifferences(erased);
        return Complain(kExitRunError, kEraseWriteSupplyText);
    }
    return std::nullopt;
}

std::optional<int> RefuseNotBlank(const CliOptions& options, PortIo& port, Delayer& timer,
                                  bool showProgress, const std::function<int()>& stopStatus) {
    ParallelPortTransport lines = OwnLines(options, port, timer);
    ConsoleOperationProgress progress(stdout, showProgress);
    const OperationReport erased = CheckErased(lines, *options.device, &progress);
    progress.EndLine();
    if (erased.Outcome() == OperationOutcome::Cancelled) {
        return stopStatus();
    }
    if (int status = CommonExit(erased.result, options, CalibrationKeeper()); status >= 0) {
        return status;
    }
    if (erased.Outcome() == OperationOutcome::NotBlank) {
        Complain(kExitChipMismatch, NotBlankText(*options.device, erased.result));
        return Complain(kExitChipMismatch, kEraseWriteSupplyText);
    }
    return std::nullopt;
}

}  // namespace tallis
