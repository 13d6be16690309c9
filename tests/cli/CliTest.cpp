// tallis-cli as scripts see it: exit statuses, messages, traces and the
// simulated chip's saved memory, through the built executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include <unistd.h>

#include "CliProcess.h"
#include "ExpectedTrace.h"
#include "HexText.h"

namespace tallis::testing {
namespace {

const std::vector<std::uint16_t> kWords = {0x2805, 0x0000, 0x1683, 0x0186, 0x1283,
                                           0x0186, 0x1406, 0x1006, 0x2806, 0x3FFE};
constexpr std::uint16_t kConfigWord = 0x3F3A;
// The run counts every program word and the configuration word.
const std::string kCompleteMessage =
    "Down load data " + std::to_string(kWords.size() + 1) + " words complete\n";

const char* const kVerifyHints =
    "\n1. Disconnect any load form Port RB3 RB6 RB7 \n"
    "2. Check sytem voltage supply 4.8-5.5 V inspected\n"
    "3. Check selected type 16F877 or 16f877A\n"
    "4. 16F877 may be FAIL or Damage or Wrong config\n";

std::string WithBrokenSecondRecord() {
    std::string text = ProgramHex(kWords, kConfigWord);
    std::size_t second = text.find(':', 1);
    std::size_t lineEnd = text.find('\r', second);
    // Flip the checksum's last digit: 0 <-> 1, anything else -> 0.
    char& digit = text[lineEnd - 1];
    digit = digit == '0' ? '1' : '0';
    return text;
}

struct RunCase {
    const char* name;
    std::string hex;
    int exitCode;
    std::string out;
    std::string err;
};

class CliRunOutcome : public ::testing::TestWithParam<std::tuple<RunCase, const char*>> {};

TEST_P(CliRunOutcome, ExitStatusAndMessage) {
    const auto& [c, chip] = GetParam();
    CliProcess cli;
    cli.WriteFile("firmware.hex", c.hex);
    CliResult r = cli.Run({"--sim", "--chip", chip, "program", "firmware.hex"});
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(WithoutHazards(r.err), c.err);
}

std::vector<RunCase> RunCases() {
    std::vector<std::uint16_t> withHighBits = kWords;
    withHighBits[5] = 0x4186;  // bit 14, which the chip does not have, is left out
    const std::string refused = "; nothing was sent to the chip\n";
    return {
        {"Completed", ProgramHex(kWords, kConfigWord), 0, kCompleteMessage, ""},
        {"ExtendedAddressRecordCounts",
         HexRecord(0, 0x04, {0, 0}) + ProgramHex(kWords, kConfigWord), 0,
         "Down load data " + std::to_string(kWords.size() + 2) + " words complete\n", ""},
        {"HighBitsLeftOut", ProgramHex(withHighBits, kConfigWord), 0,
         "Warning: line 1 sets bits 14-15 of a word; the chip's words have 14 bits, so they are "
         "left out\n" +
             kCompleteMessage,
         "tallis-cli: warning: firmware.hex: line 1 sets bits 14-15 of a word; the chip's words "
         "have 14 bits, so they are left out (as write does)\n"},
        {"ChecksumError", WithBrokenSecondRecord(), 1, "Check sum error !\n",
         "tallis-cli: Check sum error !\ntallis-cli: firmware.hex: line 2" + refused},
        {"NotIntelHex", " " + ProgramHex(kWords, kConfigWord), 1,
         "ERROR  ! \nThis file not Intel hex file\n",
         "tallis-cli: ERROR  ! This file not Intel hex file\n"
         "tallis-cli: firmware.hex: line 1" +
             refused},
        {"NoEndRecord", ProgramHex(kWords, kConfigWord, false), 1,
         "the file has no end record; the target was not reset\n",
         "tallis-cli: the file has no end record; the target was not reset\n"
         "tallis-cli: firmware.hex: nothing was sent to the chip\n"},
        {"UnknownRecordType", HexRecord(0, 0x0E, {0, 0}) + ProgramHex(kWords, kConfigWord), 1,
         "ERROR  ! \nThis file has a record of unknown type 0E\n",
         "tallis-cli: ERROR  ! This file has a record of unknown type 0E\n"
         "tallis-cli: firmware.hex: line 1" +
             refused},
        {"WordGivenTwice", HexRecord(0x0002, 0x00, {0x06, 0x28}) + ProgramHex(kWords, kConfigWord),
         1, "ERROR  ! \nThis file gives address 0001H twice, with different values\n",
         "tallis-cli: ERROR  ! This file gives address 0001H twice, with different values\n"
         "tallis-cli: firmware.hex: line 2" +
             refused},
    };
}

INSTANTIATE_TEST_SUITE_P(BothChips, CliRunOutcome,
                         ::testing::Combine(::testing::ValuesIn(RunCases()),
                                            ::testing::Values("16f877", "16f877a")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param);
                         });

TEST(CliProgram, SimulatedChipOfTheOtherTypeFailsVerify) {
    CliProcess cli;
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    CliResult r = cli.Run({"--sim", "--chip", "16f877a", "--sim-chip", "16f877", "--no-id-check",
                           "program", "firmware.hex"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind("Verify error ! at Address ", 0), 0u) << r.out;
}

// A configuration word that did not program fails the run on either chip,
// naming the word, what the file holds and what the chip read back; the
// advice for the board stays on standard output.
TEST(CliProgram, UnprogrammedConfigurationWordFailsTheRun) {
    const std::string failure =
        "Verify error ! at Address 2007H: configuration word expected 3F72H, read 3FFFH\n";
    for (const char* chip : {"16f877", "16f877a"}) {
        SCOPED_TRACE(chip);
        CliProcess cli;
        CliResult r =
            cli.Run({"--sim", "--chip", chip, "--sim-chip", chip, "--sim-fault",
                     "unprogrammable:0x2007", "program", TALLIS_EXAMPLES_DIR "/blink877a.hex"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, failure + kVerifyHints);
        EXPECT_EQ(WithoutHazards(r.err), "tallis-cli: " + failure);
    }
}

// Data beyond the chosen chip's program memory would wrap round onto its
// first words: refused with its line before the port is touched.
// The run verifies only the words it writes: a word its erase kept, beyond
// the new file, fails the command all the same.
TEST(CliProgram, AWordTheEraseKeptBesideTheFileFailsTheRun) {
    CliProcess cli;
    cli.WriteFile("w400.hex", ProgramHex(std::vector<std::uint16_t>(400, 0x1234), kConfigWord));
    cli.WriteFile("w100.hex", ProgramHex(std::vector<std::uint16_t>(100, 0x2805), kConfigWord));
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "program", "w400.hex"}).exitCode, 0);
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "--sim-fault", "unerasable:0x0150",
                           "program", "w100.hex"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(WithoutHazards(r.err).find("tallis-cli: the erase did not clear the PIC16F877A: "
                                         "program memory 0x0150 holds 0x1234, which the file "
                                         "does not write\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "program", "w100.hex"}).exitCode, 0);
}

// The bar counts what the run writes: the program words and the configuration
// word; the classic message keeps its count, where the extended-address
// record adds one more.
TEST(CliProgram, ProgressBarEndsAtTheWordsWritten) {
    CliProcess cli;
    cli.WriteFile("firmware.hex", HexRecord(0, 0x04, {0, 0}) + ProgramHex(kWords, kConfigWord));
    CliResult r = cli.RunOnTerminal({"--sim", "program", "firmware.hex"}, false);
    EXPECT_EQ(r.exitCode, 0);
    const std::string written = std::to_string(kWords.size() + 1) + " words written";
    const std::string complete =
        "Down load data " + std::to_string(kWords.size() + 2) + " words complete";
    const std::size_t bar = r.out.rfind("100%  " + written);
    ASSERT_NE(bar, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(complete, bar), std::string::npos) << r.out;
}

// The run passes over the one character after a record's checksum unread,
// whatever it is; a second one is no line end to it. Spaces and tabs alike.
TEST(CliProgram, BlanksAfterARecordAreOneCharacterAllowedSpacesAndTabsAlike) {
    struct Case {
        const char* blanks;
        int exitCode;
    };
    for (const Case c :
         {Case{" ", 0}, Case{"\t", 0}, Case{"  ", 1}, Case{"\t\t", 1}, Case{" \t", 1}}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.blanks)));
        std::string hex = ProgramHex(kWords, kConfigWord);
        hex.insert(hex.find("\r\n"), c.blanks);  // after the first record
        CliProcess cli;
        cli.WriteFile("blanks.hex", hex);
        CliResult r = cli.Run({"--sim", "-q", "program", "blanks.hex"});
        EXPECT_EQ(r.exitCode, c.exitCode);
        const bool refusedInPlainWords =
            r.err.find(
                "tallis-cli: blanks.hex: line 1 ends in more than one space or tab after "
                "the checksum, and program passes over only one character there; "
                "nothing was sent to the chip (remove them, or use write, which skips "
                "them)\n") != std::string::npos;
        EXPECT_EQ(refusedInPlainWords, c.exitCode != 0) << r.err;
    }
}

