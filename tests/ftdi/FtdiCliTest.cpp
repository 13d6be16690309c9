// The real tallis-cli, without --sim, on an FTDI device served by the
// preloaded fake libftdi: finding and opening the device, bit-bang mode, the
// byte stream and its samples, and the pins let go at the end, against the
// simulated FTDI chip and PIC in real time.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "CliProcess.h"
#include "FakeFtdiReport.h"
#include "HexText.h"

namespace tallis::testing {
namespace {

const std::string kExample = TALLIS_EXAMPLES_DIR "/blink877a.hex";

struct FtdiRun {
    CliProcess cli;

    std::vector<std::string> Launcher(const std::string& chip, const std::string& unplugAfter = "0",
                                      const std::string& wiring = "ft232r-hv") const {
        return {"env",
                "LD_PRELOAD=" TALLIS_FAKE_LIBFTDI_PATH,
                "TALLIS_FAKE_FTDI_STATE=chip.hex",
                "TALLIS_FAKE_FTDI_REPORT=report.txt",
                "TALLIS_FAKE_FTDI_CHIP=" + chip,
                "TALLIS_FAKE_FTDI_UNPLUG=" + unplugAfter,
                "TALLIS_FAKE_FTDI_WIRING=" + wiring,
                AsanOptionsForPreload()};
    }
    CliResult Run(const std::vector<std::string>& args, const std::string& chip = "16f877a") {
        return cli.Run(args, Launcher(chip));
    }
    std::string Report() const { return cli.ReadFile("report.txt"); }

    // VPP off, every pin an input, the chip out of programming mode, nothing
    // it could not take.
    void ExpectSafeEnd() const {
        const std::string report = Report();
        EXPECT_EQ(FakeFtdiReportValue(report, "violations"), "0") << report;
        EXPECT_EQ(FakeFtdiReportValue(report, "vpp"), "off");
        EXPECT_EQ(FakeFtdiReportValue(report, "outputs"), "0x00");
        EXPECT_NE(FakeFtdiReportValue(report, "chip mode"), "programming");
    }
};

// High voltage on both families, and low voltage on the four-wire board with
// a file that keeps LVP set.
TEST(FtdiCli, WritesAndVerifiesThroughLibftdi) {
    struct Case {
        std::string chip;
        std::string board;
    };
    for (const Case& c : {Case{"16f877a", "ft232r-hv"}, Case{"16f877", "ft232r-hv"},
                          Case{"16f877a", "ft232r-lvp"}}) {
        SCOPED_TRACE(c.chip + " on " + c.board);
        FtdiRun run;
        run.cli.WriteFile("lvp.hex", ProgramHex({0x2805, 0x0000, 0x1683}, 0x3FBA));
        const std::string file = c.board == "ft232r-lvp" ? "lvp.hex" : kExample;
        const auto cli = [&](const std::string& port, const std::string& command) {
            return run.cli.Run({"--port", port, "--board", c.board, "--fast", command, file},
                               run.Launcher(c.chip, "0", c.board));
        };
        CliResult written = cli("ftdi", "write");
        ASSERT_EQ(written.exitCode, 0) << written.err;
        run.ExpectSafeEnd();
        CliResult verified = cli("ftdi:FT0TALLIS", "verify");
        EXPECT_EQ(verified.exitCode, 0) << verified.err;
        run.ExpectSafeEnd();
    }
}

TEST(FtdiCli, ListsTheDeviceAndRefusesOneThatIsNotThere) {
    FtdiRun run;
    CliResult ports = run.Run({"ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_NE(ports.out.find("ftdi:FT0TALLIS  FT232R  \"FT232R USB UART\""), std::string::npos)
        << ports.out;
    for (const char* port : {"ftdi:NOPE", "ftdi:3", "ftdi:0403:6014"}) {
        CliResult missing = run.Run({"--port", port, "identify"});
        EXPECT_EQ(missing.exitCode, 3) << port;
        EXPECT_NE(missing.err.find("FTDI device"), std::string::npos) << missing.err;
    }
}

// Ctrl-C in the middle of a long write: the command stops at its next step
// and the pins are let go with VPP off.
TEST(FtdiCli, CtrlCLeavesVppOffAndThePinsInputs) {
    FtdiRun run;
    std::vector<std::uint16_t> words(8192);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<std::uint16_t>((i * 0x1357U) & 0x3FFFU);
    }
    run.cli.WriteFile("big.hex", ProgramHex(words, 0x3F3A));
    const pid_t pid = run.cli.Start({"--port", "ftdi", "--fast", "write", "big.hex"}, "",
                                    run.Launcher("16f877a"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(pid, SIGINT);
    CliResult stopped = run.cli.Finish(pid, "");
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    run.ExpectSafeEnd();
}

// The device pulled out during a write: a port error (exit status 3) that
// says what happened, with VPP off and the pins let go.
TEST(FtdiCli, ALostDeviceEndsTheCommandAsAPortError) {
    FtdiRun run;
    const CliResult lost = run.cli.Run({"--port", "ftdi", "--fast", "write", kExample},
                                       run.Launcher("16f877a", "3000"));
    EXPECT_EQ(lost.exitCode, 3) << lost.err;
    EXPECT_NE(lost.err.find("the FTDI device failed during the command"), std::string::npos)
        << lost.err;
    const std::string report = run.Report();
    EXPECT_EQ(FakeFtdiReportValue(report, "vpp"), "off") << report;
    EXPECT_EQ(FakeFtdiReportValue(report, "outputs"), "0x00");
    EXPECT_NE(FakeFtdiReportValue(report, "chip mode"), "programming");
}

}  // namespace
}  // namespace tallis::testing
