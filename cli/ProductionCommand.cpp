#include "cli/ProductionCommand.h"

#include <cstdio>
#include <string>

#include "app/ProductionRun.h"
#include "app/ProductionText.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ExitCode.h"
#include "engine/ResultText.h"
#include "image/ImageChecksum.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {

namespace {

// "Chip 3: passed: PIC16F877A revision 1 (device ID 0x0E21), checksum 0115, 0.52 s".
void PrintChip(const ChipRun& run, const ChipImage& image, const Device* asked) {
    const double seconds = static_cast<double>(run.durationUs) / 1e6;
    if (run.Passed()) {
        const Device& device = *run.report.Chip();
        std::printf("Chip %u: passed: %s, checksum %s, %.2f s\n", run.number,
                    ChipText(device, run.report.result.idWord).c_str(),
                    ChecksumText(ImageChecksum(image, device)).c_str(), seconds);
    } else {
        std::printf("Chip %u: FAILED: %s, %.2f s\n", run.number, ChipRunProblem(run, asked).c_str(),
                    seconds);
    }
    std::fflush(stdout);
}

}  // namespace

bool IsProductionWrite(const CliOptions& options) {
    return options.command == CliCommand::Write && options.production.repeat;
}

int RunProductionCommand(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                         Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                         bool showProgress) {
    ParallelPortTransport lines(port, timer, board::kDefaultBoard, options.portBase);
    // No bar: the chips' lines are the progress; the object still carries Ctrl-C.
    ConsoleOperationProgress progress(stdout, false);
    if (showProgress) {
        std::printf("Put in the first chip; Ctrl-C ends the run\n");
        std::fflush(stdout);
    }
    const ChipImage& image = *file.image;
    const ProductionSummary summary = RunProduction(
        lines, {.timing = options.fast ? &kFastTiming : &kClassicTiming, .progress = &progress},
        options.device,
        {.count = options.production.count, .stopOnFailure = options.production.stopOnFailure},
        {.imageFor = [&](unsigned) { return image; },
         .written = [&](const ChipRun& run) { PrintChip(run, image, options.device); },
         .nowUs = nowUs});
    std::printf("%u passed, %u failed\n", summary.passed, summary.failed);
    return summary.failed != 0 ? kExitRunError : kExitCompleted;
}

}  // namespace tallis
