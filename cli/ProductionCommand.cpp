#include "cli/ProductionCommand.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/FileNames.h"
#include "app/ProductionLog.h"
#include "app/ProductionRun.h"
#include "app/ProductionText.h"
#include "app/SerialCounter.h"
#include "app/Sha256.h"
#include "cli/CommandTarget.h"
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

// "lpt1 (0x378)", "0x3BC"; " simulated" for a dry run.
std::string PortLabel(std::uint16_t base, int lptNumber, bool simulated) {
    char address[16];
    std::snprintf(address, sizeof address, "0x%03X", unsigned{base});
    std::string label =
        lptNumber != 0 ? "lpt" + std::to_string(lptNumber) + " (" + address + ")" : address;
    return simulated ? label + " simulated" : label;
}

// One chip as a board's run hands it over: the image it was given and the
// serial number in it.
struct WrittenChip {
    const ChipRun& run;
    const ChipImage& image;
    std::optional<std::uint64_t> serial;
    const std::string& port;
};

// What every board of the run shares: the serial counter (locked for the
// run) and the log. Boards on their threads take turns.
class ProductionRecords {
  public:
    ProductionRecords(const CliOptions& options, const ChipImage& file)
        : options_(options), file_(file) {}

    // Returns an empty string or the problem; nothing has been written then.
    std::string Open(const std::string& fileText) {
        if (std::string problem = OpenCounter(); !problem.empty()) {
            return problem;
        }
        const ProductionOptions& production = options_.production;
        if (!production.logPath) {
            return {};
        }
        base_.board = board::kDefaultBoard.name;
        base_.file = options_.firmwarePath.filename().string();
        base_.sha256 = Sha256Hex(fileText);
        logging_ = true;
        return log_.Open(*production.logPath, production.logFormat);
    }

    // The file with the next serial number in place, recorded as attempted;
    // nothing (the problem on standard error) when it cannot be.
    std::optional<ChipImage> ImageFor(std::optional<std::uint64_t>& serial) {
        const std::scoped_lock lock(mutex_);
        serial.reset();
        if (!counter_) {
            return file_;
        }
        const SerialPlan& plan = *options_.production.serial;
        const auto values = EncodeSerial(counter_->Next(), plan.format, plan.at);
        if (!values) {
            Complain(0, "serial number " + std::to_string(counter_->Next()) +
                            " does not fit the --serial-at location");
            return std::nullopt;
        }
        std::uint64_t number = 0;
        if (std::string error = counter_->Attempt(number); !error.empty()) {
            Complain(0, error + "; the chip was not written");
            return std::nullopt;
        }
        ChipImage image = file_;
        PlaceSerial(image, plan.at, *values);
        serial = number;
        return image;
    }

    // The chip's line on the terminal and in the log, its serial number used
    // or freed. False when the log or the counter could not be kept.
    bool Record(const WrittenChip& chip) {
        const std::scoped_lock lock(mutex_);
        Print(chip);
        bool kept = true;
        if (counter_ && chip.serial) {
            if (std::string error = counter_->Finish(*chip.serial, chip.run.Passed());
                !error.empty()) {
                Complain(0, error);
                kept = false;
            }
        }
        if (logging_) {
            if (std::string error = log_.Append(Entry(chip)); !error.empty()) {
                Complain(0, error);
                kept = false;
            }
        }
        return kept;
    }

  private:
    std::string OpenCounter() {
        const ProductionOptions& production = options_.production;
        if (!production.serial) {
            return {};
        }
        if (!production.serialOverwrite) {
            if (std::optional<std::string> filled =
                    LocationFilledByFile(file_, production.serial->at)) {
                return "the file has data at " + *filled +
                       ", where the serial number would go; --serial-overwrite replaces it";
            }
        }
        const std::filesystem::path& path = production.serialFile;
        std::string error = lock_.Acquire(
            path, [&] { Complain(0, "waiting for another run to finish with " + PathText(path)); },
            [] { return StopSignal() != 0; });
        if (!error.empty()) {
            return error;
        }
        counter_ =
            SerialCounter::Open(path, production.serial->start, production.serial->step, error);
        if (counter_) {
            for (const std::uint64_t abandoned : counter_->Abandoned()) {
                Complain(0, "serial number " + std::to_string(abandoned) +
                                " was in a chip that had not verified when the last run ended; "
                                "it is not used again");
            }
        }
        return error;
    }

