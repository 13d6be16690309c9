#include <gtest/gtest.h>

#include "classic/ClassicProgrammer.h"
#include "engine/ChipType.h"
#include "sim/SimulatedTarget.h"
#include "tests/engine/EngineFakes.h"
#include "tests/engine/RunFixtures.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

using test::FixedChipHost;

// The engine against the simulated chip of the same type, in virtual time.
class ProgrammerOnChip : public ::testing::TestWithParam<ChipType> {
  protected:
    ChipType Chip() const { return GetParam(); }
    sim::TargetType Type() const { return sim::TypeOf(ClassicDevice(Chip())); }

    void ExpectNoViolation() {
        EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    }

    // Protect everything: every code-protection bit at 0.
    sim::ChipMemory ProgrammedAndProtected() {
        sim::ChipMemory memory = sim::ChipMemory::Blank(Type(), sim::DefaultDeviceId(Type()));
        std::vector<std::uint16_t> words = test::SampleWords(sim::kProgramWords);
        std::copy(words.begin(), words.end(), memory.program.begin());
        memory.ConfigWord() = 0x0000;
        memory.eeprom.fill(0x5A);
        return memory;
    }

    sim::SimulatedTarget target{{.type = sim::TypeOf(ClassicDevice(GetParam()))}};
    FixedChipHost host{GetParam()};
    ParallelPortTransport lines{target.Port(), target.Clock()};
    ClassicProgrammer programmer{lines, host};
};

TEST_P(ProgrammerOnChip, EraseLeavesAProgrammedCodeProtectedChipBlank) {
    target.Chip().LoadMemory(ProgrammedAndProtected());
    ASSERT_TRUE(sim::IsCodeProtected(Type(), target.Chip().Memory().ConfigWord(), 0));
    programmer.EraseOnly();
    const sim::ChipMemory& memory = target.Chip().Memory();
    for (std::uint16_t word : memory.program) {
        ASSERT_EQ(word, sim::kErasedWord);
    }
    EXPECT_EQ(memory.ConfigWord(), sim::NormalizeConfigWord(Type(), sim::kErasedWord));
    EXPECT_EQ(target.Chip().Mode(), sim::ChipMode::Programming);
    EXPECT_EQ(target.Chip().Pc(), 0);
    EXPECT_EQ(target.SimPort().ControlRegister(), 0x00);
    ExpectNoViolation();
}

TEST_P(ProgrammerOnChip, WrittenWordsReadBackEqualAndTheConfigurationWordLandsAt2007) {
    programmer.EraseChip();
    const std::vector<std::uint16_t> words = {0x0000, 0x2A55, 0x1555, 0x3FFE, 0x0001};
    for (std::uint16_t word : words) {
        auto high = static_cast<std::uint8_t>(word >> 8);
        auto low = static_cast<std::uint8_t>(word & 0xFF);
        programmer.WriteProgramWord(high, low);
        EXPECT_TRUE(programmer.ReadAndCompareWord(high, low)) << std::hex << word;
        EXPECT_FALSE(programmer.ReadAndCompareWord(static_cast<std::uint8_t>(high ^ 0x01), low));
        programmer.SerialWire().ShiftCommand(kIncrementAddress, 0, false);
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(target.Chip().Memory().program[i], words[i]);
    }
    EXPECT_EQ(target.Chip().Memory().program[words.size()], sim::kErasedWord);

    const std::uint16_t config = sim::NormalizeConfigWord(Type(), 0x3F72);
    programmer.WriteConfigurationWord(static_cast<std::uint8_t>(config >> 8), config & 0xFF);
    EXPECT_TRUE(
        programmer.ReadAndCompareWord(static_cast<std::uint8_t>(config >> 8), config & 0xFF));
    EXPECT_EQ(target.Chip().Pc(), 0x2007);
    EXPECT_EQ(target.Chip().Memory().ConfigWord(), config);
    ExpectNoViolation();
}

TEST_P(ProgrammerOnChip, ResetLeavesTheTargetRunning) {
    programmer.EraseOnly();
    const std::uint64_t releases = target.Chip().ResetReleases();
    programmer.ResetCpu();
    EXPECT_EQ(target.Chip().Mode(), sim::ChipMode::Running);
    EXPECT_EQ(target.Chip().ResetReleases(), releases + 1);
    EXPECT_EQ(target.SimPort().DataRegister(), 0x02);
    EXPECT_EQ(target.SimPort().ControlRegister(), 0x00);
    ExpectNoViolation();
}

INSTANTIATE_TEST_SUITE_P(BothTypes, ProgrammerOnChip,
                         ::testing::Values(ChipType::Pic16F877, ChipType::Pic16F877A));

// A wrong chip type, a missing chip or a shorted data line never reads back
// as a success.
TEST(ProgrammerOnWrongTarget, FailsToVerifyInsteadOfReportingSuccess) {
    struct Case {
        const char* name;
        ChipType hostChip;
        sim::TargetType targetType;
        sim::BoardFault fault;
    };
    const Case cases[] = {
        {"877 selected, 877A fitted", ChipType::Pic16F877, sim::TargetType::Pic16F877A,
         sim::BoardFault::None},
        {"877A selected, 877 fitted", ChipType::Pic16F877A, sim::TargetType::Pic16F877,
         sim::BoardFault::None},
        {"no target", ChipType::Pic16F877A, sim::TargetType::Pic16F877A, sim::BoardFault::NoTarget},
        {"data stuck low", ChipType::Pic16F877, sim::TargetType::Pic16F877,
         sim::BoardFault::DataStuckLow},
    };
    for (const Case& c : cases) {
        sim::SimulatedTarget target({.type = c.targetType});
        target.SetBoardFault(c.fault);
        FixedChipHost host(c.hostChip);
        ParallelPortTransport lines(target.Port(), target.Clock());
        ClassicProgrammer programmer(lines, host);
        programmer.EraseChip();
        int matches = 0;
        for (std::uint16_t word : test::SampleWords(8)) {
            auto high = static_cast<std::uint8_t>(word >> 8);
            auto low = static_cast<std::uint8_t>(word & 0xFF);
            programmer.WriteProgramWord(high, low);
            matches += programmer.ReadAndCompareWord(high, low) ? 1 : 0;
            programmer.SerialWire().ShiftCommand(kIncrementAddress, 0, false);
        }
        EXPECT_EQ(matches, 0) << c.name;
    }
}

}  // namespace
}  // namespace tallis
