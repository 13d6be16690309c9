// The real tallis-cli, without --sim, on a parallel port served by the
// preloaded fake: the port client's whole Linux path (finding the port under
// /proc, opening and claiming /dev/parport0, the register requests, the real
// timer and its calibration, the release) against the simulated chip in real
// time. Each run that reaches the port calibrates the timer for three seconds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "CliProcess.h"
#include "FakeParport.h"
#include "sim/ChipHexFile.h"

namespace tallis::testing {
namespace {

const std::string kExample = TALLIS_EXAMPLES_DIR "/blink877a.hex";

sim::ChipMemory LoadMemory(const std::filesystem::path& file, sim::TargetType type) {
    sim::ChipMemory memory = sim::ChipMemory::Blank(type, 0);
    EXPECT_TRUE(sim::LoadChipHex(file, type, memory)) << file;
    return memory;
}

// Runs tallis-cli with the fake port preloaded; the chip's memory lives in
// chip.hex and the report lands in report.txt.
struct PortRun {
    CliProcess cli;
    CliResult result;
    std::string report;

    void Run(const std::vector<std::string>& settings, const std::vector<std::string>& args) {
        std::vector<std::string> launcher = {
            "env", "LD_PRELOAD=" TALLIS_FAKE_PARPORT_PATH, "TALLIS_FAKE_PARPORT_STATE=chip.hex",
            "TALLIS_FAKE_PARPORT_REPORT=report.txt", AsanOptionsForPreload()};
        launcher.insert(launcher.end(), settings.begin(), settings.end());
        result = cli.Run(args, launcher);
        report = cli.ReadFile("report.txt");
    }

