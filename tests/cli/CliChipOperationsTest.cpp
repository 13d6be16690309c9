// The chip operations of tallis-cli on the simulated chip: what a user sees
// for each diagnosis and each bad file, and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliProcess.h"
#include "HexText.h"

namespace tallis::testing {
namespace {

const std::vector<std::uint16_t> kWords = {0x2805, 0x0000, 0x1683, 0x0186, 0x1283};
constexpr std::uint16_t kConfigWord = 0x3F3A;

// Program words, the four IDs, three EEPROM bytes and the configuration word.
std::string FullHex(std::uint16_t configWord = kConfigWord) {
    return HexRecord(0x0000, 0x00, {0x05, 0x28, 0x00, 0x00, 0x83, 0x16, 0x86, 0x01, 0x83, 0x12}) +
           HexRecord(0x4000, 0x00, {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00}) +
           HexRecord(0x400E, 0x00,
                     {static_cast<std::uint8_t>(configWord & 0xFF),
                      static_cast<std::uint8_t>(configWord >> 8)}) +
           HexRecord(0x4200, 0x00, {0x12, 0x00, 0x34, 0x00, 0x56, 0x00}) + HexEndRecord();
}

struct DiagnosisCase {
    const char* name;
    std::vector<std::string> args;  // after "--sim --sim-state chip.hex"
    int exitCode;
    std::string err;  // what standard error must contain
};

class CliDiagnosis : public ::testing::TestWithParam<DiagnosisCase> {};

TEST_P(CliDiagnosis, ExitStatusAndMessage) {
    const DiagnosisCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("full.hex", FullHex());
    cli.WriteFile("other.hex", ProgramHex({0x2806}, kConfigWord));
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "write", "full.hex"}).exitCode, 0);
    std::vector<std::string> args = {"--sim", "--sim-state", "chip.hex"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliDiagnosis,
    ::testing::Values(
        DiagnosisCase{"NoChip", {"--sim-fault", "no-chip", "identify"}, 4, "no chip answered"},
        DiagnosisCase{"DataStuckLow",
                      {"--sim-fault", "data-stuck-low", "blank-check"},
                      4,
                      "the data line RB7 is held low"},
        DiagnosisCase{"WrongChip",
                      {"--chip", "16f876a", "--sim-chip", "16f877a", "write", "full.hex"},
                      4,
                      "found PIC16F877A revision 1 (device ID 0x0E21), not the PIC16F876A"},
        DiagnosisCase{"VerifyDifference",
                      {"verify", "other.hex"},
                      4,
                      "  program memory 0x0000: expected 0x2806, read 0x2805\n"},
        DiagnosisCase{"NotBlank", {"blank-check"}, 4, "configuration word 0x2007 holds 0x3F3A"},
        DiagnosisCase{"WriteDoesNotVerify",
                      {"--sim-fault", "unprogrammable:0x0002", "write", "full.hex"},
                      1,
                      "  program memory 0x0002: expected 0x1683, read 0x3FFF\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliChipOperations, WriteReadVerifyRoundTripOnEveryDevice) {
    for (const char* chip :
         {"16f873", "16f874", "16f876", "16f877", "16f873a", "16f874a", "16f876a", "16f877a"}) {
        SCOPED_TRACE(chip);
        CliProcess cli;
        cli.WriteFile("full.hex", FullHex());
        const std::vector<std::string> sim = {"--sim", "--sim-chip", chip, "--sim-state",
                                              "chip.hex"};
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin(), sim.begin(), sim.end());
            return cli.Run(args);
        };
        CliResult written = run({"write", "full.hex"});
        ASSERT_EQ(written.exitCode, 0) << written.err;
        EXPECT_EQ(written.err, "");  // no protocol violation
        CliResult read = run({"read", "dump.hex"});
        ASSERT_EQ(read.exitCode, 0) << read.err;
        CliResult verified = run({"--chip", chip, "verify", "dump.hex"});
        EXPECT_EQ(verified.exitCode, 0) << verified.err;
        EXPECT_EQ(run({"verify", "full.hex"}).exitCode, 0);
    }
}

