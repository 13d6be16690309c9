// tallis-cli: the desktop program's erase, program and verify, erase only and
// reset, and the chip operations, from a script or a terminal. Everything that can fail without the
// port (options, files) is checked before the port is touched, so a failed start sends nothing.
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/AtomicFile.h"
#include "app/BoardText.h"
#include "app/FileNames.h"
#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "cli/CommandRunner.h"
#include "cli/CommandTarget.h"
#include "cli/ConsoleRunHost.h"
#include "cli/ExitCode.h"
#include "app/FileLock.h"
#include "cli/OperationCommand.h"
#include "cli/OperationText.h"
#include "cli/OutputPaths.h"
#include "cli/PortList.h"
#include "cli/ProductionCommand.h"
#include "cli/SelfTestCommand.h"
#include "cli/StandardStreams.h"
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
        bounds = BoundsOf(*options.device);
    }
    file = LoadChipImageFile(options.firmwarePath, bounds);
    if (!file.image) {
        return Fail(kExitUsage, file.error);
    }
    return std::nullopt;
}

// The commands that need no chip: the device table, the parallel ports, the boards.
std::optional<int> RunWithoutChip(const CliOptions& options) {
    if (options.command == CliCommand::ListDevices) {
        std::fputs(DeviceListText().c_str(), stdout);
        return kExitCompleted;
    }
    if (options.command == CliCommand::Ports) {
        PrintParallelPorts(stdout, options.portDriver);
        PrintFtdiDevices(stdout);
        return kExitCompleted;
    }
    if (options.command == CliCommand::Boards) {
        std::string text = BoardListText();
        if (options.boardNamed && options.ftdiWiring != nullptr) {
            text = BoardPinTable(*options.ftdiWiring) + "\n" + BoardPicture(*options.ftdiWiring);
        } else if (options.boardNamed) {
            text = BoardPinTable(*options.board) + "\n" + BoardPicture(*options.board);
        }
        std::fputs(text.c_str(), stdout);
        return kExitCompleted;
    }
    return std::nullopt;
}

// What the command reads or writes besides the chip.
struct CommandFiles {
    std::unique_ptr<FirmwareImage> image;  // program's file
    ChipImageLoad chipFile;                // verify's and write's file
    SelfTestInputs selfTest;
};

// The reader's message (a message box's sentence) as a line of this tool; a
// file too large for program's reader can go through write.
std::string ProgramFileError(const std::filesystem::path& path, std::string error) {
    error.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(error.front())));
    std::error_code failed;
    if (std::filesystem::file_size(path, failed) > FirmwareImage::kCapacity && !failed) {
        error += "; tallis-cli write reads larger files (and writes IDs and EEPROM too)";
    }
    return error;
}

// Every file checked before the port is touched; the exit code when one fails.
std::optional<int> ReadCommandFiles(const CliOptions& options, CommandFiles& files) {
    if (std::string clash = OutputPathClash(options); !clash.empty()) {
        return Fail(kExitUsage, clash);
    }
    if (options.command == CliCommand::Program) {
        ImageLoadResult loaded = LoadFirmwareImage(options.firmwarePath);
        if (!loaded.image) {
            return Fail(kExitUsage, ProgramFileError(options.firmwarePath, loaded.error));
        }
        files.image = std::move(loaded.image);
    }
    if (options.command == CliCommand::Verify || options.command == CliCommand::Write) {
        if (std::optional<int> failed = LoadChipImage(options, files.chipFile)) {
            return *failed;
        }
    }
    if (options.command == CliCommand::SelfTest) {
        if (std::optional<int> refused = PrepareSelfTest(options, files.selfTest)) {
            return *refused;
        }
    }
    if (std::string problem = UnwritableOutput(options); !problem.empty()) {
        return Fail(kExitUsage, problem);
    }
    if (options.command == CliCommand::Read && IsStandardOutput(options.firmwarePath) &&
        StandardOutputWasClosed()) {
        return Fail(kExitOutputFailed, "cannot write to standard output: it is closed");
    }
    return std::nullopt;
}

// One run at a time reads and rewrites a simulated chip's memory.
std::optional<int> LockSimulatedChip(const CliOptions& options, FileLock& stateLock) {
    if (!options.simStatePath) {
        return std::nullopt;
    }
    std::string error = stateLock.Acquire(
        *options.simStatePath,
        [&] {
            std::fprintf(stderr, "tallis-cli: waiting for another run to finish with %s\n",
                         PathText(*options.simStatePath).c_str());
        },
        [] { return StopSignal() != 0; });
    if (error.empty()) {
        return std::nullopt;
    }
    return StopSignal() != 0 ? StopSignalStatus() : Fail(kExitUsage, error);
}

// --trace: every port access and wait of the run, written to a file that
// appears only whole, at the end.
struct RunTrace {
    std::unique_ptr<AtomicFile> file;
    std::unique_ptr<AccessTrace> trace;
    std::unique_ptr<RecordingPortIo> port;
    std::unique_ptr<RecordingDelayer> timer;

