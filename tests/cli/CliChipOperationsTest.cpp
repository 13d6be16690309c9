// The chip operations of tallis-cli on the simulated chip: what a user sees
// for each diagnosis and each bad file, and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliProcess.h"
#include "HexText.h"
#include "device/Device.h"

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

const std::string kSupplyLine =
    "tallis-cli: the chip erases and writes only with a supply (VDD) of 4.5-5.5 V, though it "
    "reads with less: check the target's supply\n";

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
    // The classic run's advice goes to standard output, the others' messages to errors.
    EXPECT_NE((r.out + r.err).find(c.err), std::string::npos) << r.out << r.err;
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
                      "found PIC16F877A revision 1 (device ID 0x0E21), not the PIC16F876A asked "
                      "for (--chip)\ntallis-cli: found PIC16F877A; use --chip 16f877a\n"},
        DiagnosisCase{"VerifyDifference",
                      {"verify", "other.hex"},
                      4,
                      "  program memory 0x0000: expected 0x2806, read 0x2805\n"},
        DiagnosisCase{"NotBlank", {"blank-check"}, 4, "configuration word 0x2007 holds 0x3F3A"},
        DiagnosisCase{"ProgramWordTheEraseKept",
                      {"--fast", "--sim-fault", "unerasable:0x0002", "write", "other.hex"},
                      4,
                      "tallis-cli: the erase did not clear the PIC16F877A: program memory 0x0002 "
                      "holds 0x1683; nothing was written\n"},
        DiagnosisCase{"ConfigurationWordTheEraseKept",
                      {"--sim-fault", "unerasable:0x2007", "write", "other.hex"},
                      4,
                      "configuration word 0x2007 holds 0x3F3A; nothing was written"},
        DiagnosisCase{"IdTheEraseKept",
                      {"--sim-fault", "unerasable:0x2001", "write", "other.hex"},
                      4,
                      "ID 0x2001 holds 0x0002; nothing was written"},
        DiagnosisCase{"WriteDoesNotVerify",
                      {"--sim-fault", "unprogrammable:0x0002", "write", "full.hex"},
                      1,
                      "  program memory 0x0002: expected 0x1683, read 0x3FFF\n"},
        // At 3.3 V the chip reads but erases and writes nothing: every failed
        // erase, write and verify names the supply they need.
        // The erase changes nothing, so the write stops before a word is written.
        DiagnosisCase{"LowSupplyWrite", {"--sim-vdd", "3.3", "write", "other.hex"}, 4, kSupplyLine},
        DiagnosisCase{"LowSupplyErase", {"--sim-vdd", "3.3", "erase"}, 4, kSupplyLine},
        // The classic run's own message names the supply already.
        DiagnosisCase{"LowSupplyProgram",
                      {"--sim-vdd", "3.3", "--no-id-check", "program", "other.hex"},
                      1,
                      "Verify error ! at Address 0000H\n\n1. Disconnect any load form Port RB3 "
                      "RB6 RB7 \n2. Check sytem voltage supply 4.8-5.5 V inspected\n"},
        DiagnosisCase{
            "LowSupplyVerify", {"--sim-vdd", "3.3", "verify", "other.hex"}, 4, kSupplyLine}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever the erase kept stops the write before a word goes on top of it.
TEST(CliChipOperations, WriteOverAnUnerasedWordWritesNothing) {
    CliProcess cli;
    cli.WriteFile("full.hex", FullHex());
    cli.WriteFile("other.hex", ProgramHex({0x2806}, kConfigWord));
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "write", "full.hex"}).exitCode, 0);
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "--sim-fault", "unerasable:0x0004",
                       "write", "other.hex"})
                  .exitCode,
              4);
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "verify", "other.hex"});
    EXPECT_NE(r.err.find("program memory 0x0000: expected 0x2806, read 0x3FFF"), std::string::npos)
        << r.err;
}

