// tallis-cli: the desktop program's erase, program and verify, erase only and
// reset, and the chip operations, from a script or a terminal. Everything that can fail without the
// port (options, files) is checked before the port is touched, so a failed start sends nothing.
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "cli/CommandRunner.h"
#include "cli/CommandTarget.h"
#include "cli/ConsoleRunHost.h"
#include "cli/ExitCode.h"
#include "cli/FileNames.h"
#include "cli/OperationCommand.h"
#include "cli/OperationText.h"
#include "cli/SelfTestCommand.h"
#include "cli/Terminal.h"
#include "image/FirmwareImage.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"

namespace {

using namespace tallis;

int Fail(int exitCode, const std::string& what) {
    std::fprintf(stderr, "tallis-cli: %s\n", what.c_str());
    return exitCode;
}

// The file of verify and write, parsed strictly before any port is touched;
// with a device asked for, against its sizes.
std::optional<int> LoadChipImage(const CliOptions& options, std::optional<ChipImage>& image) {
    ImageBounds bounds;
    if (options.device != nullptr) {
        bounds = {options.device->programWords, options.device->eepromBytes};
    }
    ChipImageLoad loaded = LoadChipImageFile(options.firmwarePath, bounds);
    if (!loaded.image) {
        return Fail(kExitUsage, loaded.error);
    }
    image = std::move(loaded.image);
    return std::nullopt;
}

int Run(const CliOptions& options) {
    if (options.command == CliCommand::ListDevices) {
        std::fputs(DeviceListText().c_str(), stdout);
        return kExitCompleted;
    }
    std::unique_ptr<FirmwareImage> image;
    if (options.command == CliCommand::Program) {
        ImageLoadResult loaded = LoadFirmwareImage(options.firmwarePath);
        if (!loaded.image) {
            return Fail(kExitUsage, loaded.error);
        }
        image = std::move(loaded.image);
    }
    std::optional<ChipImage> chipImage;
    if (options.command == CliCommand::Verify || options.command == CliCommand::Write) {
        if (std::optional<int> failed = LoadChipImage(options, chipImage)) {
            return *failed;
        }
    }
    SelfTestInputs selfTest;
    if (options.command == CliCommand::SelfTest) {
        if (std::optional<int> refused = PrepareSelfTest(options, selfTest)) {
            return *refused;
        }
    }
    if (options.command == CliCommand::Read && !IsStandardOutput(options.firmwarePath) &&
        !CanWrite(options.firmwarePath)) {
        return Fail(kExitUsage, "cannot write " + PathText(options.firmwarePath));
    }

    const bool showProgress = !options.quiet && StdoutIsTerminal();
    std::unique_ptr<CommandTarget> target = MakeCommandTarget(options, showProgress);
    if (std::string error = target->Prepare(); !error.empty()) {
        return Fail(kExitUsage, error);
    }

    std::ofstream traceFile;
    std::unique_ptr<AccessTrace> trace;
    if (options.tracePath) {
        traceFile.open(*options.tracePath, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!traceFile) {
            return Fail(kExitUsage, "cannot write the trace file " + options.tracePath->string());
        }
        trace = std::make_unique<AccessTrace>(traceFile);
    }

    if (std::string missing = target->Start(); !missing.empty()) {
        return Fail(kExitNoPortAccess, missing);
    }

    PortIo* port = &target->Port();
    Delayer* timer = &target->Timer();
    std::unique_ptr<RecordingPortIo> recordingPort;
    std::unique_ptr<RecordingDelayer> recordingTimer;
    if (trace) {
        recordingPort = std::make_unique<RecordingPortIo>(*port, *trace);
        recordingTimer = std::make_unique<RecordingDelayer>(*trace, timer);
        port = recordingPort.get();
        timer = recordingTimer.get();
    }

    ConsoleRunHost host(options.chip, options.lptNumber, stdout, showProgress);
    int status = 0;
    if (options.command == CliCommand::SelfTest) {
        status = RunSelfTestCommand(options, selfTest, *target, *port, *timer, showProgress);
    } else if (IsChipOperation(options.command)) {
        status = RunChipOperation(options, chipImage, *port, *timer, host, showProgress);
    } else {
        status = RunCommand(options, image.get(), *port, *timer, host);
    }

    if (trace) {
        traceFile.flush();
        if (!traceFile) {
            status = Fail(status == kExitCompleted ? kExitUsage : status,
                          "writing the trace file " + options.tracePath->string() + " failed");
        }
    }
    if (std::string error = target->Finish(); !error.empty()) {
        status = Fail(status == kExitCompleted ? kExitUsage : status, error);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    CliParseResult parsed = ParseCliOptions(argc, argv);
    if (!parsed.options) {
        return parsed.exitCode;
    }
    return Run(*parsed.options);
}