    // "Chip 3: passed: PIC16F877A revision 1 (device ID 0x0E21), serial 1002,
    // checksum 0115, 0.52 s", after the port when there are several boards.
    void Print(const WrittenChip& chip) const {
        const ChipRun& run = chip.run;
        const double seconds = static_cast<double>(run.durationUs) / 1e6;
        const std::string serial = chip.serial ? ", serial " + std::to_string(*chip.serial) : "";
        const std::string board =
            options_.production.boards.empty() ? std::string{} : chip.port + ": ";
        if (run.Passed()) {
            const Device& device = *run.report.Chip();
            std::printf("%sChip %u: passed: %s%s, checksum %s, %.2f s\n", board.c_str(), run.number,
                        ChipText(device, run.report.result.idWord).c_str(), serial.c_str(),
                        ChecksumText(ImageChecksum(chip.image, device)).c_str(), seconds);
        } else {
            std::printf("%sChip %u: FAILED%s: %s, %.2f s\n", board.c_str(), run.number,
                        serial.c_str(), ChipRunProblem(run, options_.device).c_str(), seconds);
        }
        std::fflush(stdout);
    }

    ChipLogEntry Entry(const WrittenChip& chip) const {
        const ChipRun& run = chip.run;
        ChipLogEntry entry = base_;
        entry.time = UtcTimestamp(std::chrono::system_clock::now());
        entry.port = chip.port;
        entry.chip = run.number;
        if (const Device* device = run.report.Chip()) {
            entry.device = device->name;
            entry.revision = device->Revision(run.report.result.idWord);
            entry.checksum = ChecksumText(ImageChecksum(chip.image, *device));
        }
        entry.serial = chip.serial;
        entry.passed = run.Passed();
        entry.problem = ChipRunProblem(run, options_.device);
        entry.firstDifference = FirstDifference(run);
        entry.durationS = static_cast<double>(run.durationUs) / 1e6;
        return entry;
    }

    const CliOptions& options_;
    const ChipImage& file_;
    std::mutex mutex_;
    FileLock lock_;
    std::optional<SerialCounter> counter_;
    ProductionLog log_;
    ChipLogEntry base_;
    bool logging_ = false;
};

// What one board's run ended with.
struct BoardOutcome {
    ProductionSummary summary;
    std::optional<ChipRun> single;  // without --repeat: the one chip
    bool recordsLost = false;
};

// One board's run, on its own port and timer.
BoardOutcome RunBoard(const CliOptions& options, ProductionRecords& records, PortIo& port,
                      Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                      const std::string& portLabel) {
    ParallelPortTransport lines(port, timer, board::kDefaultBoard, options.portBase);
    // No bar: the chips' lines are the progress; the object still carries Ctrl-C.
    ConsoleOperationProgress progress(stdout, false);
    const SessionSetup setup{.timing = options.fast ? &kFastTiming : &kClassicTiming,
                             .progress = &progress};
    BoardOutcome outcome;
    ChipImage written;
    std::optional<std::uint64_t> serial;
    const auto imageFor = [&](unsigned) {
        std::optional<ChipImage> image = records.ImageFor(serial);
        outcome.recordsLost = !image;
        written = image.value_or(ChipImage{});
        return image;
    };
    const auto record = [&](const ChipRun& run) {
        outcome.recordsLost = !records.Record({run, written, serial, portLabel});
        return !outcome.recordsLost;
    };
    const ProductionHooks hooks{.imageFor = imageFor, .written = record, .nowUs = nowUs};
    if (options.production.repeat) {
        outcome.summary = RunProduction(
            lines, setup, options.device,
            {.count = options.production.count, .stopOnFailure = options.production.stopOnFailure},
            hooks);
    } else if (const std::optional<ChipImage> image = hooks.imageFor(1)) {
        outcome.single = WriteOneChip(lines, setup, options.device, *image, 1, nowUs);
        (outcome.single->Passed() ? outcome.summary.passed : outcome.summary.failed) += 1;
        hooks.written(*outcome.single);
    }
    return outcome;
}