    bool Failed() const { return trace && !file->Stream(); }
};

std::optional<int> CreateTrace(const CliOptions& options, RunTrace& trace) {
    if (!options.tracePath) {
        return std::nullopt;
    }
    trace.file = std::make_unique<AtomicFile>(*options.tracePath);
    if (std::string error = trace.file->Create(); !error.empty()) {
        return Fail(kExitUsage, "cannot write the trace file: " + error);
    }
    trace.trace = std::make_unique<AccessTrace>(trace.file->Stream());
    return std::nullopt;
}

// Puts the recorders between the run and the target's port and timer.
void Record(RunTrace& trace, PortIo*& port, Delayer*& timer) {
    if (!trace.trace) {
        return;
    }
    trace.port = std::make_unique<RecordingPortIo>(*port, *trace.trace);
    trace.timer = std::make_unique<RecordingDelayer>(*trace.trace, timer);
    port = trace.port.get();
    timer = trace.timer.get();
}

int CommitTrace(RunTrace& trace, int status) {
    if (!trace.file) {
        return status;
    }
    trace.file->Stream().flush();
    if (std::string error = trace.file->Commit(); !error.empty()) {
        return Worse(status, Fail(kExitOutputFailed, "the trace file was not written: " + error));
    }
    return status;
}

// The command itself, on the started target. A signal during the start (the
// timer's calibration) ends the run before anything is sent.
int RunOnTarget(const CliOptions& options, CommandFiles& files, CommandTarget& target,
                RunTrace& trace, bool showProgress) {
    if (LineTransport* ftdiLines = target.FtdiLines()) {
        if (StopSignal() != 0) {
            return StopSignalStatus();
        }
        return RunChipOperation(options, files.chipFile, *ftdiLines, showProgress);
    }
    PortIo* port = &target.Port();
    Delayer* timer = &target.Timer();
    Record(trace, port, timer);
    // A stop signal, or a trace that can no longer be written, ends the run
    // at its next safe point.
    auto stopStatus = [&] {
        if (StopSignal() != 0) {
            return StopSignalStatus();
        }
        return trace.Failed() ? int{kExitOutputFailed} : int{kExitCompleted};
    };
    ConsoleRunHost host(options.chip, options.lptNumber, stdout, showProgress);
    if (StopSignal() != 0) {
        return StopSignalStatus();
    }
    if (options.command == CliCommand::SelfTest) {
        return RunSelfTestCommand(options, files.selfTest, target, *port, *timer, showProgress);
    }
    if (IsProductionWrite(options)) {
        return RunProductionCommand(
            options, files.chipFile, *port, *timer, [&] { return target.NowUs(); }, showProgress);
    }
    if (IsChipOperation(options.command)) {
        return RunChipOperation(options, files.chipFile, *port, *timer, showProgress);
    }
    return RunCommand(options, files.image.get(), *port, *timer, host, stopStatus);
}

int Run(const CliOptions& options) {
    if (std::optional<int> status = RunWithoutChip(options)) {
        return *status;
    }
    CommandFiles files;
    if (std::optional<int> failed = ReadCommandFiles(options, files)) {
        return *failed;
    }
    if (!options.production.boards.empty()) {
        const int status = RunOnSeveralBoards(options, files.chipFile);
        return StopSignal() != 0 ? StopSignalStatus() : status;
    }
    FileLock stateLock;
    if (std::optional<int> failed = LockSimulatedChip(options, stateLock)) {
        return *failed;
    }
    const bool showProgress = !options.quiet && StdoutIsTerminal();
    std::unique_ptr<CommandTarget> target = MakeCommandTarget(options, showProgress);
    if (std::string error = target->Prepare(); !error.empty()) {
        return Fail(kExitUsage, error);
    }
    RunTrace trace;
    if (std::optional<int> failed = CreateTrace(options, trace)) {
        return *failed;
    }
    if (std::string missing = target->Start(); !missing.empty()) {
        return Fail(kExitNoPortAccess, missing);
    }

    // The files are written as after any run, a stopped one too.
    int status = RunOnTarget(options, files, *target, trace, showProgress);
    if (StopSignal() != 0) {
        Fail(status, "stopped by a signal; the target was left out of programming mode");
        status = StopSignalStatus();
    }
    status = CommitTrace(trace, status);
    if (std::string error = target->Finish(); !error.empty()) {
        status = Worse(status, Fail(kExitOutputFailed, error));
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    GuardStandardStreams();
    CatchStopSignals();
    CliParseResult parsed = ParseCliOptions(argc, argv);
    if (!parsed.options) {
        return CheckOutput(parsed.exitCode);
    }
    int status = CheckOutput(Run(*parsed.options));
    StopSignalsCleanedUp();
    return status;
}
