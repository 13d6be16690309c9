#include "cli/SelfTestCommand.h"

#include <cstdio>

#include "app/AtomicFile.h"
#include "app/FileNames.h"
#include "classic/RunMessages.h"
#include "cli/BundledExample.h"
#include "cli/ConsoleOperationProgress.h"
#include "cli/ConsoleText.h"
#include "cli/ExitCode.h"
#include "cli/SelfTest.h"
#include "cli/SelfTestReport.h"
#include "cli/Terminal.h"
#include "image/ChipImageHex.h"
#include "image/HexFileCheck.h"

#ifndef TALLIS_VERSION
#define TALLIS_VERSION "unknown"
#endif

namespace tallis {

namespace {

int Complain(int exitCode, const std::string& what) {
    std::fprintf(stderr, "tallis-cli: %s\n", what.c_str());
    return exitCode;
}

std::string PortText(const CliOptions& options) {
    char text[32];
    if (options.lptNumber != 0) {
        std::snprintf(text, sizeof text, "LPT %d (0x%03X)", options.lptNumber,
                      unsigned{options.portBase});
    } else {
        std::snprintf(text, sizeof text, "0x%03X", unsigned{options.portBase});
    }
    return text;
}

// Asks on the terminal; only an answer that starts with y goes on.
bool ConfirmErase(const std::string& chip, const std::string& port) {
    std::printf(
        "The self-test erases and rewrites the %s on %s: everything it holds will be lost.\n"
        "Continue? [y/N] ",
        chip.c_str(), port.c_str());
    std::fflush(stdout);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
        return false;
    }
    return answer[0] == 'y' || answer[0] == 'Y';
}

// Why the classic run or the read-back after it would stop on the example,
// found before the chip is erased; empty when neither would.
std::string ExampleProblem(const FirmwareImage& example) {
    if (const HexFileCheck check = CheckHexFile(example); !check.Sound()) {
        const std::string line = check.line != 0 ? "line " + std::to_string(check.line) + ": " : "";
        return line + ErrorLineText(FileCheckMessage(check));
    }
    if (const HexParseResult parsed = ParseChipImageHex(example.Text()); !parsed) {
        return parsed.error;
    }
    return {};
}

}  // namespace

std::optional<int> PrepareSelfTest(const CliOptions& options, SelfTestInputs& inputs) {
    if (!options.assumeYes && !StdinIsTerminal()) {
        return Complain(kExitUsage,
                        "selftest erases the chip and asks first, but there is no terminal to "
                        "answer on: give --yes to run it without asking");
    }
    ImageLoadResult loaded = options.examplePath ? LoadFirmwareImage(*options.examplePath)
                                                 : MakeFirmwareImage(kBundledExampleText);
    if (!loaded.image) {
        return Complain(kExitUsage, loaded.error);
    }
    if (std::string problem = ExampleProblem(*loaded.image); !problem.empty()) {
        const std::string name =
            options.examplePath ? PathText(*options.examplePath) : std::string(kBundledExampleName);
        return Complain(kExitUsage, name + ": " + problem + "; nothing was sent to the chip");
    }
    inputs.example = std::move(loaded.image);
    inputs.exampleName = options.examplePath ? PathText(options.examplePath->filename())
                                             : std::string(kBundledExampleName);
    if (std::string problem = AtomicFile(options.reportPath).Check(); !problem.empty()) {
        return Complain(kExitUsage, "cannot write the report to " + PathText(options.reportPath) +
                                        ": " + problem);
    }
    return std::nullopt;
}

int RunSelfTestCommand(const CliOptions& options, const SelfTestInputs& inputs,
                       CommandTarget& target, PortIo& port, Delayer& timer, bool showProgress) {
    ConsoleOperationProgress progress(stdout, showProgress);
    const std::string portText = PortText(options);
    const SelfTestSetting setting{TALLIS_VERSION, OperatingSystemText(), portText,
                                  target.AccessPath(), target.TimerCalibration()};
    const SelfTestSetup setup{
        .port = port,
        .timer = timer,
        .nowUs = [&target] { return target.NowUs(); },
        .portBase = options.portBase,
        .lptNumber = options.lptNumber,
        .board = *options.board,
        .asked = options.device,
        .example = *inputs.example,
        .exampleName = inputs.exampleName,
        .quick = options.quickSelfTest,
        .confirm =
            [&](const std::string& chip) {
                return options.assumeYes || ConfirmErase(chip, portText);
            },
        .stepDone =
            [&progress](const SelfTestStep& step) {
                progress.ClearLine();
                std::printf("%s\n", StepLine(step).c_str());
                std::fflush(stdout);
            },
        .progress = &progress,
    };
    const SelfTestResult result = RunSelfTest(setup);
    if (std::string error = WriteWholeFile(options.reportPath, SelfTestReportText(setting, result));
        !error.empty()) {
        return Complain(kExitUsage, error);
    }
    std::printf("Report written to %s\n", PathText(options.reportPath).c_str());
    std::fflush(stdout);
    if (result.declined) {
        return Complain(kExitRunError, "not confirmed: nothing was erased");
    }
    if (result.interrupted) {
        return kExitRunError;  // by a stop signal, which the run's end names
    }
    return result.Passed() ? kExitCompleted : kExitRunError;
}

}  // namespace tallis