// A board of several: the options with its port, its own target and timer.
struct Board {
    CliOptions options;
    std::string label;
    std::unique_ptr<CommandTarget> target;
    BoardOutcome outcome;
};

}  // namespace

bool IsProductionWrite(const CliOptions& options) {
    return options.command == CliCommand::Write && options.production.Any();
}

int RunProductionCommand(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                         Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                         bool showProgress) {
    ProductionRecords records(options, *file.image);
    if (std::string problem = records.Open(file.text); !problem.empty()) {
        return StopSignal() != 0 ? kExitRunError : Complain(kExitUsage, problem);
    }
    if (showProgress && options.production.repeat) {
        std::printf("Put in the first chip; Ctrl-C ends the run\n");
        std::fflush(stdout);
    }
    const BoardOutcome outcome =
        RunBoard(options, records, port, timer, nowUs,
                 PortLabel(options.portBase, options.lptNumber, options.simulate));
    if (!options.production.repeat) {
        if (outcome.recordsLost || !outcome.single) {
            return kExitRunError;
        }
        return outcome.single->Passed() ? kExitCompleted : FailedChipStatus(*outcome.single);
    }
    std::printf("%u passed, %u failed\n", outcome.summary.passed, outcome.summary.failed);
    return outcome.summary.failed != 0 || outcome.recordsLost ? kExitRunError : kExitCompleted;
}

int RunOnSeveralBoards(const CliOptions& options, const ChipImageLoad& file) {
    ProductionRecords records(options, *file.image);
    if (std::string problem = records.Open(file.text); !problem.empty()) {
        return StopSignal() != 0 ? kExitRunError : Complain(kExitUsage, problem);
    }
    std::vector<Board> boards;
    for (const BoardPort& port : options.production.boards) {
        Board& board = boards.emplace_back();
        board.options = options;
        board.options.portBase = port.base;
        board.options.lptNumber = port.lptNumber;
        board.label = PortLabel(port.base, port.lptNumber, options.simulate);
        const unsigned faulty = options.production.simFaultyBoard;
        if (faulty != 0 && faulty != boards.size()) {
            board.options.simFault = SimFault::None;
        }
    }
    // Each target keeps a reference to its options: made once they stay put.
    for (Board& board : boards) {
        board.target = MakeCommandTarget(board.options, false);
        if (std::string problem = board.target->Prepare(); !problem.empty()) {
            return Complain(kExitUsage, board.label + ": " + problem);
        }
        if (std::string missing = board.target->Start(); !missing.empty()) {
            return Complain(kExitNoPortAccess, board.label + ": " + missing);
        }
    }
    std::vector<std::thread> threads;
    for (Board& board : boards) {
        threads.emplace_back([&board, &records] {
            board.outcome = RunBoard(
                board.options, records, board.target->Port(), board.target->Timer(),
                [&board] { return board.target->NowUs(); }, board.label);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ProductionSummary total;
    bool recordsLost = false;
    int status = kExitCompleted;
    for (Board& board : boards) {
        const ProductionSummary& summary = board.outcome.summary;
        std::printf("%s: %u passed, %u failed\n", board.label.c_str(), summary.passed,
                    summary.failed);
        total.passed += summary.passed;
        total.failed += summary.failed;
        recordsLost = recordsLost || board.outcome.recordsLost;
        if (std::string error = board.target->Finish(); !error.empty()) {
            status = Complain(kExitOutputFailed, board.label + ": " + error);
        }
    }
    std::printf("All %zu boards: %u passed, %u failed\n", boards.size(), total.passed,
                total.failed);
    if (status != kExitCompleted) {
        return status;
    }
    return total.failed != 0 || recordsLost ? kExitRunError : kExitCompleted;
}

}  // namespace tallis
