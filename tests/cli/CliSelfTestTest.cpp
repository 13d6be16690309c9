// tallis-cli selftest against the simulated chip: the whole step list passes
// on one device per family, a fault fails the step it should and the report
// names it, and nothing is touched when no one can confirm the erase.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliProcess.h"

namespace tallis::testing {
namespace {

const char* const kSteps[] = {
    "line check",
    "identify (classic timing)",
    "erase + blank check (classic timing)",
    "write + verify + read-back, full memory (classic timing)",
    "write + verify + read-back, sparse (classic timing)",
    "write + verify + read-back, EEPROM and IDs (classic timing)",
    "write + verify + read-back, configuration word (classic timing)",
    "identify (fast timing)",
    "erase + blank check (fast timing)",
    "write + verify + read-back, full memory (fast timing)",
    "write + verify + read-back, sparse (fast timing)",
    "write + verify + read-back, EEPROM and IDs (fast timing)",
    "write + verify + read-back, configuration word (fast timing)",
    "classic Erase + Program + Verify of ",
    "reset",
};

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The report line of a step: "  passed      0.004 s  line check: ...".
std::string StepLine(const std::string& report, const std::string& step) {
    const std::size_t at = report.find("  " + step);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = report.rfind('\n', at) + 1;
    return report.substr(start, report.find('\n', at) - start);
}

struct FamilyCase {
    const char* name;
    std::vector<std::string> options;  // before selftest
    std::vector<std::string> selfTestOptions;
    std::string device;
    std::string example;  // the example's file name in the report
};

class CliSelfTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(CliSelfTest, EveryStepPassesAndTheReportSaysSo) {
    const FamilyCase& c = GetParam();
    CliProcess cli;
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"selftest", "--yes", "--report", "report.txt"});
    args.insert(args.end(), c.selfTestOptions.begin(), c.selfTestOptions.end());
    CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(WithoutHazards(r.err), "");  // no protocol violation
    const std::string report = cli.ReadFile("report.txt");
    EXPECT_TRUE(Holds(report, "Device:            " + c.device + " revision 1")) << report;
    EXPECT_TRUE(Holds(report, "Port access:       simulated")) << report;
    EXPECT_TRUE(Holds(report, "Result:            PASSED")) << report;
    for (const char* step : kSteps) {
        EXPECT_EQ(StepLine(report, step).rfind("  passed ", 0), 0U) << step << "\n" << report;
    }
    EXPECT_TRUE(Holds(report, "of " + c.example + ": Down load data")) << report;
    EXPECT_FALSE(Holds(report, "FAILED")) << report;
    // Only file names: neither the example's folder nor the working folder.
    EXPECT_FALSE(Holds(report, TALLIS_EXAMPLES_DIR)) << report;
    EXPECT_FALSE(Holds(report, cli.Dir().string())) << report;
}

INSTANTIATE_TEST_SUITE_P(
    Families, CliSelfTest,
    ::testing::Values(FamilyCase{"Pic16F877A", {"--sim"}, {}, "PIC16F877A", "blink877a.hex"},
                      FamilyCase{"Pic16F877ASlowBoard",
                                 {"--sim", "--sim-board", "slow"},
                                 {},
                                 "PIC16F877A",
                                 "blink877a.hex"},
                      FamilyCase{"Pic16F876",
                                 {"--sim", "--chip", "16f876", "--port", "lpt2"},
                                 {"--example", TALLIS_EXAMPLES_DIR "/eeprom877.hex"},
                                 "PIC16F876",
                                 "eeprom877.hex"}),
    [](const auto& info) { return std::string(info.param.name); });

// Chips of the other families pass every step that is for them: the images
// fit their sizes, leave a calibration word at the top of program memory and
// the band-gap trim to the write, and protect nothing.
TEST(CliSelfTest, ChipsWithoutTheClassicCommandsPassEveryStepForThem) {
    for (const char* chip : {"16f84a", "12f675"}) {
        SCOPED_TRACE(chip);
        CliProcess cli;
        CliResult r = cli.Run({"--sim", "--sim-chip", chip, "selftest", "--yes", "--quick"});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        const std::string report = cli.ReadFile("tallis-selftest.txt");
        EXPECT_TRUE(Holds(report, "Result:            PASSED, 8 steps; 1 not for this chip\n"))
            << report;
        EXPECT_EQ(StepLine(report, "classic Erase").rfind("  skipped ", 0), 0U) << report;
    }
}

struct FaultCase {
    const char* name;
    std::string fault;
    std::string failedStep;  // the report's verdict names it
    std::string detail;      // what the report says about it
};

class CliSelfTestFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CliSelfTestFault, FailsTheRightStepAndTheReportNamesIt) {
    const FaultCase& c = GetParam();
    CliProcess cli;
    CliResult r = cli.Run({"--sim", "--sim-fault", c.fault, "selftest", "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string report = cli.ReadFile("tallis-selftest.txt");
    EXPECT_TRUE(Holds(report, "Result:            FAILED: " + c.failedStep + "\n")) << report;
    EXPECT_TRUE(Holds(report, c.detail)) << report;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliSelfTestFault,
    ::testing::Values(
        FaultCase{"NoBoard", "no-chip", "line check",
                  "  not run               erase + blank check (classic timing)\n"},
        FaultCase{"DataStuckLow", "data-stuck-low", "line check", "RB7 reads 0 when released"},
        FaultCase{"UnprogrammableWord", "unprogrammable:0x0805",
                  "write + verify + read-back, full memory (classic timing); write + verify + "
                  "read-back, full memory (fast timing); write + verify + read-back, sparse "
                  "(classic timing); write + verify + read-back, sparse (fast timing)",
                  "        program memory 0x0805: expected 0x2250, read 0x3FFF\n"},
        FaultCase{"UnprogrammableConfigWord", "unprogrammable:0x2007",
                  "write + verify + read-back, configuration word (classic timing); write + "
                  "verify + read-back, configuration word (fast timing); classic Erase + Program "
                  "+ Verify of blink877a.hex",
                  "        configuration word 0x2007: expected 0x3F72, read 0x3FFF\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::vector<std::string> selfTestOptions;
    std::string err;
};

class CliSelfTestRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliSelfTestRefusal, NothingIsSentAndNoReportWritten) {
    const RefusalCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("damaged.hex", ":020000000528D2\r\n:00000001FF\r\n");  // a wrong checksum
    std::vector<std::string> args = {"--sim", "--trace", "trace.txt", "selftest"};
    args.insert(args.end(), c.selfTestOptions.begin(), c.selfTestOptions.end());
    CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Holds(r.err, c.err)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
    EXPECT_FALSE(std::filesystem::exists(cli.Path("tallis-selftest.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliSelfTestRefusal,
    ::testing::Values(RefusalCase{"NoTerminalWithoutYes", {}, "give --yes"},
                      RefusalCase{
                          "MissingExample", {"--yes", "--example", "missing.hex"}, "missing.hex"},
                      RefusalCase{"DamagedExample",
                                  {"--yes", "--example", "damaged.hex"},
                                  "tallis-cli: damaged.hex: line 1: Check sum error !; nothing was "
                                  "sent to the chip\n"},
                      RefusalCase{"ReportCannotBeWritten",
                                  {"--yes", "--report", "no-folder/report.txt"},
                                  "cannot write the report to no-folder/report.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis::testing