// Erase says what it kept, and blank-check agrees with it when asked about
// what erase clears.
TEST(CliChipOperations, EraseSaysWhatItKeptAndBlankCheckAgrees) {
    struct Case {
        const char* chip;
        const char* name;
        std::string kept;
        std::string firstNotBlank;
    };
    const Case cases[] = {
        {"16f877a", "PIC16F877A",
         "program memory, configuration word and data EEPROM erased; ID locations kept\n",
         "ID 0x2000 holds 0x0001"},
        {"16f877", "PIC16F877",
         "program memory, configuration word and ID locations erased; data EEPROM kept (erased "
         "too when code or data protection was on)\n",
         "EEPROM byte 0x00 holds 0x12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        CliProcess cli;
        cli.WriteFile("full.hex", FullHex());
        const std::vector<std::string> sim = {"--sim", "--chip", c.chip, "--sim-state", "chip.hex"};
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin(), sim.begin(), sim.end());
            return cli.Run(args);
        };
        ASSERT_EQ(run({"write", "full.hex"}).exitCode, 0);
        const CliResult erased = run({"erase"});
        EXPECT_EQ(erased.out, std::string(c.name) + " erased (port 0x378)\n" + c.kept);
        const CliResult whole = run({"blank-check"});
        EXPECT_EQ(whole.exitCode, 4);
        EXPECT_NE(whole.err.find(c.firstNotBlank), std::string::npos) << whole.err;
        const CliResult scoped = run({"blank-check", "--only", "program,config"});
        EXPECT_EQ(scoped.exitCode, 0) << scoped.err;
        EXPECT_EQ(scoped.out.rfind(
                      "Blank: program memory and the configuration word of the PIC16F877", 0),
                  0U)
            << scoped.out;
    }
}

// A file saved with a byte-order mark is taken as it is; a verify against a
// chip that differs in more places than it lists says how many more.
TEST(CliChipOperations, ByteOrderMarkAndCountOfUnlistedDifferences) {
    CliProcess cli;
    cli.WriteFile("bom.hex", "\xEF\xBB\xBF" + FullHex());
    const std::vector<std::string> sim = {"--sim", "--sim-state", "chip.hex"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), sim.begin(), sim.end());
        return cli.Run(args);
    };
    EXPECT_EQ(run({"write", "bom.hex"}).exitCode, 0);
    EXPECT_EQ(run({"verify", "bom.hex"}).exitCode, 0);
    std::vector<std::uint16_t> words(20, 0x0000);
    cli.WriteFile("other.hex", ProgramHex(words, kConfigWord));
    const CliResult r = run({"verify", "other.hex"});
    EXPECT_EQ(r.exitCode, 4);
    // Words 0 and 1 hold 0x2805 and 0x0000: 19 of the 20 differ.
    EXPECT_NE(r.err.find("  ... and 11 more\n"), std::string::npos) << r.err;
}

