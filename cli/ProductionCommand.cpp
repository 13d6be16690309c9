#include "cli/ProductionCommand.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/FileNames.h"
#include "app/ProductionLog.h"
#include "app/ProductionRun.h"
#include "app/ProductionText.h"
#include "app/SerialCounter.h"
#include "app/Sha256.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "cli/FileLock.h"
#include "cli/StopSignals.h"
#include "engine/ResultText.h"
#include "image/ImageChecksum.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {

namespace {

int Complain(int exitCode, const std::string& what) {
    std::fprintf(stderr, "tallis-cli: %s\n", what.c_str());
    return exitCode;
}

// The exit status of a single write that failed, as write without a
// production option gives it.
int FailedChipStatus(const ChipRun& run) {
    if (run.report.lineFault != LineFault::None) {
        return kExitChipMismatch;
    }
    switch (run.report.Outcome()) {
        case OperationOutcome::NoChip:
        case OperationOutcome::DataLineLow:
        case OperationOutcome::UnknownChip:
        case OperationOutcome::WrongChip:
            return kExitChipMismatch;
        case OperationOutcome::TooLarge:
            return kExitUsage;
        case OperationOutcome::PortError:
            return kExitNoPortAccess;
        default:
            return kExitRunError;
    }
}

// The serial number of each chip: the counter file, locked for the run.
class SerialSource {
  public:
    // Nothing to do without --serial. Returns an empty string or the problem.
    std::string Open(const ProductionOptions& options, const ChipImage& file) {
        if (!options.serial) {
            return {};
        }
        plan_ = *options.serial;
        if (!options.serialOverwrite) {
            if (std::optional<std::string> filled = LocationFilledByFile(file, plan_->at)) {
                return "the file has data at " + *filled +
                       ", where the serial number would go; --serial-overwrite replaces it";
            }
        }
        const std::filesystem::path& path = options.serialFile;
        std::string error = lock_.Acquire(
            path, [&] { Complain(0, "waiting for another run to finish with " + PathText(path)); },
            [] { return StopSignal() != 0; });
        if (!error.empty()) {
            return error;
        }
        counter_ = SerialCounter::Open(path, plan_->start, plan_->step, error);
        if (counter_ && counter_->Abandoned()) {
            Complain(0, "serial number " + std::to_string(*counter_->Abandoned()) +
                            " was in a chip that had not verified when the last run ended; it "
                            "is not used again");
        }
        return error;
    }

    // The file with the next number in place, recorded as attempted; nothing
    // (the problem on standard error) when it cannot be.
    std::optional<ChipImage> ImageFor(const ChipImage& file) {
        if (!counter_) {
            return file;
        }
        const std::uint64_t number = counter_->Next();
        const auto values = EncodeSerial(number, plan_->format, plan_->at);
        if (!values) {
            Complain(0, "serial number " + std::to_string(number) +
                            " does not fit the --serial-at location");
            return std::nullopt;
        }
        if (std::string error = counter_->Attempt(); !error.empty()) {
            Complain(0, error + "; the chip was not written");
            return std::nullopt;
        }
        ChipImage image = file;
        PlaceSerial(image, plan_->at, *values);
        current_ = number;
        return image;
    }

    // False when the counter could not be kept: the run must end.
    bool Finish(bool verified) {
        if (!counter_) {
            return true;
        }
        if (std::string error = counter_->Finish(verified); !error.empty()) {
            Complain(0, error);
            return false;
        }
        return true;
    }

    std::optional<std::uint64_t> Current() const {
        return counter_ ? std::optional(current_) : std::nullopt;
    }

  private:
    std::optional<SerialPlan> plan_;
    FileLock lock_;
    std::optional<SerialCounter> counter_;
    std::uint64_t current_ = 0;
};

// --log: the run's own fields once, each chip's as it comes.
class ChipLog {
  public:
    std::string Open(const CliOptions& options, const ChipImageLoad& file) {
        if (!options.production.logPath) {
            return {};
        }
        char port[32];
        std::snprintf(port, sizeof port, "0x%03X", unsigned{options.portBase});
        base_.board = board::kDefaultBoard.name;
        base_.port =
            (options.lptNumber != 0 ? "lpt" + std::to_string(options.lptNumber) + " (" + port + ")"
                                    : std::string(port)) +
            (options.simulate ? " simulated" : "");
        base_.file = options.firmwarePath.filename().string();
        base_.sha256 = Sha256Hex(file.text);
        open_ = true;
        return log_.Open(*options.production.logPath, options.production.logFormat);
    }