// The same commands over a simulated FTDI board, high voltage: on either
// FTDI chip, either wiring, with no violation; the classic commands refused.
TEST(CliChipOperations, RunOverASimulatedFtdiBoard) {
    struct Case {
        const char* chip;
        const char* ftdi;
        const char* wiring;
    };
    for (const Case& c :
         {Case{"16f877a", "FT232R", "ft232r-hv"}, Case{"16f877", "FT232H", "ft232r-hv-split"}}) {
        SCOPED_TRACE(c.chip);
        CliProcess cli;
        cli.WriteFile("full.hex", FullHex());
        const std::vector<std::string> sim = {"--sim", "--port",        "ftdi",    "--sim-ftdi",
                                              c.ftdi,  "--ftdi-wiring", c.wiring,  "--sim-chip",
                                              c.chip,  "--sim-state",   "chip.hex"};
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin(), sim.begin(), sim.end());
            return cli.Run(args);
        };
        CliResult written = run({"--fast", "write", "full.hex"});
        ASSERT_EQ(written.exitCode, 0) << written.err;
        EXPECT_EQ(written.err, "");
        CliResult verified = run({"--fast", "verify", "full.hex"});
        EXPECT_EQ(verified.exitCode, 0) << verified.err;
        EXPECT_EQ(verified.err, "");
        EXPECT_EQ(run({"--sim-fault", "no-chip", "identify"}).exitCode, 4);
        for (const std::vector<std::string>& refused :
             {std::vector<std::string>{"erase"}, {"--sim-board", "slow", "identify"}}) {
            CliResult r = run(refused);
            EXPECT_EQ(r.exitCode, 2) << r.err;
            EXPECT_NE(r.err.find("parallel-port board"), std::string::npos) << r.err;
        }
    }
}

TEST(CliChipOperations, ReadAndVerifyOfAProtectedChipSaySoAndExitWithFour) {
    CliProcess cli;
    cli.WriteFile("protected.hex", FullHex(0x1E3A));  // CP and CPD on
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "write", "protected.hex"}).exitCode, 0);
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "read", "-"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("program memory 0x0000-0x1FFF is code-protected"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("the data EEPROM is code-protected"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(":10000000"), std::string::npos);  // no program words, never zeros
    EXPECT_NE(r.out.find(":0A4000000100020003000400FF3F"), std::string::npos) << r.out;

    r = cli.Run({"--sim", "--sim-state", "chip.hex", "verify", "protected.hex"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err,
              "tallis-cli: program memory 0x0000-0x1FFF is code-protected: it cannot be read and "
              "was not compared\n"
              "tallis-cli: the data EEPROM is code-protected: it cannot be read and was not "
              "compared\n"
              "tallis-cli: the rest of protected.hex matches the PIC16F877A; the file is not "
              "verified whole\n");
}

struct BadFileCase {
    const char* name;
    std::string hex;
    std::string err;
};

class CliBadFile : public ::testing::TestWithParam<BadFileCase> {};

// With --chip the file is refused before the port is touched; with --chip
// auto after the identify, before anything is erased.
TEST_P(CliBadFile, IsRefusedWithItsLineAndNothingIsSent) {
    const BadFileCase& c = GetParam();
    for (const char* chipOption : {"--chip", "--sim-chip"}) {
        for (const char* command : {"write", "verify"}) {
            SCOPED_TRACE(std::string(chipOption) + " " + command);
            CliProcess cli;
            cli.WriteFile("bad.hex", c.hex);
            CliResult r = cli.Run(
                {"--sim", chipOption, "16f873a", "--trace", "trace.txt", command, "bad.hex"});
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "tallis-cli: bad.hex: " + c.err + "\n");
            if (std::string(chipOption) == "--chip") {
                EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
            }
        }
    }
}

