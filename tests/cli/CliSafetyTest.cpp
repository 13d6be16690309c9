// tallis-cli's refusals and its safe ends: addresses of the PC's own devices,
// files that would overwrite the input or cannot be written, interruptions and
// runs sharing one simulated chip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliProcess.h"
#include "HexText.h"

namespace tallis::testing {
namespace {

const std::vector<std::uint16_t> kWords = {0x2805, 0x0000, 0x1683, 0x0186, 0x3FFE};
constexpr std::uint16_t kConfigWord = 0x3F3A;

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* reason;  // part of the message
};

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Each refusal comes before anything is written: no trace, no state file, and
// the input left as it was.
TEST_P(CliRefusal, ExitsWithTwoBeforeTheRun) {
    const RefusalCase& c = GetParam();
    CliProcess cli;
    const std::string firmware = ProgramHex(kWords, kConfigWord);
    cli.WriteFile("fw.hex", firmware);
    std::vector<std::string> args = {"--trace", "trace.txt"};
    args.insert(args.end(), c.args.begin(), c.args.end());

    CliResult r = cli.Run(args);

    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("tallis-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(cli.Path("trace.txt")));
    EXPECT_EQ(cli.ReadFile("fw.hex"), firmware);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRefusal,
    ::testing::Values(
        RefusalCase{"KeyboardController", {"--sim", "--port", "0x60", "erase"}, "--force-port"},
        RefusalCase{"PciConfiguration", {"--sim", "--port", "0xCF8", "erase"}, "PCI"},
        RefusalCase{"SerialPort", {"--sim", "--port", "0x3F8", "reset"}, "COM1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliPorts, ForcedAddressRunsAndPortsAnswers) {
    CliProcess cli;
    CliResult forced = cli.Run({"--sim", "--port", "0xCF8", "--force-port", "erase"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;

    CliResult ports = cli.Run({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports.err;
    EXPECT_FALSE(ports.out.empty()) << "a line per port, or one saying there is none";
}

}  // namespace
}  // namespace tallis::testing