TEST(CliProgram, DataBeyondTheChipsProgramMemoryIsRefusedFirst) {
    CliProcess cli;
    cli.WriteFile("over.hex", ProgramHex(kWords, kConfigWord, false) +
                                  HexRecord(0x2000, 0x00, {0x05, 0x28}) + HexEndRecord());
    CliResult r =
        cli.Run({"--sim", "--chip", "16f873a", "--trace", "trace.txt", "program", "over.hex"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "ERROR  ! \nThis file has data past the end of this chip's program memory "
              "(0FFFH)\n");
    EXPECT_NE(r.err.find("tallis-cli: over.hex: line 4; nothing was sent to the chip\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(cli.ReadFile("trace.txt"), "");
}

TEST(CliProgram, BundledExampleProgramsTheSimulatedChip) {
    CliProcess cli;
    CliResult r = cli.Run({"--sim", "program", TALLIS_EXAMPLES_DIR "/blink877a.hex"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex("Down load data [0-9]+ words complete\n")))
        << r.out;
}

// program and erase read the device ID first and stop, before anything is
// erased, at a chip other than --chip; the simulated chip keeps what it held.
// After erase, a chip that is not blank is refused too.
struct ChipCheckCase {
    const char* name;
    std::vector<std::string> args;  // before the command
    const char* command;
    int exitCode;
    const char* diagnosis;  // the start of standard error
    bool erased;            // the classic sequence ran before the refusal
    // What to do about a refusal before the erase.
    const char* advice = "tallis-cli: nothing was erased; --no-id-check skips this check\n";
};

class CliChipCheck : public ::testing::TestWithParam<ChipCheckCase> {};

TEST_P(CliChipCheck, RefusesAChipThatIsNotWhatWasAsked) {
    const ChipCheckCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("chip.hex", HexRecord(0x0100 * 2, 0x00, {0x34, 0x12}) + HexEndRecord());
    // The simulated chip's own layout of what it holds, to compare with afterwards.
    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "reset"}).exitCode, 0);
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    std::vector<std::string> args = {"--sim", "--sim-state", "chip.hex"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(c.command);
    if (std::string(c.command) == "program") {
        args.push_back("firmware.hex");
    }
    const std::string before = cli.ReadFile("chip.hex");
    CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.err.rfind(c.diagnosis, 0), 0U) << r.err;
    if (c.exitCode == 4) {
        EXPECT_EQ(r.out, "");
    }
    if (c.exitCode == 4 && !c.erased) {
        EXPECT_NE(r.err.find(c.advice), std::string::npos) << r.err;
        EXPECT_TRUE(cli.ReadFile("chip.hex") == before) << "the chip was touched";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliChipCheck,
    ::testing::Values(
        ChipCheckCase{"NoChipProgram",
                      {"--sim-fault", "no-chip"},
                      "program",
                      4,
                      "tallis-cli: no chip answered (device ID 0x3FFF)",
                      false},
        ChipCheckCase{"StuckDataLineErase",
                      {"--sim-fault", "data-stuck-low"},
                      "erase",
                      4,
                      "tallis-cli: the data line RB7 is held low (device ID 0x0000)",
                      false},
        ChipCheckCase{"OtherChipProgram",
                      {"--chip", "16f877", "--sim-chip", "16f877a"},
                      "program",
                      4,
                      "tallis-cli: found PIC16F877A revision",
                      false,
                      "tallis-cli: found PIC16F877A; use --chip 16f877a; nothing was erased\n"},
        ChipCheckCase{"OtherChipErase",
                      {"--chip", "16f876a", "--sim-chip", "16f877a"},
                      "erase",
                      4,
                      "tallis-cli: found PIC16F877A revision",
                      false,
                      "tallis-cli: found PIC16F877A; use --chip 16f877a; nothing was erased\n"},
        // The classic sequence alone, as before: nothing reads the chip back.
        ChipCheckCase{"SkippedNoChipErase",
                      {"--sim-fault", "no-chip", "--no-id-check"},
                      "erase",
                      0,
                      "",
                      true},
        ChipCheckCase{
            "UnerasableWordErase",
            {"--sim-fault", "unerasable:0x0100"},
            "erase",
            4,
            "tallis-cli: the PIC16F877A is not blank: program memory 0x0100 holds 0x1234\n",
            true}),
    [](const auto& info) { return std::string(info.param.name); });

// program finds a chip that has no classic commands: write is the command
// for it, not --chip, which program would refuse for that chip.
TEST(CliChipCheck, ProgramOnAChipWithoutTheClassicCommandsPointsToWrite) {
    CliProcess cli;
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    const CliResult r = cli.Run({"--sim", "--sim-chip", "12f675", "program", "firmware.hex"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("tallis-cli: found PIC12F675; program is for the PIC16F87x and "
                         "PIC16F87xA: write programs it (--chip 12f675 write); nothing was "
                         "erased\n"),
              std::string::npos)
        << r.err;
}

// Files that cannot be used stop the program before any port is touched:
// the trace file is not even created.
struct FileCase {
    const char* name;
    const char* file;  // relative to the temporary folder
    std::size_t size;  // bytes to write there, or 0 for none
};

class CliUnusableFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(CliUnusableFile, ExitsWithTwoAndSendsNothing) {
    const FileCase& c = GetParam();
    CliProcess cli;
    if (c.size > 0) {
        cli.WriteFile(c.file, std::string(c.size, '0'));
    }
    std::filesystem::create_directory(cli.Path("folder.hex"));
    CliResult r = cli.Run({"--sim", "--trace", "trace.txt", "program", c.file});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    if (c.size > 0) {
        EXPECT_NE(r.err.find("tallis-cli write reads larger files"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
}

INSTANTIATE_TEST_SUITE_P(Files, CliUnusableFile,
                         ::testing::Values(FileCase{"Missing", "missing.hex", 0},
                                           FileCase{"Folder", "folder.hex", 0},
                                           FileCase{"TooLarge", "large.hex", 50002}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliProgram, FileThatJustFitsIsLoaded) {
    CliProcess cli;
    std::string hex = ProgramHex(kWords, kConfigWord);
    hex += std::string(50001 - hex.size(), '\n');
    cli.WriteFile("full.hex", hex);
    CliResult r = cli.Run({"--sim", "program", "full.hex"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kCompleteMessage);
}

class CliBadOptions : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliBadOptions, ExitWithTwo) {
    CliProcess cli;
    cli.WriteFile("f.hex", ProgramHex(kWords, kConfigWord));
    CliResult r = cli.Run(GetParam());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    // One line of the program's own, not the option parser's words.
    EXPECT_EQ(r.err.rfind("tallis-cli: ", 0), 0U) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    for (const char* parserText : {"required", "not expected", "At Most", " not in {"}) {
        EXPECT_EQ(r.err.find(parserText), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliBadOptions,
    ::testing::Values(
        std::vector<std::string>{}, std::vector<std::string>{"--sim"},
        std::vector<std::string>{"--sim", "program"},
        std::vector<std::string>{"--sim", "flash", "f.hex"},
        std::vector<std::string>{"--sim", "erase", "reset"},
        std::vector<std::string>{"--sim", "--bogus", "erase"},
        std::vector<std::string>{"--sim", "--chip", "16f83", "erase"},
        std::vector<std::string>{"--sim", "--chip", "auto", "erase"},
        std::vector<std::string>{"--sim", "--sim-fault", "unprogrammable:0x2008", "erase"},
        std::vector<std::string>{"--sim", "--sim-chip", "16f84", "erase"},
        std::vector<std::string>{"--sim", "--port", "lpt3", "erase"},
        std::vector<std::string>{"--sim", "--port", "0x", "erase"},
        std::vector<std::string>{"--sim", "--port", "0xFFFE", "erase"},
        std::vector<std::string>{"--sim", "--port", "0x0", "erase"},
        std::vector<std::string>{"--sim", "--port", "378", "erase"},
        std::vector<std::string>{"--sim-chip", "16f877", "erase"},
        std::vector<std::string>{"--sim-state", "s.hex", "erase"},
        std::vector<std::string>{"--real-time", "erase"},
        std::vector<std::string>{"--sim", "--sim-board", "fast", "erase"},
        std::vector<std::string>{"--sim-board", "slow", "erase"},
        std::vector<std::string>{"--sim", "--trace", "erase"},
        std::vector<std::string>{"--sim", "blank-check", "--only", "program,code"},
        std::vector<std::string>{"--sim", "erase", "--only", "program"},
        std::vector<std::string>{"--sim", "--chip", "16f877", "--chip", "16f877a", "erase"},
        std::vector<std::string>{"--sim", "write", "f.hex", "f.hex"},
        // Options the command would pass over.
        std::vector<std::string>{"--sim", "--list-devices", "erase"},
        std::vector<std::string>{"--sim", "--no-id-check", "identify"}));

TEST(CliUsage, HelpAndVersionExitWithZero) {
    CliProcess cli;
    CliResult help = cli.Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.find(" :"), std::string::npos) << "a value's name with the parser's mark";
    for (const char* word :
         {"program", "erase", "reset", "identify", "read", "verify", "blank-check", "write",
          "--chip", "--list-devices", "--port", "--sim", "--sim-chip", "--sim-fault", "--sim-state",
          "--real-time", "--trace", "--quiet", "4 the chip is not what was asked"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    CliResult version = cli.Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("tallis-cli ", 0), 0u) << version.out;
}

// Without port access the program says what is missing and sends nothing.
// An address that no parallel-port device manages leaves only direct port
// access, which is refused to an unprivileged user; as root the program is
// run as "nobody", so that no real port can be reached.
TEST(CliPortAccess, UnavailablePortExitsWithThreeAndSendsNothing) {
    CliProcess cli;
    std::vector<std::string> launcher;
    if (geteuid() == 0) {
        if (std::system("setpriv --version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "running as root without setpriv to drop privileges";
        }
        launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::filesystem::permissions(cli.Dir(), std::filesystem::perms::all);
        // The build may sit in a folder that "nobody" cannot enter.
        CliResult probe = cli.Run({"--version"}, launcher);
        if (probe.exitCode != 0) {
            GTEST_SKIP() << "\"nobody\" cannot run the program here: " << probe.err;
        }
    }
    CliResult r = cli.Run({"--port", "0xfff0", "--trace", "trace.txt", "erase"}, launcher);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tallis-cli: no access to the parallel port: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("0xFFF0"), std::string::npos) << r.err;
    EXPECT_EQ(cli.ReadFile("trace.txt"), "");
}

// ---- traces --------------------------------------------------------------

std::string EraseTrace(const char* chip, std::uint16_t base) {
    ExpectedTrace t(base);
    t.Control(0x01);
    if (std::string(chip) == "16f877a") {
        t.EnterProgramMode();
        t.LineWait();
        t.Command(31);
        t.Delay(9000);
        t.Command(23);
    } else {
        t.Delay(90);
        t.EnterProgramMode();
        t.Command(0, 0x3FFF, true);
        for (int i = 0; i < 7; ++i) {
            t.Command(6);
        }
        t.Command(1);
        t.Command(7);
        t.Command(8);
        t.Delay(10000);
        t.Command(1);
        t.Command(7);
        t.Delay(10000);
        t.LeaveProgramMode();
        t.Delay(10000);
        t.EnterProgramMode();
        t.Delay(900);
    }
    t.Control(0x00);
    return t.Text();
}

class CliEraseTrace : public ::testing::TestWithParam<const char*> {};

TEST_P(CliEraseTrace, IsTheChipsEraseSequence) {
    CliProcess cli;
    CliResult r =
        cli.Run({"--sim", "--chip", GetParam(), "--no-id-check", "--trace", "trace.txt", "erase"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::string(GetParam()) == "16f877" ? "PIC16F877 erased (port 0x378)\n"
                                                         : "PIC16F877A erased (port 0x378)\n");
    EXPECT_EQ(cli.ReadFile("trace.txt"), EraseTrace(GetParam(), 0x378));
}

INSTANTIATE_TEST_SUITE_P(BothChips, CliEraseTrace, ::testing::Values("16f877", "16f877a"));

// Behind the real timer (three seconds of calibration first) the simulated
// chip checks the waits that really passed.
TEST(CliEraseTrace, RealTimeEraseKeepsTheChipsTiming) {
    CliProcess cli;
    CliResult r =
        cli.Run({"--sim", "--real-time", "--no-id-check", "--trace", "trace.txt", "erase"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, kClassic87xAHazards);  // and no protocol violation
    // Calibration is announced on a terminal only.
    EXPECT_EQ(r.out, "PIC16F877A erased (port 0x378)\n");
    EXPECT_EQ(cli.ReadFile("trace.txt"), EraseTrace("16f877a", 0x378));
}

// RB7 rising in 5 us and VPP in 50 us: the classic waits leave room for both.
TEST(CliSlowBoard, ProgramAndEraseRunCleanAndUnchanged) {
    CliProcess cli;
    cli.WriteFile("f.hex", ProgramHex(kWords, kConfigWord));
    CliResult program = cli.Run({"--sim", "--sim-board", "slow", "program", "f.hex"});
    EXPECT_EQ(program.exitCode, 0);
    EXPECT_EQ(program.err, kClassic87xAHazards);  // and no protocol violation
    EXPECT_EQ(program.out, kCompleteMessage);
    CliResult erase =
        cli.Run({"--sim", "--sim-board", "slow", "--no-id-check", "--trace", "trace.txt", "erase"});
    EXPECT_EQ(erase.exitCode, 0);
    EXPECT_EQ(erase.err, kClassic87xAHazards);
    EXPECT_EQ(cli.ReadFile("trace.txt"), EraseTrace("16f877a", 0x378));
}

TEST(CliTrace, ResetPulsesTheRunLine) {
    CliProcess cli;
    CliResult r = cli.Run({"--sim", "--trace", "trace.txt", "reset"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Target reset (port 0x378)\n");
    EXPECT_EQ(cli.Run({"--sim", "-q", "reset"}).out, "");
    ExpectedTrace t(0x378);
    t.Data(0x00);
    t.LineWait();
    t.Control(0x00);
    t.LineWait();
    t.Data(0x02);
    EXPECT_EQ(cli.ReadFile("trace.txt"), t.Text());
}

struct PortCase {
    const char* option;
    unsigned base;
};

class CliPortTrace : public ::testing::TestWithParam<PortCase> {};

TEST_P(CliPortTrace, ProgramTouchesOnlyTheChosenPort) {
    const PortCase& c = GetParam();
    CliProcess cli;
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    CliResult r =
        cli.Run({"--sim", "--port", c.option, "--trace", "trace.txt", "program", "firmware.hex"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kCompleteMessage);

    std::istringstream lines(cli.ReadFile("trace.txt"));
    std::set<std::string> written;
    std::set<std::string> read;
    std::string kind;
    std::string port;
    std::string rest;
    while (lines >> kind >> port) {
        std::getline(lines, rest);
        if (kind == "W") {
            written.insert(port);
        } else if (kind == "R") {
            read.insert(port);
        }
    }
    char data[5];
    char status[5];
    char control[5];
    std::snprintf(data, sizeof data, "%04X", c.base);
    std::snprintf(status, sizeof status, "%04X", c.base + 1);
    std::snprintf(control, sizeof control, "%04X", c.base + 2);
    EXPECT_EQ(written, (std::set<std::string>{data, control}));
    EXPECT_EQ(read, (std::set<std::string>{status}));
}

INSTANTIATE_TEST_SUITE_P(Ports, CliPortTrace,
                         ::testing::Values(PortCase{"lpt1", 0x378}, PortCase{"lpt2", 0x278},
                                           PortCase{"0xd010", 0xD010}),
                         [](const auto& info) { return std::string(info.param.option); });

// ---- the simulated chip's memory -------------------------------------------

std::vector<std::uint8_t> HexToBinary(const CliProcess& cli, const std::string& hexName) {
    std::string command = "objcopy -I ihex -O binary '" + cli.Path(hexName).string() + "' '" +
                          cli.Path("image.bin").string() + "'";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::ifstream in(cli.Path("image.bin"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint16_t WordAt(const std::vector<std::uint8_t>& image, std::size_t wordAddress) {
    std::size_t byte = wordAddress * 2;
    if (byte + 1 >= image.size()) {
        return 0xFFFF;  // beyond the image: cannot be a 14-bit word
    }
    return static_cast<std::uint16_t>(image[byte] | (image[byte + 1] << 8));
}

bool HaveObjcopy() {
    return std::system("objcopy --version >/dev/null 2>&1") == 0;
}

TEST(CliSimState, SavedMemoryHoldsTheProgramAndConfigurationWord) {
    if (!HaveObjcopy()) {
        GTEST_SKIP() << "objcopy is not installed";
    }
    CliProcess cli;
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "program", "firmware.hex"});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<std::uint8_t> image = HexToBinary(cli, "chip.hex");
    ASSERT_FALSE(image.empty());
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        EXPECT_EQ(WordAt(image, i), kWords[i]) << "word " << i;
    }
    EXPECT_EQ(WordAt(image, kWords.size()), 0x3FFF);  // erased after the program
    EXPECT_EQ(WordAt(image, 0x2007), kConfigWord);
}

TEST(CliSimState, LoadedMemorySurvivesAResetAndEraseClearsIt) {
    if (!HaveObjcopy()) {
        GTEST_SKIP() << "objcopy is not installed";
    }
    CliProcess cli;
    cli.WriteFile("chip.hex", HexRecord(0x0100 * 2, 0x00, {0x34, 0x12}) + HexEndRecord());

    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "reset"}).exitCode, 0);
    EXPECT_EQ(WordAt(HexToBinary(cli, "chip.hex"), 0x100), 0x1234);

    ASSERT_EQ(cli.Run({"--sim", "--sim-state", "chip.hex", "erase"}).exitCode, 0);
    EXPECT_EQ(WordAt(HexToBinary(cli, "chip.hex"), 0x100), 0x3FFF);
}

TEST(CliSimState, UnreadableStateStopsBeforeThePort) {
    CliProcess cli;
    cli.WriteFile("chip.hex", "this is not Intel HEX\n");
    CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "--trace", "trace.txt", "reset"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("chip.hex"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
    EXPECT_EQ(cli.ReadFile("chip.hex"), "this is not Intel HEX\n");
}

// ---- progress --------------------------------------------------------------

TEST(CliProgress, BarOnlyOnATerminalAndNotWhenQuiet) {
    CliProcess cli;
    cli.WriteFile("firmware.hex", ProgramHex(kWords, kConfigWord));
    const std::vector<std::string> args = {"--sim", "program", "firmware.hex"};

    CliResult piped = cli.Run(args);
    EXPECT_EQ(piped.out, kCompleteMessage);

    CliResult terminal = cli.RunOnTerminal(args);
    EXPECT_EQ(terminal.exitCode, 0);
    EXPECT_NE(terminal.out.find("100%"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find(std::to_string(kWords.size()) + " words"), std::string::npos)
        << terminal.out;
    EXPECT_NE(terminal.out.find("Current LPT Port :1  (378H)"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find(kCompleteMessage.substr(0, kCompleteMessage.size() - 1)),
              std::string::npos);

    std::vector<std::string> quietArgs = args;
    quietArgs.insert(quietArgs.begin(), "--quiet");
    CliResult quiet = cli.RunOnTerminal(quietArgs);
    EXPECT_EQ(quiet.exitCode, 0);
    // The terminal turns each line end into "\r\n"; nothing else is shown.
    EXPECT_EQ(quiet.out, std::regex_replace(kCompleteMessage, std::regex("\n"), "\r\n"));
}

// A record far above the last one: the terminal shows the steps of the
// address counter, which take seconds on a board, as they go.
TEST(CliProgress, EraseShowsItsBlankCheck) {
    CliProcess cli;
    CliResult terminal = cli.RunOnTerminal({"--sim", "erase"});
    EXPECT_EQ(terminal.exitCode, 0);
    EXPECT_NE(terminal.out.find("steps"), std::string::npos) << terminal.out;
}

TEST(CliProgress, LongAddressSkipIsShown) {
    CliProcess cli;
    cli.WriteFile("sparse.hex", HexRecord(0, 0x00, {0x05, 0x28}) +
                                    HexRecord(0x1800 * 2, 0x00, {0x05, 0x28}) + HexEndRecord());
    CliResult terminal = cli.RunOnTerminal({"--sim", "program", "sparse.hex"});
    EXPECT_EQ(terminal.exitCode, 0);
    EXPECT_NE(terminal.out.find("address steps"), std::string::npos) << terminal.out;
}

}  // namespace
}  // namespace tallis::testing