    // False (the problem on standard error) when the line could not be written.
    bool Append(const ChipRun& run, const ChipImage& written, const Device* asked,
                std::optional<std::uint64_t> serial) {
        if (!open_) {
            return true;
        }
        ChipLogEntry entry = base_;
        entry.time = UtcTimestamp(std::chrono::system_clock::now());
        entry.chip = run.number;
        if (const Device* device = run.report.Chip()) {
            entry.device = device->name;
            entry.revision = device->Revision(run.report.result.idWord);
            entry.checksum = ChecksumText(ImageChecksum(written, *device));
        }
        entry.serial = serial;
        entry.passed = run.Passed();
        entry.problem = ChipRunProblem(run, asked);
        entry.firstDifference = FirstDifference(run);
        entry.durationS = static_cast<double>(run.durationUs) / 1e6;
        if (std::string error = log_.Append(entry); !error.empty()) {
            Complain(0, error);
            return false;
        }
        return true;
    }

  private:
    ProductionLog log_;
    ChipLogEntry base_;
    bool open_ = false;
};

// "Chip 3: passed: PIC16F877A revision 1 (device ID 0x0E21), serial 1002,
// checksum 0115, 0.52 s".
void PrintChip(const ChipRun& run, const ChipImage& image, const Device* asked,
               std::optional<std::uint64_t> serial) {
    const double seconds = static_cast<double>(run.durationUs) / 1e6;
    const std::string serialText = serial ? ", serial " + std::to_string(*serial) : "";
    if (run.Passed()) {
        const Device& device = *run.report.Chip();
        std::printf("Chip %u: passed: %s%s, checksum %s, %.2f s\n", run.number,
                    ChipText(device, run.report.result.idWord).c_str(), serialText.c_str(),
                    ChecksumText(ImageChecksum(image, device)).c_str(), seconds);
    } else {
        std::printf("Chip %u: FAILED%s: %s, %.2f s\n", run.number, serialText.c_str(),
                    ChipRunProblem(run, asked).c_str(), seconds);
    }
    std::fflush(stdout);
}

}  // namespace

bool IsProductionWrite(const CliOptions& options) {
    return options.command == CliCommand::Write && options.production.Any();
}

int RunProductionCommand(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                         Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                         bool showProgress) {
    const ProductionOptions& production = options.production;
    SerialSource serials;
    if (std::string problem = serials.Open(production, *file.image); !problem.empty()) {
        return StopSignal() != 0 ? kExitRunError : Complain(kExitUsage, problem);
    }
    ChipLog log;
    if (std::string problem = log.Open(options, file); !problem.empty()) {
        return Complain(kExitUsage, problem);
    }
    ParallelPortTransport lines(port, timer, board::kDefaultBoard, options.portBase);
    // No bar: the chips' lines are the progress; the object still carries Ctrl-C.
    ConsoleOperationProgress progress(stdout, false);
    const SessionSetup setup{.timing = options.fast ? &kFastTiming : &kClassicTiming,
                             .progress = &progress};
    ChipImage written;
    bool recordLost = false;
    const auto imageFor = [&](unsigned) {
        std::optional<ChipImage> image = serials.ImageFor(*file.image);
        recordLost = !image;
        written = image.value_or(ChipImage{});
        return image;
    };
    // The chip's line, its log line, and its serial number kept or freed.
    const auto record = [&](const ChipRun& run) {
        PrintChip(run, written, options.device, serials.Current());
        const bool logged = log.Append(run, written, options.device, serials.Current());
        recordLost = !serials.Finish(run.Passed()) || !logged;
        return !recordLost;
    };
    const ProductionHooks hooks{.imageFor = imageFor, .written = record, .nowUs = nowUs};
    if (!production.repeat) {
        const std::optional<ChipImage> image = hooks.imageFor(1);
        if (!image) {
            return kExitRunError;
        }
        const ChipRun run = WriteOneChip(lines, setup, options.device, *image, 1, nowUs);
        hooks.written(run);
        return recordLost ? kExitRunError : run.Passed() ? kExitCompleted : FailedChipStatus(run);
    }
    if (showProgress) {
        std::printf("Put in the first chip; Ctrl-C ends the run\n");
        std::fflush(stdout);
    }
    const ProductionSummary summary = RunProduction(
        lines, setup, options.device,
        {.count = production.count, .stopOnFailure = production.stopOnFailure}, hooks);
    std::printf("%u passed, %u failed\n", summary.passed, summary.failed);
    return summary.failed != 0 || recordLost ? kExitRunError : kExitCompleted;
}

}  // namespace tallis
