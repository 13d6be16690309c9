// tallis-cli's checksum and production run on the simulated chip.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tallis::testing
