// tallis-cli's refusals and its safe ends: addresses of the PC's own devices,
// files that would overwrite the input or cannot be written, interruptions and
// runs sharing one simulated chip.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliProcess.h"
#include "HexText.h"
#include "cli/ConsoleText.h"

namespace tallis::testing {
namespace {

const std::vector<std::uint16_t> kWords = {0x2805, 0x0000, 0x1683, 0x0186, 0x3FFE};
constexpr std::uint16_t kConfigWord = 0x3F3A;

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* reason;  // part of the message
};

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Each refusal comes before anything is written: no trace, no state file, and
// the input left as it was.
TEST_P(CliRefusal, ExitsWithTwoBeforeTheRun) {
    const RefusalCase& c = GetParam();
    CliProcess cli;
    const std::string firmware = ProgramHex(kWords, kConfigWord);
    cli.WriteFile("fw.hex", firmware);
    std::vector<std::string> args = {"--trace", "trace.txt"};
    args.insert(args.end(), c.args.begin(), c.args.end());

    CliResult r = cli.Run(args);

    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("tallis-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
    EXPECT_EQ(cli.ReadFile("fw.hex"), firmware);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRefusal,
    ::testing::Values(
        RefusalCase{"KeyboardController", {"--sim", "--port", "0x60", "erase"}, "--force-port"},
        RefusalCase{"PciConfiguration", {"--sim", "--port", "0xCF8", "erase"}, "PCI"},
        RefusalCase{"SerialPort", {"--sim", "--port", "0x3F8", "reset"}, "COM1"},
        RefusalCase{
            "UnknownPortDriver", {"--sim", "--port-driver", "giveio", "reset"}, "--port-driver"},
        RefusalCase{"StateIsTheInput",
                    {"--sim", "--sim-state", "fw.hex", "program", "fw.hex"},
                    "overwritten"},
        RefusalCase{"ReadOverTheState",
                    {"--sim", "--sim-state", "fw.hex", "read", "fw.hex"},
                    "overwritten"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliPorts, ForcedAddressRunsAndPortsAnswers) {
    CliProcess cli;
    CliResult forced = cli.Run({"--sim", "--port", "0xCF8", "--force-port", "erase"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;

    CliResult ports = cli.Run({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports.err;
    EXPECT_FALSE(ports.out.empty()) << "a line per port, or one saying there is none";
}

TEST(CliProgress, LineStaysShorterThanTheTerminal) {
    for (int columns : {200, 80, 40, 24, 10, 1}) {
        std::string line = ProgressLine(57, 4321, std::chrono::seconds(75), columns);
        EXPECT_LT(static_cast<int>(line.size()), std::max(columns, 1)) << columns << ": " << line;
        EXPECT_NE(line.find(columns >= 24 ? "57%" : ""), std::string::npos) << line;
    }
    EXPECT_EQ(ProgressLine(50, 10, std::chrono::seconds(5), 200),
              "[###############---------------]  50%  10 words  0:05");
}

// The man page is written by hand beside the code; it must keep up with --help.
TEST(CliManPage, NamesEveryOptionCommandAndExitStatus) {
    std::ifstream file(TALLIS_SOURCE_DIR "/cli/tallis-cli.1.scd");
    std::stringstream page;
    page << file.rdbuf();
    ASSERT_FALSE(page.str().empty());
    CliProcess cli;
    const std::string help = cli.Run({"--help"}).out;

    std::set<std::string> names = {"program", "erase",       "reset", "ports",    "identify",
                                   "read",    "blank-check", "write", "selftest", "verify"};
    const std::regex option("--[a-z][a-z0-9-]*");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert(it->str());
    }
    for (const std::string& name : names) {
        EXPECT_NE(page.str().find("*" + name + "*"), std::string::npos) << name;
    }
    for (const char* status :
         {"*0*", "*1*", "*2*", "*3*", "*4*", "*5*", "*129*", "*130*", "*143*"}) {
        EXPECT_NE(page.str().find(status), std::string::npos) << status;
    }
}

// ---- files written whole -------------------------------------------------

std::vector<std::uint16_t> CountingWords(std::size_t count) {
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>(0x3000 + i));
    }
    return words;
}

// A state file is whole when a later run loads it (it refuses a damaged one).
bool StateLoads(const CliProcess& cli, const std::string& name) {
    return cli.Run({"--sim", "--sim-state", name, "reset"}).exitCode == 0;
}

TEST(CliSimState, FiftyRunsAtOnceLeaveOneWholeState) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(CountingWords(40), kConfigWord));
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "alone.hex", "program", "fw.hex"}).exitCode, 0);

