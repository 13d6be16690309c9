// Every fault between the port and the chip must end the run with an error,
// never with "Down load data ...", and leave the target reset.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "classic/RunMessages.h"
#include "tests/faults/FaultBench.h"

namespace tallis::faults {
namespace {

constexpr std::uint16_t kSecondRecord = 0x0010;
const std::vector<std::uint16_t> kFirstWords = {0x2805, 0x1683, 0x0186, 0x1283,
                                                0x0186, 0x0008, 0x3000, 0x00A0};
const std::vector<std::uint16_t> kSecondWords = {0x1234, 0x2345, 0x0ABC, 0x3000};

// Extended-address record, eight words at 0, four at 0x10, the configuration
// word, the end record: what an assembler makes of a small program.
std::string Firmware() {
    return ExtendedAddressRecord() + WordRecord(0x0000, kFirstWords) +
           WordRecord(kSecondRecord, kSecondWords) + WordRecord(0x2007, {0x3F3A}) + EndRecord();
}

std::string VerifyErrorAt(std::uint16_t address) {
    char head[40];
    std::snprintf(head, sizeof head, "Verify error ! at Address %04XH\n\r", unsigned{address});
    return head + std::string(kVerifyErrorHints);
}

struct FaultRow {
    Fault fault;
    ChipType chip;                 // selected in the window
    std::uint16_t failingAddress;  // the word the verify error names
    // What the chip saw of it, where it sees anything: why the read-back fails.
    std::optional<sim::ViolationKind> seen = std::nullopt;
};

std::string RowName(const testing::TestParamInfo<FaultRow>& info) {
    return std::string(FaultName(info.param.fault)) +
           (info.param.chip == ChipType::Pic16F877 ? "_877" : "_877A");
}

class FaultMatrix : public testing::TestWithParam<FaultRow> {};

TEST_P(FaultMatrix, EndsInAVerifyErrorAtTheFailingWordThenResetsTheTarget) {
    const FaultRow& row = GetParam();
    FaultBench bench(row.fault, row.chip, row.failingAddress);

    EXPECT_EQ(bench.Run(Firmware()), RunOutcome::VerifyError);

    ASSERT_EQ(bench.host.Messages().size(), 1U);
    const FaultRunHost::Message& message = bench.host.Messages()[0];
    EXPECT_EQ(message.text, VerifyErrorAt(row.failingAddress));
    EXPECT_EQ(bench.target.SimPort().DataRegister(), 0x02);
    EXPECT_EQ(bench.target.SimPort().ControlRegister(), 0x00);
    if (row.seen) {
        EXPECT_GT(bench.target.Violations().Count(*row.seen), 0U)
            << bench.target.Violations().Describe();
    }
    if (row.fault == Fault::UnprogrammableWord) {
        const sim::ChipMemory& memory = bench.target.Chip().Memory();
        for (std::size_t i = 0; i < kFirstWords.size(); ++i) {
            EXPECT_EQ(memory.program[i], kFirstWords[i]) << "word " << i;
        }
        EXPECT_EQ(memory.program[kSecondRecord], kSecondWords[0]);
        EXPECT_EQ(memory.program[kSecondRecord + 1], kSecondWords[1]);
    }
    if (row.fault == Fault::NoChip) {
        EXPECT_EQ(bench.target.Chip().ProgramModeEntries(), 0U);  // nothing reached a chip
        return;
    }
    // The message comes while the chip is still in programming mode; the
    // reset after it lets the chip run.
    EXPECT_EQ(message.chipMode, sim::ChipMode::Programming);
    EXPECT_EQ(bench.target.Chip().Mode(), sim::ChipMode::Running);
    EXPECT_EQ(bench.target.Chip().ResetReleases(), message.resetReleases + 1);
}

INSTANTIATE_TEST_SUITE_P(
    BothTypes, FaultMatrix,
    testing::Values(FaultRow{Fault::NoChip, ChipType::Pic16F877, 0x0000},
                    FaultRow{Fault::NoChip, ChipType::Pic16F877A, 0x0000},
                    FaultRow{Fault::DataStuckLow, ChipType::Pic16F877, 0x0000},
                    FaultRow{Fault::DataStuckLow, ChipType::Pic16F877A, 0x0000},
                    FaultRow{Fault::UnprogrammableWord, ChipType::Pic16F877, 0x0012},
                    FaultRow{Fault::UnprogrammableWord, ChipType::Pic16F877A, 0x0012},
                    // 877 selected, 877A connected: the bulk-erase setup
                    // commands are unknown to it, and a Begin Programming Only
                    // cycle waits for an End Programming that never comes.
                    FaultRow{Fault::WrongChipType, ChipType::Pic16F877, 0x0000,
                             sim::ViolationKind::UnknownCommand},
                    // 877A selected, 877 connected: Chip Erase and End
                    // Programming are unknown, and the read-back comes while
                    // the 4 ms write cycle still runs.
                    FaultRow{Fault::WrongChipType, ChipType::Pic16F877A, 0x0000,
                             sim::ViolationKind::UnknownCommand},
                    // Half of 5 ms is shorter than the 877's 4 ms write cycle:
                    // the read-back is ignored and RB7 floats high.
                    FaultRow{Fault::ShortWaits, ChipType::Pic16F877, 0x0000,
                             sim::ViolationKind::CommandWhileBusy},
                    // The 877A's write itself still lasts long enough (1 ms of
                    // 2), but the read-back comes 90 us after End Programming,
                    // inside the 100 us in which the chip takes no command.
                    FaultRow{Fault::ShortWaits, ChipType::Pic16F877A, 0x0000,
                             sim::ViolationKind::CommandDuringTdis}),
    RowName);

// Faults that the read-back cannot tell from success, because the word the
// file asks for is exactly what the fault makes the chip read back: the run
// ends in "Down load data ..." although nothing (or not everything) was
// written. Asserted so that a change in either shows.
struct UndetectedRow {
    const char* name;
    Fault fault;
    ChipType chip;
    std::uint16_t unprogrammable;  // for Fault::UnprogrammableWord
    std::string firmware;
    std::uint16_t wordAt0;     // what program word 0 holds afterwards
    std::uint16_t configWord;  // what the configuration word holds afterwards
};

std::vector<UndetectedRow> UndetectedRows() {
    const std::string blankWords =
        WordRecord(0x0000, {0x3FFF, 0x3FFF, 0x3FFF}) + WordRecord(0x2007, {0x3FFF}) + EndRecord();
    const std::string zeroWords = WordRecord(0x0000, {0x0000, 0x0000, 0x0000}) + EndRecord();
    std::vector<UndetectedRow> rows;
    for (ChipType chip : {ChipType::Pic16F877, ChipType::Pic16F877A}) {
        // Nothing connected: RB7 floats high, so every read-back is 0x3FFF.
        rows.push_back(
            {"NoChipAndErasedWords", Fault::NoChip, chip, 0, blankWords, 0x3FFF, 0x3FFF});
        // RB7 at ground: every command arrives as 0 (Load Configuration) and
        // every read-back as 0, so nothing is written and zeros "verify".
        rows.push_back(
            {"StuckLowAndZeroWords", Fault::DataStuckLow, chip, 0, zeroWords, 0x3FFF, 0x3FFF});
    }
    return rows;
}

class UndetectedFault : public testing::TestWithParam<UndetectedRow> {};

TEST_P(UndetectedFault, EndsInDownLoadDataWithTheChipNotAsTheFileSays) {
    const UndetectedRow& row = GetParam();
    FaultBench bench(row.fault, row.chip, row.unprogrammable);
    const std::unique_ptr<FirmwareImage> image = MakeFirmwareImage(row.firmware).image;

    EXPECT_EQ(bench.run.Execute(*image), RunOutcome::Completed);

    ASSERT_EQ(bench.host.Messages().size(), 1U);
    EXPECT_EQ(bench.host.Messages()[0].text, DownloadCompleteMessage(image->WordCount));
    const sim::ChipMemory& memory = bench.target.Chip().Memory();
    EXPECT_EQ(memory.program[0], row.wordAt0);
    EXPECT_EQ(memory.ConfigWord(), row.configWord);
    EXPECT_EQ(bench.target.SimPort().DataRegister(), 0x02);
    EXPECT_EQ(bench.target.SimPort().ControlRegister(), 0x00);
}

INSTANTIATE_TEST_SUITE_P(BothTypes, UndetectedFault, testing::ValuesIn(UndetectedRows()),
                         [](const testing::TestParamInfo<UndetectedRow>& info) {
                             return std::string(info.param.name) +
                                    (info.param.chip == ChipType::Pic16F877 ? "_877" : "_877A");
                         });

// The configuration word is read back too: a fault that leaves it otherwise
// than the file says, even where every program word happens to verify, ends
// the run in a verify error that names it.
class ConfigurationWordFault : public testing::TestWithParam<ChipType> {};

TEST_P(ConfigurationWordFault, EndsInAVerifyErrorNamingTheWord) {
    const std::string firmware =
        WordRecord(0x0000, {0x3FFF, 0x3FFF}) + WordRecord(0x2007, {0x3F3A}) + EndRecord();
    for (Fault fault : {Fault::UnprogrammableWord, Fault::NoChip}) {
        SCOPED_TRACE(FaultName(fault));
        FaultBench bench(fault, GetParam(), 0x2007);

        EXPECT_EQ(bench.Run(firmware), RunOutcome::VerifyError);

        ASSERT_EQ(bench.host.Messages().size(), 1U);
        EXPECT_EQ(bench.host.Messages()[0].text, ConfigurationVerifyErrorMessage(0x3F3A, 0x3FFF));
        EXPECT_EQ(bench.target.SimPort().DataRegister(), 0x02);
        EXPECT_EQ(bench.target.SimPort().ControlRegister(), 0x00);
    }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, ConfigurationWordFault,
                         testing::Values(ChipType::Pic16F877, ChipType::Pic16F877A));

}  // namespace
}  // namespace tallis::faults
