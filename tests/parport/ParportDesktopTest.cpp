// The desktop program tallis, without the simulator, on the fake parallel
// port under Xvfb: start-up finds the port and calibrates the timer, then one
// Erase + Program + Verify of a bundled example runs to its message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include <unistd.h>

#include "CliProcess.h"
#include "FakeParport.h"
#include "sim/ChipHexFile.h"

namespace tallis::testing {
namespace {

const std::string kExample = TALLIS_EXAMPLES_DIR "/blink877a.hex";

TEST(ParportDesktop, StartsOnThePortAndProgramsTheExample) {
    if (std::system("xvfb-run --help >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    // xvfb-run -a takes the first free display from its start; two runs that
    // start together on the same one hang, so each starts from its own.
    const std::string firstDisplay = std::to_string(100 + getpid() % 800);
    CliProcess desktop;  // runs TALLIS_CLI_PATH: here the desktop program
    CliResult r = desktop.Run(
        {kExample},
        {"xvfb-run", "-a", "-n", firstDisplay, "-s", "-screen 0 1024x768x24", "env",
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
