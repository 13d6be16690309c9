// tallis-cli: erase, program and verify, erase only, or reset, from a script
// or a terminal. Everything that can fail without the port (options, files) is
// checked before the port is touched, so a failed start sends nothing.
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/CliOptions.h"
#include "cli/CommandRunner.h"
#include "cli/CommandTarget.h"
#include "cli/ConsoleRunHost.h"
#include "cli/ExitCode.h"
#include "cli/PortList.h"
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

int Run(const CliOptions& options) {
    if (options.command == CliCommand::Ports) {
        PrintParallelPorts(stdout);
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
    int status = RunCommand(options, image.get(), *port, *timer, host);

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