// The state file knows its chip: loaded into a smaller one it would lose
// the upper half, so it is refused and left as it was.
TEST(CliChipOperations, StateOfAnotherChipIsRefused) {
    CliProcess cli;
    cli.WriteFile("full.hex", FullHex());
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "write", "full.hex"}).exitCode, 0);
    const std::string saved = cli.ReadFile("chip.hex");
    const CliResult r =
        cli.Run({"--sim", "--sim-chip", "16f873a", "--sim-state", "chip.hex", "identify"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("chip.hex holds the memory of a PIC16F877A, not of the simulated "
                         "PIC16F873A; use --sim-chip 16f877a or another file"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(cli.ReadFile("chip.hex"), saved);
}

TEST(CliChipOperations, WriteReadVerifyRoundTripOnEveryDevice) {
    for (const Device& device : Devices()) {
        const std::string chip(device.option);
        SCOPED_TRACE(chip);
        CliProcess cli;
        // No code or data protection on the device's row.
        cli.WriteFile("full.hex",
                      FullHex(static_cast<std::uint16_t>(kConfigWord | device.ConfigMask("CP") |
                                                         device.ConfigMask("CPD"))));
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
        // The file read and the chip count the same program words (a 629/675's
        // OSCCAL word, which the file holds, is none of them).
        const auto words = [](const std::string& out) {
            const std::size_t at = out.find(" program word");
            return out.substr(out.rfind(' ', at - 1) + 1, at - out.rfind(' ', at - 1) - 1);
        };
        const CliResult found = run({"verify", "dump.hex"});  // --chip auto
        EXPECT_EQ(words(found.out), words(read.out)) << found.out << read.out;
    }
}

// A board without VPP enters by low voltage alone: a chip without LVP stays
// silent there, and the diagnosis says why rather than only "no chip".
TEST(CliChipOperations, ALowVoltageBoardSaysWhichChipsItCannotEnter) {
    struct Case {
        std::vector<std::string> chip;
        std::string hint;
    };
    for (const Case& c :
         {Case{{}, "which the PIC16F84A, PIC12F629, PIC12F675 do not have"},
          Case{{"--chip", "16f84a"}, "the PIC16F84A has no low-voltage programming"}}) {
        CliProcess cli;
        std::vector<std::string> args = {"--sim",      "--port",     "ftdi",  "--board",
                                         "ft232r-lvp", "--sim-chip", "16f84a"};
        args.insert(args.end(), c.chip.begin(), c.chip.end());
        args.push_back("identify");
        const CliResult r = cli.Run(args);
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the board chosen is ft232r-lvp"), std::string::npos) << r.err;
    }
}

// The same commands over a simulated FTDI board, high voltage: on either
// FTDI chip, either wiring (named by --board, or by its older name
// --ftdi-wiring), with no violation; the classic commands, whose port
// accesses are a parallel port's, refused as a usage error.
TEST(CliChipOperations, RunOverASimulatedFtdiBoard) {
    struct Case {
        const char* chip;
        std::vector<std::string> board;
    };
    for (const Case& c :
         {Case{"16f877a", {"--sim-ftdi", "FT232R", "--board", "ft232r-hv"}},
          Case{"16f877", {"--sim-ftdi", "FT232H", "--ftdi-wiring", "ft232r-hv-split"}},
          Case{"16f877a", {"--board", "ft2232h-hv"}}}) {
        SCOPED_TRACE(c.board.back());
        CliProcess cli;
        cli.WriteFile("full.hex", FullHex());
        std::vector<std::string> sim = {"--sim", "--port",      "ftdi",    "--sim-chip",
                                        c.chip,  "--sim-state", "chip.hex"};
        sim.insert(sim.end(), c.board.begin(), c.board.end());
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
        for (const std::vector<std::string>& refused : {std::vector<std::string>{"erase"},
                                                        {"program", "full.hex"},
                                                        {"reset"},
                                                        {"--sim-board", "slow", "identify"}}) {
            CliResult r = run(refused);
            EXPECT_EQ(r.exitCode, 2) << r.err;
            EXPECT_NE(r.err.find("parallel-port board"), std::string::npos) << r.err;
        }
    }
}

// Low voltage over ft232r-lvp: a file that keeps LVP writes, verifies and
// reads; one that clears it is refused (exit 1, before anything is erased)
// unless --allow-lvp-off, after which no low-voltage entry answers. --lvp
// needs a board that can enter that way.
TEST(CliChipOperations, LowVoltageOverASimulatedFtdiBoardAndItsGuard) {
    CliProcess cli;
    cli.WriteFile("lvp-on.hex", FullHex(0x3FBA));
    cli.WriteFile("lvp-off.hex", FullHex());
    const std::vector<std::string> sim = {"--sim",      "--port",      "ftdi",     "--ftdi-wiring",
                                          "ft232r-lvp", "--sim-state", "chip.hex", "--fast"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), sim.begin(), sim.end());
        return cli.Run(args);
    };
    for (const char* command : {"write", "verify"}) {
        CliResult r = run({command, "lvp-on.hex"});
        EXPECT_EQ(r.exitCode, 0) << command << r.err;
        EXPECT_EQ(r.err, "");
    }
    CliResult refused = run({"write", "lvp-off.hex"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("0x3F3A clears LVP (low-voltage programming): this board has no "
                               "VPP, so once it is written neither it nor any other board "
                               "without VPP could ever enter the chip again; nothing was "
                               "written (--allow-lvp-off writes it)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(run({"verify", "lvp-on.hex"}).exitCode, 0);  // untouched
    EXPECT_EQ(run({"--allow-lvp-off", "write", "lvp-off.hex"}).exitCode, 0);
    CliResult locked = run({"identify"});
    EXPECT_EQ(locked.exitCode, 4);
    EXPECT_NE(locked.err.find("LVP bit is 0"), std::string::npos) << locked.err;

    CliResult noPgm = cli.Run({"--sim", "--lvp", "identify"});
    EXPECT_EQ(noPgm.exitCode, 2);
    EXPECT_NE(noPgm.err.find("--lvp: low-voltage programming needs a PGM line"), std::string::npos)
        << noPgm.err;
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

// The factory calibration word of a PIC16F88x (0x2009) is kept: a file that
// would change it is refused before anything is erased, unless asked for.
// Program, the classic run, refuses the family; erase takes its own erase.
TEST(CliChipOperations, The88xCalibrationWordIsKeptUnlessAskedForAndProgramRefusesTheFamily) {
    CliProcess cli;
    const std::vector<std::string> sim = {"--sim", "--sim-chip", "16f887", "--sim-state",
                                          "chip.hex"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), sim.begin(), sim.end());
        return cli.Run(args);
    };
    cli.WriteFile("calibration.hex",
                  Line2(HexRecord(0x4012, 0x00, {0x00, 0x20})));  // 0x2000 at 0x2009
    CliResult refused = run({"write", "calibration.hex"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "tallis-cli: the file would change the factory-set calibration word 0x2009 (0x2000 "
              "in the file, 0x2E5A in the chip); nothing was written (--write-calibration writes "
              "it)\n");
    CliResult written = run({"--write-calibration", "write", "calibration.hex"});
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.err, "");
    EXPECT_EQ(run({"verify", "calibration.hex"}).exitCode, 0);
    CliResult read = run({"read", "dump.hex"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    // Configuration word 2 erased, then the calibration word (read writes LF line ends).
    const std::string calibrationRecord = ":04401000FF3F00204E\n";
    EXPECT_NE(cli.ReadFile("dump.hex").find(calibrationRecord), std::string::npos);

    CliResult program = cli.Run({"--sim", "--chip", "16f887", "program", "calibration.hex"});
    EXPECT_EQ(program.exitCode, 2);
    EXPECT_EQ(program.err,
              "tallis-cli: --chip 16f887: program is for the PIC16F87x and PIC16F87xA; write "
              "programs the PIC16F887\n");
    CliResult erased = run({"--chip", "16f887", "erase"});
    EXPECT_EQ(erased.exitCode, 0) << erased.err;
    EXPECT_EQ(erased.err, "");
    EXPECT_EQ(run({"blank-check"}).exitCode, 0);
    EXPECT_EQ(run({"--chip", "16f887", "reset"}).exitCode, 0);
    // The erase keeps the calibration word that was written.
    ASSERT_EQ(run({"read", "erased.hex"}).exitCode, 0);
    EXPECT_NE(cli.ReadFile("erased.hex").find(calibrationRecord), std::string::npos);
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

// Another board: a board file refused before the port is touched, a write
// through a built-in board, and a simulated board wired otherwise diagnosed
// by naming the board chosen.
TEST(CliBoards, TakesABoardRefusesABadFileAndNamesTheBoardWhenNothingAnswers) {
    CliProcess cli;
    cli.WriteFile("bad.toml", "clock = \"3\"\ndata_out = \"2\"\ndata_in = \"10\"\nvpp = \"12\"\n");
    CliResult r = cli.Run({"--sim", "--board", "bad.toml", "identify"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "tallis-cli: --board: bad.toml:4: pin 12 is an input of the PC; vpp needs an "
              "output pin\n");

    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    r = cli.Run({"--sim", "--board", "tait-classic", "write", "firmware.hex"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");

    r = cli.Run({"--sim", "--board", "tait-classic", "--sim-board", "tait-7406", "identify"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("tallis-cli: the board chosen is tait-classic, Tait classic (7407 and "
                         "PNP); if yours is wired otherwise, check the board choice (--board) and "
                         "compare its pins with tallis-cli boards tait-classic\n"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace tallis::testing