    constexpr int kRuns = 50;
    std::vector<pid_t> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(cli.Start({"--sim", "--sim-state", "chip.hex", "program", "fw.hex"},
                                 std::to_string(i)));
    }
    for (int i = 0; i < kRuns; ++i) {
        CliResult r = cli.Finish(runs[static_cast<std::size_t>(i)], std::to_string(i));
        EXPECT_EQ(r.exitCode, 0) << "run " << i << ": " << r.err;
    }

    EXPECT_EQ(cli.ReadFile("chip.hex"), cli.ReadFile("alone.hex"));
}

struct WriteFailureCase {
    const char* name;
    const char* option;  // the option naming the file that is written
};

class CliWriteFailure : public ::testing::TestWithParam<WriteFailureCase> {};

// A file size limit stands in for a full disk: writes past it fail. The file
// from an earlier run stays as it was.
TEST_P(CliWriteFailure, EndsWithFiveAndKeepsTheOldFile) {
    const WriteFailureCase& c = GetParam();
    CliProcess cli;
    const std::vector<std::string> args = {"--sim", c.option, "out.txt", "program", "fw.hex"};
    cli.WriteFile("fw.hex", ProgramHex(CountingWords(200), kConfigWord));
    ASSERT_EQ(cli.Run(args).exitCode, 0);
    const std::string old = cli.ReadFile("out.txt");
    cli.WriteFile("fw.hex", ProgramHex(CountingWords(300), kConfigWord));

    CliResult r = cli.Run(args, {"prlimit", "--fsize=16384"});

    EXPECT_EQ(r.exitCode, 5) << r.err;
    EXPECT_EQ(r.err.rfind("tallis-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(cli.ReadFile("out.txt"), old);
}

INSTANTIATE_TEST_SUITE_P(Files, CliWriteFailure,
                         ::testing::Values(WriteFailureCase{"Trace", "--trace"},
                                           WriteFailureCase{"SimState", "--sim-state"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliOutput, FailedStandardOutputEndsWithFive) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(kWords, kConfigWord));
    CliResult r =
        cli.Run({"--sim", "program", "fw.hex"}, {"sh", "-c", "exec \"$0\" \"$@\" >/dev/full"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, kClassic87xAHazards + "tallis-cli: output could not be written\n");
}

struct UnwritableCase {
    const char* name;
    std::vector<std::string> args;  // after "--sim --sim-state chip.hex"
    const char* reason;             // part of the message
};

class CliUnwritableOutput : public ::testing::TestWithParam<UnwritableCase> {};

// Found before the run, not after a whole chip was written or read: the
// simulated chip's state, saved after any run, never appears.
TEST_P(CliUnwritableOutput, RefusedBeforeTheRun) {
    const UnwritableCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(kWords, kConfigWord));
    std::filesystem::create_directory(cli.Path("folder"));
    std::vector<std::string> args = {"--sim", "--sim-state", "chip.hex"};
    args.insert(args.end(), c.args.begin(), c.args.end());

    CliResult r = cli.Run(args);

    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cli.Path("chip.hex"))) << "nothing ran";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CliUnwritableOutput,
    ::testing::Values(
        UnwritableCase{"TraceInAMissingFolder",
                       {"--trace", "missing/trace.txt", "program", "fw.hex"},
                       "trace"},
        UnwritableCase{"TraceIsAFolder", {"--trace", "folder", "write", "fw.hex"}, "folder"},
        UnwritableCase{"ReadToAFolder", {"read", "folder"}, "folder"},
        // A valid name, too long once the temporary beside it is named after it.
        UnwritableCase{"ReadToALongName", {"read", std::string(250, 'r')}, "too long"}),
    [](const auto& info) { return std::string(info.param.name); });

// Reads what a run left in a FIFO whose reading end was opened before it:
// without blocking, should the run have replaced the FIFO instead.
std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

