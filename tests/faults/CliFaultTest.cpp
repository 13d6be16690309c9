// The command-line tool against a simulated chip of the other type than the
// one selected: exit status 1 and the verify message, in both directions.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/faults/FaultBench.h"

namespace tallis::faults {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

class CliAgainstSimulatedChip : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallis-faults-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        firmware_ = dir_ / "firmware.hex";
        std::ofstream(firmware_, std::ios::binary) << WordRecord(0x0000, {0x2805, 0x1683, 0x0186}) +
                                                          WordRecord(0x2007, {0x3F3A}) +
                                                          EndRecord();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Standard output only; standard error goes where the test's goes.
    CliRun Program(const std::string& chip, const std::string& simChip) const {
        const std::string command = std::string("'") + TALLIS_CLI_PATH + "' --sim --chip " + chip +
                                    " --sim-chip " + simChip + " --no-id-check -q program '" +
                                    firmware_.string() + "'";
        CliRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return run;
        }
        std::array<char, 512> chunk{};
        while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
            run.out += chunk.data();
        }
        const int status = pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    std::filesystem::path dir_;
    std::filesystem::path firmware_;
};

TEST_F(CliAgainstSimulatedChip, MatchingChipCompletes) {
    const CliRun run = Program("16f877a", "16f877a");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Down load data 4 words complete"), std::string::npos) << run.out;
}

TEST_F(CliAgainstSimulatedChip, WrongChipTypeEndsInAVerifyErrorAtTheFirstWord) {
    for (const auto& [chip, simChip] : {std::pair{"16f877a", "16f877"}, {"16f877", "16f877a"}}) {
        SCOPED_TRACE(std::string(chip) + " selected, " + simChip + " connected");
        const CliRun run = Program(chip, simChip);
        EXPECT_EQ(run.exitCode, 1) << run.out;
        EXPECT_EQ(run.out.rfind("Verify error ! at Address 0000H\n", 0), 0U) << run.out;
        EXPECT_EQ(run.out.find("Down load data"), std::string::npos) << run.out;
    }
}

}  // namespace
}  // namespace tallis::faults
