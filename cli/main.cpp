// tallis-cli: the desktop program's erase, program and verify, erase only and
// reset, and the chip operations, from a script or a terminal. Everything that can fail without the
// port (options, files) is checked before the port is touched, so a failed start sends nothing.
#include <cstdio>
#include <memory>

#include "app/AtomicFile.h"
#include "app/FileNames.h"
#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "cli/CommandRunner.h"
#include "cli/CommandTarget.h"
#include "cli/ConsoleRunHost.h"
#include "cli/ExitCode.h"
#include "cli/FileLock.h"
#include "cli/OperationCommand.h"
#include "cli/OperationText.h"
#include "cli/OutputPaths.h"
#include "cli/PortList.h"
#include "cli/SelfTestCommand.h"
#include "cli/StopSignals.h"
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

// The first status that is not success wins: it says what went wrong first.
int Worse(int status, int next) {
    return status != kExitCompleted ? status : next;
}

// Whatever the run reported is worth nothing to a script that could not read
// it: a failed write to standard output or error is a failure of its own.
int CheckOutput(int status) {
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr) != 0;
    if (!outFailed && !errFailed) {
        return status;
    }
    if (!errFailed) {
        Fail(kExitOutputFailed, "output could not be written");
    }
    return Worse(status, kExitOutputFailed);
}

int StopSignalStatus() {
    int signal = StopSignal();
    return signal != 0 ? ExitStatusForSignal(signal) : kExitCompleted;
}

// The file of verify and write, parsed strictly before any port is touched;
// with a device asked for, against its sizes.
std::optional<int> LoadChipImage(const CliOptions& options, ChipImageLoad& file) {
    ImageBounds bounds;
    if (options.device != nullptr) {
        bounds = {options.device->programWords, options.device->eepromBytes};
    }
    file = LoadChipImageFile(options.firmwarePath, bounds);
    if (!file.image) {
        return Fail(kExitUsage, file.error);
    }
    return std::nullopt;
}

int Run(const CliOptions& options) {
    if (options.command == CliCommand::ListDevices) {
        std::fputs(DeviceListText().c_str(), stdout);
        return kExitCompleted;
    }
    if (options.command == CliCommand::Ports) {
        PrintParallelPorts(stdout);
        return kExitCompleted;
    }
    if (std::string clash = OutputPathClash(options); !clash.empty()) {
        return Fail(kExitUsage, clash);
    }

    std::unique_ptr<FirmwareImage> image;
    if (options.command == CliCommand::Program) {
        ImageLoadResult loaded = LoadFirmwareImage(options.firmwarePath);
        if (!loaded.image) {
            return Fail(kExitUsage, loaded.error);
        }
        image = std::move(loaded.image);
    }
    ChipImageLoad chipFile;
    if (options.command == CliCommand::Verify || options.command == CliCommand::Write) {
        if (std::optional<int> failed = LoadChipImage(options, chipFile)) {
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

    // One run at a time reads and rewrites a simulated chip's memory.
    FileLock stateLock;
    if (options.simStatePath) {
        std::string error = stateLock.Acquire(
            *options.simStatePath,
            [&] {
                std::fprintf(stderr, "tallis-cli: waiting for another run to finish with %s\n",
                             PathText(*options.simStatePath).c_str());
            },
            [] { return StopSignal() != 0; });
        if (!error.empty()) {
            return StopSignal() != 0 ? StopSignalStatus() : Fail(kExitUsage, error);
        }
    }

    const bool showProgress = !options.quiet && StdoutIsTerminal();
    std::unique_ptr<CommandTarget> target = MakeCommandTarget(options, showProgress);
    if (std::string error = target->Prepare(); !error.empty()) {
        return Fail(kExitUsage, error);
    }

    std::unique_ptr<AtomicFile> traceFile;
    std::unique_ptr<AccessTrace> trace;
    if (options.tracePath) {
        traceFile = std::make_unique<AtomicFile>(*options.tracePath);
        if (std::string error = traceFile->Create(); !error.empty()) {
            return Fail(kExitUsage, "cannot write the trace file: " + error);
        }
        trace = std::make_unique<AccessTrace>(traceFile->Stream());
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

    // A stop signal, or a trace that can no longer be written, ends the run
    // at its next safe point.
    auto stopStatus = [&] {
        if (StopSignal() != 0) {
            return StopSignalStatus();
        }
        return trace && !traceFile->Stream() ? int{kExitOutputFailed} : int{kExitCompleted};
    };
    ConsoleRunHost host(options.chip, options.lptNumber, stdout, showProgress);
    // A signal during the start (the timer's calibration) ends the run before
    // anything is sent; the files are still written as after any run.
    int status = 0;
    if (StopSignal() != 0) {
        status = StopSignalStatus();
    } else if (options.command == CliCommand::SelfTest) {
        status = RunSelfTestCommand(options, selfTest, *target, *port, *timer, showProgress);
    } else if (IsChipOperation(options.command)) {
        status = RunChipOperation(options, chipFile, *port, *timer, host, showProgress);
    } else {
        status = RunCommand(options, image.get(), *port, *timer, host, stopStatus);
    }
    if (StopSignal() != 0) {
        Fail(status, "stopped by a signal; the target was left out of programming mode");
        status = StopSignalStatus();
    }

    if (traceFile) {
        traceFile->Stream().flush();
        if (std::string error = traceFile->Commit(); !error.empty()) {
            status =
                Worse(status, Fail(kExitOutputFailed, "the trace file was not written: " + error));
        }
    }
    if (std::string error = target->Finish(); !error.empty()) {
        status = Worse(status, Fail(kExitOutputFailed, error));
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    CatchStopSignals();
    CliParseResult parsed = ParseCliOptions(argc, argv);
    if (!parsed.options) {
        return CheckOutput(parsed.exitCode);
    }
    int status = CheckOutput(Run(*parsed.options));
    StopSignalsCleanedUp();
    return status;
}