// What stands at an output path is kept: a link leads to the file replaced
// (its mode kept), a FIFO is written into, a read-only file is refused.
TEST(CliOutputPaths, FollowLinksWriteFifosAndRefuseReadOnlyFiles) {
    CliProcess cli;
    const std::filesystem::path kept = cli.WriteFile("kept.hex", "old");
    std::filesystem::permissions(
        kept, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink("kept.hex", cli.Path("link.hex"));
    ASSERT_EQ(mkfifo(cli.Path("trace.fifo").c_str(), 0644), 0);
    const int fifo = open(cli.Path("trace.fifo").c_str(), O_RDONLY | O_NONBLOCK);

    CliResult r = cli.Run({"--sim", "--trace", "trace.fifo", "reset"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Drain(fifo).empty());
    EXPECT_TRUE(std::filesystem::is_fifo(cli.Path("trace.fifo")));

    r = cli.Run({"--sim", "read", "link.hex"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(cli.Path("link.hex")));
    EXPECT_NE(cli.ReadFile("kept.hex").find(":00000001FF"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(kept).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    std::filesystem::permissions(kept, std::filesystem::perms::owner_read);
    const std::string before = cli.ReadFile("kept.hex");
    r = cli.Run({"--sim", "read", "link.hex"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "tallis-cli: cannot write link.hex: permission denied\n");
    EXPECT_EQ(cli.ReadFile("kept.hex"), before);
}

// A closed standard stream must not hand its number to the next file opened
// (here the simulated chip's lock file), which would receive what was meant
// for the stream.
TEST(CliStandardStreams, ClosedStreamsWriteIntoNoFile) {
    CliProcess cli;
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "read", "-"},
                          {"sh", "-c", "exec \"$0\" \"$@\" >&-"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "tallis-cli: cannot write to standard output: it is closed\n");

    r = cli.Run({"--sim", "--sim-state", "chip.hex", "erase"},
                {"sh", "-c", "exec \"$0\" \"$@\" 2>&-"});
    EXPECT_EQ(r.exitCode, 5) << "the hazard line could not be written";
    EXPECT_EQ(std::filesystem::file_size(cli.Path("chip.hex.lock")), 0u);
}

// ---- stop signals during a real-time run --------------------------------

// The trace being written, as far as the run has flushed it.
std::uintmax_t TraceWritten(const CliProcess& cli, pid_t pid) {
    std::error_code error;
    auto size = std::filesystem::file_size(
        cli.Path(".trace.txt.tallis-" + std::to_string(pid) + ".tmp"), error);
    return error ? 0 : size;
}

// The last value written to the data register, where bit 3 is VPP.
int LastDataWrite(const std::string& trace) {
    std::size_t at = trace.rfind("W 0378 ");
    return at == std::string::npos ? -1 : std::stoi(trace.substr(at + 7, 2), nullptr, 16);
}

struct SignalCase {
    const char* name;
    int signal;
    int exitCode;
    // The signal goes once the trace holds this much (0: during the start,
    // before anything is sent); negative counts back from the configuration
    // word's first wait.
    long traceBytes;
};

class CliStopSignal : public ::testing::TestWithParam<SignalCase> {};

TEST_P(CliStopSignal, LeavesVppOffAWholeStateAndTheSignalsStatus) {
    const SignalCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(CountingWords(64), kConfigWord));
    const std::vector<std::string> run = {"--sim",     "--sim-state", "chip.hex", "--trace",
                                          "trace.txt", "program",     "fw.hex"};
    ASSERT_EQ(cli.Run(run).exitCode, 0);
    const std::string before = cli.ReadFile("chip.hex");
    long threshold = c.traceBytes;
    if (threshold < 0) {
        // The configuration word of the 16F877A holds the run's last two 10 ms
        // waits (after loading it, after its write cycle).
        const std::string trace = cli.ReadFile("trace.txt");
        threshold += static_cast<long>(trace.rfind("D 10000\n", trace.rfind("D 10000\n") - 1));
    }
    cli.WriteFile("fw.hex", ProgramHex(CountingWords(64), 0x3F32));

    std::vector<std::string> realTime = run;
    realTime.insert(realTime.begin() + 1, "--real-time");
    pid_t pid = cli.Start(realTime, "run");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    if (threshold == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // calibrating
    }
    while (TraceWritten(cli, pid) < static_cast<std::uintmax_t>(threshold) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, c.signal);
    kill(pid, c.signal);  // a second one changes nothing
    CliResult r = cli.Finish(pid, "run");

    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    const std::string trace = cli.ReadFile("trace.txt");
    if (threshold == 0) {
        EXPECT_EQ(trace, "") << "stopped before anything was sent";
        EXPECT_EQ(cli.ReadFile("chip.hex"), before);
    } else {
        EXPECT_EQ(LastDataWrite(trace) & 0x08, 0) << "VPP left on";
    }
    EXPECT_TRUE(StateLoads(cli, "chip.hex"));
}

INSTANTIATE_TEST_SUITE_P(Points, CliStopSignal,
                         ::testing::Values(SignalCase{"BeforeVpp", SIGTERM, 143, 0},
                                           SignalCase{"MidRow", SIGINT, 130, 8192},
                                           SignalCase{"LastWordsAndConfigurationWord", SIGHUP, 129,
                                                      -8191}),
                         [](const auto& info) { return std::string(info.param.name); });

// A signal during erase's blank check or during write ends the run at the
// next word, with VPP off, without the success line, and says so once.
TEST(CliStopSignal, EndsEraseAndWriteAtTheNextWordAndSaysSoOnce) {
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"erase"}, std::vector<std::string>{"write", "fw.hex"}}) {
        SCOPED_TRACE(command.front());
        CliProcess cli;
        cli.WriteFile("fw.hex", ProgramHex(CountingWords(64), kConfigWord));
        std::vector<std::string> run = {"--sim", "--trace", "trace.txt"};
        run.insert(run.end(), command.begin(), command.end());
        ASSERT_EQ(cli.Run(run).exitCode, 0);
        // Most of either trace is reading the chip back: past its middle the
        // erase is over.
        const auto threshold = cli.ReadFile("trace.txt").size() / 2;
        run.insert(run.begin() + 1, "--real-time");
        pid_t pid = cli.Start(run, "run");
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (TraceWritten(cli, pid) < threshold && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        kill(pid, SIGINT);
        CliResult r = cli.Finish(pid, "run");
        EXPECT_EQ(r.exitCode, 130) << r.err;
        EXPECT_EQ(r.out.find("erased"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Wrote"), std::string::npos) << r.out;
        EXPECT_EQ(WithoutHazards(r.err),
                  "tallis-cli: stopped by a signal; the target was left out of programming mode\n");
        const std::string trace = cli.ReadFile("trace.txt");
        EXPECT_LT(trace.size(), threshold * 2);
        EXPECT_EQ(LastDataWrite(trace) & 0x08, 0) << "VPP left on";
    }
}

// True once another process holds the lock beside `file`; a probe that gets
// the lock gives it back at once.
bool LockIsHeld(const std::filesystem::path& file) {
    const std::string lock = file.string() + ".lock";
    const int fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return held;
}

// A run that has loaded the state (a real-time reset, which holds the lock
// through the timer's three-second calibration) and a program started
// meanwhile: the program waits, says so, and its image is what the state
// keeps, not the blank chip the first run saves.
TEST(CliSimState, ASecondRunWaitsAndItsChangeIsKept) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(kWords, kConfigWord));
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "alone.hex", "program", "fw.hex"}).exitCode, 0);

    const pid_t first =
        cli.Start({"--sim", "--real-time", "--sim-state", "chip.hex", "reset"}, "first");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!LockIsHeld(cli.Path("chip.hex")) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    CliResult second = cli.Run({"--sim", "--sim-state", "chip.hex", "program", "fw.hex"});
    CliResult firstResult = cli.Finish(first, "first");

    EXPECT_EQ(firstResult.exitCode, 0) << firstResult.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("tallis-cli: waiting for another run to finish with chip.hex\n"),
              std::string::npos)
        << second.err;
    EXPECT_TRUE(cli.ReadFile("chip.hex") == cli.ReadFile("alone.hex"))
        << "the state lost the second run's image";
}

}  // namespace
}  // namespace tallis::testing