std::string Line2(const std::string& record) {
    return HexRecord(0x0000, 0x00, {0x05, 0x28}) + record + HexEndRecord();
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliBadFile,
    ::testing::Values(
        BadFileCase{"Checksum", Line2(HexRecord(0x0010, 0x00, {0x01, 0x00}, true)),
                    "line 2: bad checksum (expected 0xED, found 0xEC)"},
        BadFileCase{"NotHex", Line2(":02001000G10000\r\n"),
                    "line 2: 'G' is not a hexadecimal digit"},
        BadFileCase{"CutShort", Line2(":0400100001\r\n"),
                    "line 2: record cut short: byte count 0x04 needs 9 bytes, the line holds 5"},
        BadFileCase{"UnknownType", Line2(HexRecord(0x0000, 0x06, {0x00})),
                    "line 2: unknown record type 0x06"},
        BadFileCase{"BeyondProgramMemory", Line2(HexRecord(0x2000, 0x00, {0x01, 0x00})),
                    "line 2: word address 0x1000 is outside the 4096 words of program memory"},
        BadFileCase{"BeyondEeprom", Line2(HexRecord(0x4300, 0x00, {0x01, 0x00})),
                    "line 2: EEPROM address 0x80 is outside the 128 bytes of data EEPROM"},
        BadFileCase{"NoEndRecord", HexRecord(0x0000, 0x00, {0x05, 0x28}),
                    "line 1: the file ends without an end-of-file record"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliChipOperations, ProgramWarnsAboutRecordsItDoesNotWrite) {
    CliProcess cli;
    cli.WriteFile("full.hex", FullHex());
    CliResult r = cli.Run({"--sim", "program", "full.hex"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Warning: this command does not write the file's ID locations "
                          "(2000H-2003H) and data EEPROM (2100H-21FFH); they are skipped\n",
                          0),
              0U)
        << r.out;
    EXPECT_EQ(r.err,
              "tallis-cli: warning: program does not write the file's ID locations (2000H-2003H) "
              "and data EEPROM (2100H-21FFH); tallis-cli write writes them\n" +
                  kClassic87xAHazards);
}

struct FastCase {
    const char* name;
    std::vector<std::string> args;  // after "--sim --fast"
    int exitCode;
    std::string out;  // what standard output must contain
    std::string err;  // what standard error must contain
};

class CliFast : public ::testing::TestWithParam<FastCase> {};

TEST_P(CliFast, ExitStatusAndMessage) {
    const FastCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("full.hex", FullHex());
    std::vector<std::string> args = {"--sim", "--fast"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (c.exitCode == 0) {
        EXPECT_EQ(r.err, "");  // no protocol violation
    }
}

const std::string kClassicRefusal =
    "tallis-cli: --fast: program, erase and reset keep their standard waits; --fast is for "
    "identify, read, "
    "verify, blank-check and write\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFast,
    ::testing::Values(
        FastCase{"Write", {"write", "full.hex"}, 0, "Wrote and verified PIC16F877A", ""},
        FastCase{"WriteOnASlowBoard",
                 {"--sim-board", "slow", "--sim-chip", "16f877", "write", "full.hex"},
                 0,
                 "Wrote and verified PIC16F877",
                 ""},
        FastCase{"Retry",
                 {"--sim-fault", "unprogrammable:0x0002", "write", "full.hex"},
                 1,
                 "Retried with the standard waits: program memory 0x0002: expected 0x1683, read "
                 "0x3FFF\n",
                 "  program memory 0x0002: expected 0x1683, read 0x3FFF\n"},
        FastCase{"NoBoard",
                 {"--sim-fault", "no-chip", "write", "full.hex"},
                 4,
                 "",
                 "line check failed: the data line (RB7) reads 1 while held low"},
        FastCase{"StuckLine",
                 {"--sim-fault", "data-stuck-low", "identify"},
                 4,
                 "",
                 "line check failed: the data line (RB7) stays low when released"},
        FastCase{"Program", {"program", "full.hex"}, 2, "", kClassicRefusal},
        FastCase{"Erase", {"erase"}, 2, "", kClassicRefusal},
        FastCase{"Reset", {"reset"}, 2, "", kClassicRefusal},
        FastCase{"SelfTest",
                 {"selftest", "--yes"},
                 2,
                 "",
                 "tallis-cli: --fast: the self-test runs every timing profile, the fast one "
                 "too\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliChipOperations, ListDevicesShowsEveryDevice) {
    CliProcess cli;
    CliResult r = cli.Run({"--list-devices"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* line : {"PIC16F873   16f873   87x     0x0960 (0x3FE0)  4096     128     1",
                             "PIC16F877A  16f877a  87xA    0x0E20 (0x3FF0)  8192     256     8"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    }
}

// A file built for a chip with a second configuration word (0x2008): write
// refuses it naming the chip; program skips it and warns, as for the IDs and
// EEPROM; on a terminal that shows both streams, the warnings come once.
TEST(CliChipOperations, SecondConfigurationWordIsNamedAndWarnedAbout) {
    CliProcess cli;
    cli.WriteFile("config2.hex", Line2(HexRecord(0x4010, 0x00, {0xFF, 0x3F})));
    CliResult write = cli.Run({"--sim", "--chip", "16f877a", "write", "config2.hex"});
    EXPECT_EQ(write.exitCode, 2);
    EXPECT_EQ(write.err,
              "tallis-cli: config2.hex: line 2: configuration word 2 (0x2008) is not on the "
              "PIC16F877A; is the file for another chip?\n");

    const char* const warning =
        "Warning: the file's configuration word 2 (2008H) is not on this chip; it is skipped\n";
    CliResult program = cli.Run({"--sim", "program", "config2.hex"});
    EXPECT_EQ(program.exitCode, 0);
    EXPECT_EQ(program.out.rfind(warning, 0), 0U) << program.out;
    EXPECT_NE(program.err.find("tallis-cli: warning: configuration word 2 (0x2008) is not on the "
                               "PIC16F877A; is the file for another chip?\n"),
              std::string::npos)
        << program.err;

    cli.WriteFile("full.hex", FullHex());
    for (const char* file : {"config2.hex", "full.hex"}) {
        CliResult terminal = cli.RunOnTerminal({"--sim", "program", file}, true);
        EXPECT_EQ(terminal.exitCode, 0);
        std::size_t warnings = 0;
        for (std::size_t at = 0; (at = terminal.out.find("arning", at)) != std::string::npos;
             ++at) {
            ++warnings;
        }
        EXPECT_EQ(warnings, 1U) << terminal.out;
    }
}

// A compiler's comments after the end record (CCS: the chip, a checksum and a
// time with a ':'), with either line end: write and verify take the file, and
// program counts no phantom words for the ':'.
TEST(CliChipOperations, CommentsAfterTheEndRecordAreIgnored) {
    const std::string crlf =
        FullHex() + ";PIC16F877A\r\n;CRC=D692  CREATED=\"10-Ara-21 22:26\"\r\n";
    for (const bool lf : {false, true}) {
        SCOPED_TRACE(lf ? "LF" : "CRLF");
        CliProcess cli;
        std::string text = crlf;
        for (std::size_t at = 0; lf && (at = text.find('\r', at)) != std::string::npos;) {
            text.erase(at, 1);
        }
        cli.WriteFile("ccs.hex", text);
        for (const char* command : {"write", "verify"}) {
            CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", command, "ccs.hex"});
            EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err;
        }
        CliResult r = cli.Run({"--sim", "program", "ccs.hex"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Down load data 6 words complete\n"), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace tallis::testing
