// tallis-cli's checksum and production run on the simulated chip.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "CliProcess.h"
#include "HexText.h"

namespace tallis::testing {
namespace {

std::string LineStarting(const std::string& text, const std::string& start) {
    const std::size_t at = text.find(start);
    return at == std::string::npos ? std::string{} : text.substr(at, text.find('\n', at) - at);
}

// The number write shows for the file is what the chip then sums to, by
// identify --checksum and by read.
TEST(CliChecksumTest, WriteIdentifyAndReadAgree) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex({0x2805, 0x0000, 0x1683}, 0x3F72));
    const CliResult write = cli.Run({"--sim", "--sim-state", "chip.hex", "write", "fw.hex"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    // 0x0FCF for the blank chip, less (0x3FFF - w) per word, less 0x8D for the configuration word.
    EXPECT_EQ(LineStarting(write.out, "Checksum"), "Checksum: 8DCD (fw.hex)") << write.out;
    const CliResult identify =
        cli.Run({"--sim", "--sim-state", "chip.hex", "--fast", "identify", "--checksum"});
    EXPECT_EQ(LineStarting(identify.out, "Checksum"), "Checksum: 8DCD") << identify.out;
    const CliResult read = cli.Run({"--sim", "--sim-state", "chip.hex", "--fast", "read", "r.hex"});
    EXPECT_EQ(LineStarting(read.out, "Checksum"), "Checksum: 8DCD") << read.out;
    EXPECT_EQ(LineStarting(cli.Run({"--sim", "identify"}).out, "Checksum"), "");
}

TEST(CliChecksumTest, ProtectedChipIsSummedFromTheFileAndSaysSo) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex({0x2805}, 0x1F72));  // CP on
    const CliResult write = cli.Run({"--sim", "--sim-state", "chip.hex", "write", "fw.hex"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    EXPECT_NE(write.out.find("(computed from fw.hex: the chip is code-protected)"),
              std::string::npos)
        << write.out;
    const CliResult read = cli.Run({"--sim", "--sim-state", "chip.hex", "read", "r.hex"});
    EXPECT_EQ(LineStarting(read.out, "Checksum"),
              "Checksum: not known: code protection kept program memory from being read");
}

// Chip after chip on the simulated socket, the second chip failing: one line
// per chip, the run going on past it, the summary and status 1.
TEST(CliRepeatTest, EveryChipGetsItsLineAndAFailedOneDoesNotStopTheRun) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex({0x2805, 0x0000, 0x1683}, 0x3F72));
    const std::vector<std::string> base = {"--sim",
                                           "--sim-insertions",
                                           "3",
                                           "--sim-fault",
                                           "unprogrammable:0x0002",
                                           "--sim-fault-chip",
                                           "2",
                                           "write",
                                           "fw.hex",
                                           "--repeat"};
    std::vector<std::string> args = base;
    args.insert(args.end(), {"--count", "3", "--log", "chips.jsonl"});
    const CliResult r = cli.Run(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(WithoutHazards(r.err), "") << r.err;
    const std::string passed =
        ": passed: PIC16F877A revision 1 (device ID 0x0E21), checksum 8DCD, ";
    EXPECT_NE(r.out.find("Chip 1" + passed), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Chip 2: FAILED: the PIC16F877A does not hold what was written: program "
                         "memory 0x0002: expected 0x1683, read 0x3FFF, "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Chip 3" + passed), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 passed, 1 failed\n"), std::string::npos) << r.out;
    const std::string log = cli.ReadFile("chips.jsonl");
    std::vector<std::string> results;
    for (std::size_t at = 0; (at = log.find("\"result\":\"", at)) != std::string::npos;) {
        at += 10;
        results.push_back(log.substr(at, log.find('"', at) - at));
    }
    EXPECT_EQ(results, (std::vector<std::string>{"passed", "failed", "passed"})) << log;
    EXPECT_NE(log.find("\"first_difference\":\"program memory 0x0002: expected 0x1683, read "
                       "0x3FFF\""),
              std::string::npos)
        << log;

    args = base;
    args.push_back("--stop-on-failure");
    const CliResult stopped = cli.Run(args);
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_EQ(stopped.out.find("Chip 3"), std::string::npos) << stopped.out;
    EXPECT_NE(stopped.out.find("1 passed, 1 failed\n"), std::string::npos) << stopped.out;
}

