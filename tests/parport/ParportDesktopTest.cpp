// The desktop program tallis, without the simulator, on the fake parallel
// port under Xvfb: start-up finds the port and calibrates the timer, then one
// Erase + Program + Verify of a bundled example runs to its message.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "CliProcess.h"
#include "FakeParport.h"
#include "sim/ChipHexFile.h"

namespace tallis::testing {
namespace {

const std::string kExample = TALLIS_EXAMPLES_DIR "/blink877a.hex";

// An Xvfb of the test's own. The server takes a free display itself and
// writes its number once it accepts connections (-displayfd), so tests that
// start together never race for one; the wait for it is bounded, and a server
// that has not answered in time is stopped and started once more.
class VirtualDisplay {
  public:
    explicit VirtualDisplay(std::filesystem::path log) : log_(std::move(log)) {}
    ~VirtualDisplay() { Stop(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N" once a server answers; empty when neither of two tries did.
    std::string Start() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (std::string display = TryStart(); !display.empty()) {
                return display;
            }
            Stop();
        }
        return {};
    }

  private:
    static constexpr auto kAnswerWithin = std::chrono::seconds(30);
    static constexpr auto kExitWithin = std::chrono::seconds(10);
    static constexpr int kReadyFd = 3;  // the server's end of the pipe

    std::string TryStart() {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) {
            return {};
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ready[1], kReadyFd);
        const char* argv[] = {"Xvfb",        "-displayfd", "3",   "-screen", "0",
                              "1024x768x24", "-nolisten",  "tcp", nullptr};
        const int error = posix_spawnp(&pid_, argv[0], &actions, nullptr,
                                       const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        if (error != 0) {
            pid_ = -1;
            close(ready[0]);
            return {};
        }
        const std::string number = ReadLine(ready[0]);
        close(ready[0]);
        return number.empty() ? std::string{} : ":" + number;
    }

    // The display number the server writes when it is ready; empty when it
    // ends or stays silent for kAnswerWithin.
    static std::string ReadLine(int fd) {
        const auto deadline = std::chrono::steady_clock::now() + kAnswerWithin;
        std::string line;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd ready{fd, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (read(fd, &c, 1) != 1) {
                return {};
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return {};
    }

    void Stop() {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + kExitWithin;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }

    std::filesystem::path log_;
    pid_t pid_ = -1;
};

TEST(ParportDesktop, StartsOnThePortAndProgramsTheExample) {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    CliProcess desktop;  // runs TALLIS_CLI_PATH: here the desktop program
    VirtualDisplay xvfb(desktop.Path("xvfb.log"));
    const std::string display = xvfb.Start();
    ASSERT_FALSE(display.empty()) << "Xvfb did not start: " << desktop.ReadFile("xvfb.log");
    CliResult r = desktop.Run(
        {kExample},
        {"env", "DISPLAY=" + display,
         "LD_PRELOAD=" TALLIS_FAKE_PARPORT_PATH ":" TALLIS_DESKTOP_DRIVER_PATH,
         "TALLIS_FAKE_PARPORT_STATE=chip.hex", "TALLIS_FAKE_PARPORT_REPORT=report.txt",
         "TALLIS_DESKTOP_DRIVER_LOG=driver.txt", "TALLIS_DESKTOP_DRIVER_FILE=" + kExample,
         "QT_QPA_PLATFORM=xcb",
         // The window's settings (recent files, last folder) stay in the test's folder.
         "XDG_CONFIG_HOME=" + desktop.Path("config").string(),
         std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0",
         "LSAN_OPTIONS=suppressions=" TALLIS_LSAN_SUPPRESSIONS});

    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::regex_match(desktop.ReadFile("driver.txt"),
                                 std::regex("ready: Driver successfully started !\n"
                                            "opened: TALLIS - .*blink877a.hex\n"
                                            "message: Down load data [0-9]+ words complete\n"
                                            "status: Current LPT Port :1  \\(378H\\)\n")))
        << desktop.ReadFile("driver.txt") << r.err;
    const std::string report = desktop.ReadFile("report.txt");
    EXPECT_EQ(ReportValue(report, "violations"), "0") << report;
    // Closing the window leaves the target running: control 0x00, data 0x03.
    EXPECT_EQ(ReportValue(report, "data register"), "0x03");
    EXPECT_EQ(ReportValue(report, "control register"), "0x00");
    EXPECT_EQ(ReportValue(report, "claimed at exit"), "no");
    sim::ChipMemory chip = sim::ChipMemory::Blank(sim::TargetType::Pic16F877A, 0);
    sim::ChipMemory example = chip;
    EXPECT_TRUE(sim::LoadChipHex(desktop.Path("chip.hex"), sim::TargetType::Pic16F877A, chip));
    EXPECT_TRUE(sim::LoadChipHex(kExample, sim::TargetType::Pic16F877A, example));
    EXPECT_EQ(chip.program, example.program);
    EXPECT_EQ(chip.ConfigWord(), example.ConfigWord());
}

}  // namespace
}  // namespace tallis::testing