    void ExpectCleanEnd(const std::string& data) {
        EXPECT_EQ(ReportValue(report, "violations"), "0") << report;
        EXPECT_EQ(ReportValue(report, "data register"), data);
        EXPECT_EQ(ReportValue(report, "control register"), "0x00");
        EXPECT_EQ(ReportValue(report, "claimed at exit"), "no") << "PPRELEASE on the way out";
        EXPECT_EQ(ReportValue(report, "released by close"), "0");
    }
};

enum class Memory { Example, Blank };

struct CommandCase {
    const char* name;
    const char* chip;
    const char* board;
    std::vector<std::string> args;
    const char* out;   // a regular expression, or null: not checked
    const char* data;  // the data register's last value
    Memory after;
    // The example unless blank, so that erase and reset have something to
    // clear or keep.
    Memory before = Memory::Example;
    const char* readFile = nullptr;  // what the command read, which must hold the example
};

class ParportCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ParportCommand, RunsOnTheDevice) {
    const CommandCase& c = GetParam();
    const sim::TargetType type =
        std::string(c.chip) == "16f877" ? sim::TargetType::Pic16F877 : sim::TargetType::Pic16F877A;
    PortRun run;
    if (c.before == Memory::Example) {
        std::filesystem::copy_file(kExample, run.cli.Path("chip.hex"));
    }
    std::vector<std::string> args = {"--chip", c.chip};
    args.insert(args.end(), c.args.begin(), c.args.end());
    run.Run({std::string("TALLIS_FAKE_PARPORT_CHIP=") + c.chip,
             std::string("TALLIS_FAKE_PARPORT_BOARD=") + c.board},
            args);

    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    if (c.out != nullptr) {
        EXPECT_TRUE(std::regex_match(run.result.out, std::regex(c.out))) << run.result.out;
    }
    EXPECT_EQ(run.result.err, "");
    run.ExpectCleanEnd(c.data);
    const sim::ChipMemory example = LoadMemory(kExample, type);
    const sim::ChipMemory memory = LoadMemory(run.cli.Path("chip.hex"), type);
    if (c.after == Memory::Example) {
        EXPECT_EQ(memory.program, example.program);
        EXPECT_EQ(memory.ConfigWord(), example.ConfigWord());
    } else {
        EXPECT_EQ(memory.program, sim::ChipMemory::Blank(type, 0).program);
    }
    if (c.readFile != nullptr) {
        EXPECT_EQ(LoadMemory(run.cli.Path(c.readFile), type).program, example.program);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ParportCommand,
    // Program and Reset leave the target running (data 0x02: VPP off); Erase
    // only leaves it in programming mode with VPP on (0x0A), as the classic
    // command does. Erase runs on a slow board, the others on an ideal one.
    // The chip operations that go through the whole memory (read,
    // blank-check) use the fast timing: seconds instead of a minute in real
    // time each; write and verify go through the example's few words only.
    // Only one erase checks the ID and blank-checks after, which reads the
    // whole chip with the classic waits: about a minute.
    ::testing::Values(
        CommandCase{"Program",
                    "16f877a",
                    "ideal",
                    {"program", kExample},
                    "Down load data [0-9]+ words complete\n",
                    "0x02",
                    Memory::Example},
        CommandCase{
            "Erase", "16f877", "slow", {"--no-id-check", "erase"}, nullptr, "0x0A", Memory::Blank},
        CommandCase{"Reset", "16f877a", "ideal", {"reset"}, nullptr, "0x02", Memory::Example},
        CommandCase{"Identify",
                    "16f877a",
                    "ideal",
                    {"identify"},
                    "PIC16F877A revision [0-9]+ \\(device ID 0x0E2[0-9A-F]\\)\n",
                    "0x02",
                    Memory::Example},
        CommandCase{"EraseWithIdAndBlankCheck",
                    "16f877a",
                    "ideal",
                    {"erase"},
                    "PIC16F877A erased \\(port 0x378\\)\nprogram memory, configuration word and "
                    "data EEPROM erased; ID locations kept\n",
                    "0x02",
                    Memory::Blank},
        CommandCase{"Write",
                    "16f877a",
                    "ideal",
                    {"--fast", "write", kExample},
                    "Wrote and verified PIC16F877A .*: 25 program words and the configuration "
                    "word\nChecksum: 0115 \\(.*blink877a.hex\\)\n",
                    "0x02",
                    Memory::Example,
                    Memory::Blank},
        // Another board, its wiring decoded by the fake port: after the
        // command its VDD (D2) and VPP (D3), both active-low, are off.
        CommandCase{"WriteOnTaitClassic",
                    "16f877a",
                    "tait-classic",
                    {"--board", "tait-classic", "--fast", "write", kExample},
                    "Wrote and verified PIC16F877A .*: 25 program words and the configuration "
                    "word\nChecksum: 0115 \\(.*blink877a.hex\\)\n",
                    "0x0D",
                    Memory::Example,
                    Memory::Blank},
        // Reset leaves the target powered (D2 low) and running.
        CommandCase{"ResetOnTaitClassic",
                    "16f877a",
                    "tait-classic",
                    {"--board", "tait-classic", "reset"},
                    nullptr,
                    "0x09",
                    Memory::Example},
        CommandCase{"Verify",
                    "16f877",
                    "slow",
                    {"verify", kExample},
                    "Verified PIC16F877 .* as in .*blink877a.hex\nChecksum: [0-9A-F]{4} \\(.*\\)\n",
                    "0x02",
                    Memory::Example},
        CommandCase{"BlankCheck",
                    "16f877a",
                    "slow",
                    {"--fast", "blank-check"},
                    "Blank: PIC16F877A revision [0-9]+ .*\n",
                    "0x02",
                    Memory::Blank,
                    Memory::Blank},
        CommandCase{"Read",
                    "16f877",
                    "ideal",
                    {"--fast", "read", "read.hex"},
                    "Read PIC16F877 .*: 8192 program words, .*\nChecksum: [0-9A-F]{4}\n",
                    "0x02",
                    Memory::Example,
                    Memory::Example,
                    "read.hex"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

// The quick self-test as a board owner runs it: every chip operation with the
// fast timing, the classic run of the built-in example, all on the port
// client's real path. About 11 s in real time.
TEST(ParportSelfTest, QuickPassesWithoutAViolation) {
    PortRun run;
    run.Run({}, {"selftest", "--quick", "--yes", "--report", "selftest.txt"});
    EXPECT_EQ(run.result.exitCode, 0) << run.result.out << run.result.err;
    EXPECT_EQ(run.result.err, "");
    run.ExpectCleanEnd("0x02");
    const std::string selfTest = run.cli.ReadFile("selftest.txt");
    for (const char* line :
         {"Port access:       ppdev\n",
          "Device:            PIC16F877A revision 3 (device ID 0x0E23)\n",
          "Result:            PASSED, all 9 steps\n", "(fast timing): written, verified",
          "classic Erase + Program + Verify of blink877a.hex: Down load data"}) {
        EXPECT_NE(selfTest.find(line), std::string::npos) << line << "\n" << selfTest;
    }
    EXPECT_EQ(selfTest.find("(classic timing)"), std::string::npos) << selfTest;
}

// Ctrl+C in the middle of programming (about halfway through the example's
// 4,600 register writes): the run stops with VPP off and the port released.
TEST(ParportInterrupt, SigintMidRunLeavesVppOff) {
    PortRun run;
    run.Run({"TALLIS_FAKE_PARPORT_INTERRUPT_AFTER=2000"}, {"program", kExample});
    ASSERT_FALSE(run.report.empty()) << "SIGINT ended tallis-cli at once (status "
                                     << run.result.exitCode << "), so nothing turned VPP off";
    EXPECT_EQ(run.result.exitCode, 130);
    EXPECT_NE(ReportValue(run.report, "mclr"), "vpp") << run.report;
    EXPECT_EQ(ReportValue(run.report, "claimed at exit"), "no");
}

struct NoAccessCase {
    const char* name;
    std::vector<std::string> settings;
    const char* port;
    const char* reason;
};

class ParportNoAccess : public ::testing::TestWithParam<NoAccessCase> {};

TEST_P(ParportNoAccess, ExitsWithThreeNamingWhatIsMissing) {
    const NoAccessCase& c = GetParam();
    PortRun run;
    run.Run(c.settings, {"--port", c.port, "erase"});
    EXPECT_EQ(run.result.exitCode, 3);
    EXPECT_EQ(run.result.out, "");
    EXPECT_EQ(run.result.err,
              std::string("tallis-cli: no access to the parallel port: ") + c.reason + "\n");
    EXPECT_EQ(ReportValue(run.report, "register writes"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Ports, ParportNoAccess,
    ::testing::Values(
        NoAccessCase{"Busy",
                     {"TALLIS_FAKE_PARPORT_FAULT=busy"},
                     "lpt1",
                     "port 0x378: /dev/parport0 is in use by another program (PPCLAIM: No such "
                     "device or address)"},
        NoAccessCase{"NoParportAtTheBase",
                     {},
                     "lpt2",
                     "port 0x278: no parallel-port device has this base address and direct port "
                     "access was refused: Operation not permitted (load parport_pc and ppdev, or "
                     "run as root on x86)"}),
    [](const ::testing::TestParamInfo<NoAccessCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tallis::testing