// Each verified chip takes the next number; the counter file left by a run
// that died between a write and its verify makes that number skipped.
TEST(CliSerialTest, NumbersGoIntoTheChipsAndAreNeverReused) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex({0x2805}, 0x3F72));
    cli.WriteFile("fw.serial", "next 41\nattempted 41\n");  // a run that died
    const CliResult r = cli.Run({"--sim", "--sim-state", "chip.hex", "write", "fw.hex", "--serial",
                                 "7:2", "--serial-at", "eeprom:10:2:be", "--serial-format", "bcd"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("serial number 41 was in a chip that had not verified"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("serial 43,"), std::string::npos) << r.out;
    EXPECT_EQ(cli.ReadFile("fw.serial"), "next 45\n");
    const CliResult read = cli.Run({"--sim", "--sim-state", "chip.hex", "--fast", "read", "r.hex"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    // EEPROM 0x10-0x11 (HEX 0x4220) hold 0x00 0x43.
    EXPECT_NE(cli.ReadFile("r.hex").find(":10422000000043"), std::string::npos)
        << cli.ReadFile("r.hex");

    const CliResult filled = cli.Run({"--sim", "write", "fw.hex", "--serial", "1", "--serial-at",
                                      "retlw:0", "--serial-file", "s"});
    EXPECT_EQ(filled.exitCode, 2);
    EXPECT_NE(filled.err.find("the file has data at program memory 0x0000"), std::string::npos)
        << filled.err;
}

// Two and four simulated boards at once, one of them with a chip that will
// not program: only that board's chips fail, every other chip passes with its
// own serial number, and the summary counts each board.
TEST(CliBoardsTest, AFailingBoardNeverTouchesTheOthers) {
    const std::vector<std::string> ports = {"lpt1", "lpt2", "0x3BC", "0x2BC"};
    const std::vector<std::string> labels = {"lpt1 (0x378) simulated", "lpt2 (0x278) simulated",
                                             "0x3BC simulated", "0x2BC simulated"};
    for (const std::size_t boards : {2U, 4U}) {
        CliProcess cli;
        cli.WriteFile("fw.hex", ProgramHex({0x2805, 0x0000, 0x1683}, 0x3F72));
        std::vector<std::string> args = {"--sim",
                                         "--sim-insertions",
                                         "2",
                                         "--sim-fault",
                                         "unprogrammable:0x0002",
                                         "--sim-fault-board",
                                         "2"};
        for (std::size_t i = 0; i < boards; ++i) {
            args.insert(args.end(), {"--port", ports[i]});
        }
        args.insert(args.end(), {"write", "fw.hex", "--repeat", "--count", "2", "--serial", "1",
                                 "--serial-at", "eeprom:0", "--log", "chips.jsonl"});
        const CliResult r = cli.Run(args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(WithoutHazards(r.err), "") << r.err;
        for (std::size_t i = 0; i < boards; ++i) {
            const std::string summary =
                i == 1 ? ": 0 passed, 2 failed\n" : ": 2 passed, 0 failed\n";
            EXPECT_NE(r.out.find(labels[i] + summary), std::string::npos) << boards << r.out;
        }
        const std::string total = "All " + std::to_string(boards) +
                                  " boards: " + std::to_string(2 * (boards - 1)) +
                                  " passed, 2 failed\n";
        EXPECT_NE(r.out.find(total), std::string::npos) << r.out;
        // Every passed chip has a number of its own.
        std::set<std::string> serials;
        for (std::size_t at = 0; (at = r.out.find("passed: ", at)) != std::string::npos; ++at) {
            const std::size_t serial = r.out.find("serial ", at) + 7;
            serials.insert(r.out.substr(serial, r.out.find(',', serial) - serial));
        }
        EXPECT_EQ(serials.size(), 2 * (boards - 1)) << r.out;
        const std::string log = cli.ReadFile("chips.jsonl");
        EXPECT_EQ(static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')), 2 * boards);
    }
}

// The program killed outright while a chip with its number is being written
// (the counter says "attempted"): the next run never uses that number.
TEST(CliSerialTest, AKillBetweenWriteAndVerifyNeverReusesTheNumber) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex(std::vector<std::uint16_t>(64, 0x2805), 0x3F72));
    const std::vector<std::string> serial = {"write", "fw.hex",      "--serial",
                                             "100",   "--serial-at", "eeprom:0"};
    std::vector<std::string> args = {"--sim", "--real-time"};
    args.insert(args.end(), serial.begin(), serial.end());
    const pid_t pid = cli.Start(args, "killed");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (cli.ReadFile("fw.serial").find("attempted 100") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGKILL);
    cli.Finish(pid, "killed");
    ASSERT_EQ(cli.ReadFile("fw.serial"), "next 101\nattempted 100\n");

    args = {"--sim"};
    args.insert(args.end(), serial.begin(), serial.end());
    const CliResult again = cli.Run(args);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.err.find("serial number 100 was in a chip that had not verified"),
              std::string::npos)
        << again.err;
    EXPECT_NE(again.out.find("serial 101,"), std::string::npos) << again.out;
    EXPECT_EQ(cli.ReadFile("fw.serial"), "next 102\n");
}

TEST(CliRepeatTest, RefusesRepeatOptionsWithoutRepeat) {
    CliProcess cli;
    cli.WriteFile("fw.hex", ProgramHex({0x2805}, 0x3F72));
    const CliResult r = cli.Run({"--sim", "write", "fw.hex", "--count", "2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--count and --stop-on-failure go with write --repeat"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace tallis::testing
