#include "cli/ProductionCommand.h"

#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ProductionForm.h"
#include "app/ProductionRecords.h"
#include "app/ProductionRun.h"
#include "cli/CommandTarget.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "cli/StopSignals.h"
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

ProductionRecordSettings RecordSettings(const CliOptions& options) {
    const ProductionOptions& production = options.production;
    return {.board = std::string(board::kDefaultBoard.name),
            .serial = production.serial,
            .serialFile = production.serialFile,
            .serialOverwrite = production.serialOverwrite,
            .logPath = production.logPath,
            .logFormat = production.logFormat};
}

// The records every board shares, with each chip's line on the terminal,
// after the port when there are several boards.
class ConsoleRecords {
  public:
    ConsoleRecords(const CliOptions& options, const ChipImage& file)
        : options_(options),
          records_(RecordSettings(options), file, options.device,
                   [](const std::string& notice) { Complain(0, notice); }) {}

    // Returns an empty string or the problem; nothing has been written then.
    std::string Open(const std::string& fileText) {
        return records_.Open(options_.firmwarePath, fileText, [] { return StopSignal() != 0; });
    }
    std::optional<ChipImage> ImageFor(std::optional<std::uint64_t>& serial) {
        return records_.ImageFor(serial);
    }
    bool Record(const WrittenChip& chip) {
        return records_.Record(chip, [&] {
            const std::string board =
                options_.production.boards.empty() ? std::string{} : chip.port + ": ";
            std::printf("%s%s\n", board.c_str(), ChipRunLine(chip, options_.device).c_str());
            std::fflush(stdout);
        });
    }

  private:
    const CliOptions& options_;
    ProductionRecords records_;
};

// What one board's run ended with.
struct BoardOutcome {
    ProductionSummary summary;
    std::optional<ChipRun> single;  // without --repeat: the one chip
    bool recordsLost = false;
};

// One board's run, on its own port and timer.
BoardOutcome RunBoard(const CliOptions& options, ConsoleRecords& records, PortIo& port,
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
    ConsoleRecords records(options, *file.image);
    if (std::string problem = records.Open(file.text); !problem.empty()) {
        return StopSignal() != 0 ? kExitRunError : Complain(kExitUsage, problem);
    }
    if (showProgress && options.production.repeat) {
        std::printf("Put in the first chip; Ctrl-C ends the run\n");
        std::fflush(stdout);
    }
    const BoardOutcome outcome =
        RunBoard(options, records, port, timer, nowUs,
                 options.ftdiDevice
                     ? FtdiPortLabel(*options.ftdiDevice, options.simulate)
                     : ProductionPortLabel(options.portBase, options.lptNumber, options.simulate));
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
    ConsoleRecords records(options, *file.image);
    if (std::string problem = records.Open(file.text); !problem.empty()) {
        return StopSignal() != 0 ? kExitRunError : Complain(kExitUsage, problem);
    }
    std::vector<Board> boards;
    for (const BoardPort& port : options.production.boards) {
        Board& board = boards.emplace_back();
        board.options = options;
        board.options.portBase = port.base;
        board.options.lptNumber = port.lptNumber;
        board.label = ProductionPortLabel(port.base, port.lptNumber, options.simulate);
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
