#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "classic/ProgramRun.h"
#include "classic/RunMessages.h"
#include "device/Device.h"
#include "engine/ChipType.h"
#include "sim/ChipHexFile.h"
#include "tests/engine/RunFixtures.h"

namespace tallis {
namespace {

using test::EndRecord;
using test::ExtendedAddressRecord;
using test::HexRecord;
using test::RunBench;
using test::SampleWords;
using test::WordRecord;

constexpr std::uint16_t kConfig = 0x3F72;  // no code protection on either type
const std::string kEepromWarning =
    "Warning: this command does not write the file's ID locations (2000H-2003H) and data EEPROM "
    "(2100H-21FFH); they are skipped";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WordsInRecords(std::uint16_t wordAddress, const std::vector<std::uint16_t>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); i += 8) {
        std::size_t end = std::min(words.size(), i + 8);
        text += WordRecord(static_cast<std::uint16_t>(wordAddress + i),
                           {words.begin() + static_cast<std::ptrdiff_t>(i),
                            words.begin() + static_cast<std::ptrdiff_t>(end)});
    }
    return text;
}

class ProgramRunOnChip : public ::testing::TestWithParam<ChipType> {
  protected:
    sim::TargetType Type() const { return sim::TypeOf(ClassicDevice(GetParam())); }

    void ExpectCleanRun() {
        EXPECT_TRUE(bench.target.Violations().Empty()) << bench.target.Violations().Describe();
        EXPECT_TRUE(test::NeverGoesBackwards(bench.host.Gauges()));
    }

    // The message is shown with the target still in programming mode; the
    // reset follows once it has been dismissed.
    // A warning about skipped records comes first, before the chip is touched.
    void ExpectMessageThenReset(const std::string& message, const std::string& warning = "") {
        const std::vector<std::string> expected = warning.empty()
                                                      ? std::vector<std::string>{message}
                                                      : std::vector<std::string>{warning, message};
        ASSERT_EQ(bench.host.Messages(), expected);
        const auto& calls = bench.host.Calls();
        auto shown = std::find_if(calls.rbegin(), calls.rend(),
                                  [](const auto& call) { return call.what == "message"; });
        EXPECT_EQ(shown->chipMode, sim::ChipMode::Programming);
        EXPECT_EQ(bench.target.Chip().ResetReleases(), shown->resetReleases + 1);
        EXPECT_EQ(bench.target.Chip().Mode(), sim::ChipMode::Running);
        EXPECT_EQ(bench.target.SimPort().DataRegister(), 0x02);
        EXPECT_EQ(bench.target.SimPort().ControlRegister(), 0x00);
    }

    void ExpectProgram(std::uint16_t address, const std::vector<std::uint16_t>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(bench.ProgramWord(static_cast<std::uint16_t>(address + i)), words[i])
                << "word " << std::hex << address + i;
        }
    }

    RunBench bench{GetParam()};
};

TEST_P(ProgramRunOnChip, BundledFirmwareLandsInTheChip) {
    for (const char* name : {"blink877a.hex", "counter877a.hex", "eeprom877.hex"}) {
        SCOPED_TRACE(name);
        std::string text = ReadFile(std::string(TALLIS_EXAMPLES_DIR) + "/" + name);
        ASSERT_FALSE(text.empty());
        sim::ChipMemory expected = sim::ChipMemory::Blank(Type(), sim::DefaultDeviceId(Type()));
        ASSERT_TRUE(sim::ParseChipHex(text, Type(), expected));

        bench.host.ClearCalls();
        bench.target.Violations().Clear();
        auto image = test::ImageOf(text);
        EXPECT_EQ(bench.Run(*image), RunOutcome::Completed);

        const sim::ChipMemory& memory = bench.target.Chip().Memory();
        EXPECT_EQ(memory.program, expected.program);
        EXPECT_EQ(memory.ConfigWord(), expected.ConfigWord());
        // ID locations and data EEPROM are never programmed.
        const sim::ChipMemory blank = sim::ChipMemory::Blank(Type(), sim::DefaultDeviceId(Type()));
        EXPECT_EQ(memory.eeprom, blank.eeprom);
        EXPECT_TRUE(
            std::equal(memory.config.begin(), memory.config.begin() + 4, blank.config.begin()));
        ExpectMessageThenReset(DownloadCompleteMessage(image->WordCount),
                               std::string(name) == "eeprom877.hex" ? kEepromWarning : "");
        ExpectCleanRun();
    }
}

// RB7 rising in 5 us and VPP in 50 us fit in the classic 60 us clock phases
// and 2 ms line waits.
TEST_P(ProgramRunOnChip, ClassicCommandsPassOnASlowBoard) {
    RunBench slow(GetParam(), Type(), 0x378, sim::BoardTiming::Slow());
    const std::vector<std::uint16_t> words = SampleWords(40);
    EXPECT_EQ(slow.Run(ExtendedAddressRecord() + WordsInRecords(0, words) +
                       WordRecord(0x2007, {kConfig}) + EndRecord()),
              RunOutcome::Completed);
    for (std::size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(slow.ProgramWord(static_cast<std::uint16_t>(i)), words[i]) << i;
    }
    slow.programmer.EraseOnly();
    EXPECT_EQ(slow.ProgramWord(0), sim::kErasedWord);
    slow.programmer.ResetCpu();
    EXPECT_EQ(slow.target.Chip().Mode(), sim::ChipMode::Running);
    EXPECT_TRUE(slow.target.Violations().Empty()) << slow.target.Violations().Describe();
    // Each entry passes through a running chip: a hazard, never a failure.
    EXPECT_EQ(slow.target.Violations().HazardCount(sim::HazardKind::EntryFromRunningChip),
              slow.target.Chip().ProgramModeEntries());
}

TEST_P(ProgramRunOnChip, FullChipWithConfigurationWord) {
    const std::vector<std::uint16_t> words = SampleWords(sim::kProgramWords);
    auto image =
        test::ImageOf(WordsInRecords(0, words) + WordRecord(0x2007, {kConfig}) + EndRecord());
    ASSERT_EQ(image->WordCount, 8193U);
    EXPECT_EQ(bench.Run(*image), RunOutcome::Completed);
    const auto& program = bench.target.Chip().Memory().program;
    EXPECT_TRUE(std::equal(program.begin(), program.end(), words.begin(), words.end()));
    EXPECT_EQ(bench.target.Chip().Memory().ConfigWord(), sim::NormalizeConfigWord(Type(), kConfig));
    EXPECT_EQ(bench.run.WordsDone, 8192);
    ExpectMessageThenReset("Down load data 8193 words complete");
    ExpectCleanRun();
}

// Per program word: WriteWord, ReadAndCompareWord and one Increment Address.
TEST_P(ProgramRunOnChip, EachWordCostsItsWaits) {
    auto waitsOf = [&](const std::string& text) {
        RunBench fresh(GetParam());
        fresh.Run(text);
        EXPECT_TRUE(fresh.target.Violations().Empty()) << fresh.target.Violations().Describe();
        return fresh.target.Clock().DelayedUs();
    };
    const std::string tail = WordRecord(0x2007, {kConfig}) + EndRecord();
    const std::uint64_t without = waitsOf(tail);
    const std::uint64_t with = waitsOf(WordsInRecords(0, SampleWords(40)) + tail);
    const std::uint64_t perWord = GetParam() == ChipType::Pic16F877A ? 14300 : 16160;
    EXPECT_EQ(with - without, 40 * perWord);
}

TEST_P(ProgramRunOnChip, ExtendedAddressRecordIsCountedAndTheGaugeRoundsHalfToEven) {
    const std::vector<std::uint16_t> words = SampleWords(7);
    auto image = test::ImageOf(ExtendedAddressRecord() + WordRecord(0, words) +
                               WordRecord(0x2007, {kConfig}) + EndRecord());
    ASSERT_EQ(image->WordCount, 9U);
    EXPECT_EQ(bench.Run(*image), RunOutcome::Completed);
    // i x 100 / 8 before each word, the configuration word, then the end record.
    EXPECT_EQ(bench.host.Gauges(), (std::vector<int>{0, 0, 12, 25, 38, 50, 62, 75, 88, 100}));
    const auto& calls = bench.host.Calls();
    auto turn = std::find_if(calls.begin(), calls.end(),
                             [](const auto& call) { return call.what == "events"; });
    ASSERT_NE(turn, calls.end());
    EXPECT_EQ(std::prev(turn)->what, "gauge");
    EXPECT_EQ(std::prev(turn)->percent, 88);
    ExpectMessageThenReset("Down load data 9 words complete");
    ExpectProgram(0, words);
    ExpectCleanRun();
}

TEST_P(ProgramRunOnChip, VerifyMismatchAtTheFifthWordStopsTheRun) {
    const std::vector<std::uint16_t> words = SampleWords(8);
    bench.target.SetUnprogrammableWord(0x0014);
    EXPECT_EQ(
        bench.Run(WordRecord(0x0010, words) + WordRecord(0x0018, SampleWords(4, 7)) + EndRecord()),
        RunOutcome::VerifyError);
    ExpectMessageThenReset(
        "Verify error ! at Address 0014H\n\r\n\r1. Disconnect any load form Port RB3 RB6 RB7 "
        "\n\r2. Check sytem voltage supply 4.8-5.5 V inspected\n\r3. Check selected type 16F877 "
        "or 16f877A\n\r4. 16F877 may be FAIL or Damage or Wrong config");
    ExpectProgram(0x0010, {words.begin(), words.begin() + 4});
    for (std::uint16_t address = 0x0014; address < 0x0020; ++address) {
        EXPECT_EQ(bench.ProgramWord(address), sim::kErasedWord);
    }
    // The failing word was written and read once; nothing after it.
    EXPECT_EQ(bench.target.Chip().CommandCount(kLoadDataProgramMemory), 5U);
    EXPECT_EQ(bench.target.Chip().CommandCount(kReadDataProgramMemory), 5U);
    EXPECT_EQ(bench.run.WordsDone, 5);
    ExpectCleanRun();
}

// The configuration word is compared under the chip's implemented bits: bits
// the chip always reads as 1 may be 0 in the file, but a word that did not
// program stops the run, still in programming mode, naming what was read.
TEST_P(ProgramRunOnChip, ConfigurationWordIsVerifiedUnderItsImplementedBits) {
    const Device& device = *FindDevice(GetParam() == ChipType::Pic16F877 ? "16f877" : "16f877a");
    const auto unimplementedClear = static_cast<std::uint16_t>(kConfig & device.configImplemented);
    const std::string words = WordRecord(0, SampleWords(4));
    RunBench masked(GetParam());
    EXPECT_EQ(masked.Run(words + WordRecord(0x2007, {unimplementedClear}) + EndRecord()),
              RunOutcome::Completed);

    bench.target.SetUnprogrammableWord(0x2007);
    EXPECT_EQ(bench.Run(words + WordRecord(0x2007, {kConfig}) + EndRecord()),
              RunOutcome::VerifyError);
    ExpectMessageThenReset(
        "Verify error ! at Address 2007H: configuration word expected 3F72H, read 3FFFH\n\r\n\r1. "
        "Disconnect any load form Port RB3 RB6 RB7 \n\r2. Check sytem voltage supply 4.8-5.5 V "
        "inspected\n\r3. Check selected type 16F877 or 16f877A\n\r4. 16F877 may be FAIL or Damage "
        "or Wrong config");
    ExpectCleanRun();
}

struct RefusedFile {
    const char* name;
    std::string text;
    RunOutcome outcome;
    std::string message;
    int line;  // of the record to blame, 0 for none
};

std::string WithChecksumDigitFlipped(std::string record) {
    char& digit = record[record.size() - 3];
    digit = digit == '0' ? '1' : '0';
    return record;
}

std::vector<RefusedFile> RefusedFiles() {
    const std::string first = WordRecord(0x0100, SampleWords(4));
    const std::string second = WordRecord(0x0030, {0x0101, 0x0202});  // ":04006000" + 8 + cc
    std::string straySpace = second;
    straySpace[1] = ' ';
    const std::string notHex(kNotIntelHexMessage);
    const std::string checksum(kChecksumErrorMessage);
    const std::string unknownType(kUnknownRecordTypePrefix);
    return {
        {"Empty", "", RunOutcome::NotIntelHex, notHex, 0},
        {"AssemblerSource", "\tLIST p=16f877a\r\n\torg 0\r\n" + first, RunOutcome::NotIntelHex,
         notHex, 1},
        {"RandomBytes", first + "\x9C\x01\xFE\x7F" + EndRecord(), RunOutcome::NotIntelHex, notHex,
         2},
        {"ByteOrderMark", "\xEF\xBB\xBF" + first + EndRecord(), RunOutcome::NotIntelHex, notHex, 1},
        {"BadChecksumInSecondRecord", first + WithChecksumDigitFlipped(second) + EndRecord(),
         RunOutcome::ChecksumError, checksum, 2},
        {"BadChecksumInEndRecord", first + WithChecksumDigitFlipped(EndRecord()),
         RunOutcome::ChecksumError, checksum, 2},
        {"CutInTheHeader", first + second.substr(0, 5), RunOutcome::ChecksumError, checksum, 2},
        {"CutInTheSecondWord", first + second.substr(0, 15), RunOutcome::ChecksumError, checksum,
         2},
        {"CutInTheChecksum", first + second.substr(0, 18), RunOutcome::ChecksumError, checksum, 2},
        {"NoEndRecord", first + second, RunOutcome::EndOfText, std::string(kNoEndRecordMessage), 0},
        {"StraySpaceInByteCount", first + straySpace + first + EndRecord(),
         RunOutcome::ChecksumError, checksum, 2},
        {"Type0E", first + HexRecord(0x0200, 0x0E, {1, 2}) + EndRecord(), RunOutcome::RefusedRecord,
         unknownType + "0E", 2},
        {"Type06", first + HexRecord(0x0200, 0x06, {1, 2}) + EndRecord(), RunOutcome::RefusedRecord,
         unknownType + "06", 2},
        {"Type80", first + HexRecord(0x0200, 0x80, {1, 2}) + EndRecord(), RunOutcome::RefusedRecord,
         unknownType + "80", 2},
        {"ExtendedSegmentAddress", HexRecord(0, 0x02, {0x10, 0x00}) + first + EndRecord(),
         RunOutcome::RefusedRecord, std::string(kExtendedAddressMessage), 1},
        {"ExtendedLinearAddress", HexRecord(0, 0x04, {0x00, 0x01}) + first + EndRecord(),
         RunOutcome::RefusedRecord, std::string(kExtendedAddressMessage), 1},
        {"PastProgramMemory", first + WordRecord(0x1FFE, SampleWords(4)) + EndRecord(),
         RunOutcome::RefusedRecord, std::string(kPastProgramMemoryMessage), 2},
    };
}

class RefusedFileOnChip : public ::testing::TestWithParam<RefusedFile> {};

// Nothing reaches the port: the chip keeps what it held, erase included.
TEST_P(RefusedFileOnChip, LeavesTheChipUntouched) {
    const RefusedFile& c = GetParam();
    RunBench bench(ChipType::Pic16F877A);
    sim::ChipMemory before = sim::ChipMemory::Blank(
        sim::TargetType::Pic16F877A, sim::DefaultDeviceId(sim::TargetType::Pic16F877A));
    before.program.fill(0x0000);
    bench.target.Chip().LoadMemory(before);

    EXPECT_EQ(bench.Run(c.text), c.outcome);
    EXPECT_EQ(bench.host.Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(bench.run.FileCheck().line, c.line);
    EXPECT_EQ(bench.target.SimPort().Writes(), 0U);
    EXPECT_TRUE(bench.target.Chip().Memory() == before);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileOnChip, ::testing::ValuesIn(RefusedFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ProgramRunOnChip, EmptyAndOneByteDataRecordsDoNotEndTheRun) {
    const std::vector<std::uint16_t> before = SampleWords(4, 5);
    const std::vector<std::uint16_t> after = SampleWords(4, 6);
    EXPECT_EQ(bench.Run(WordRecord(0, before) + HexRecord(0x0020, 0x00, {}) +
                        HexRecord(0x0040, 0x00, {0x55}) + WordRecord(0x0040, after) + EndRecord()),
              RunOutcome::Completed);
    ExpectProgram(0, before);
    ExpectProgram(0x0040, after);
    ExpectMessageThenReset("Down load data 8 words complete");
    ExpectCleanRun();
}

// Each word goes by its own address, whatever the record's start.
TEST_P(ProgramRunOnChip, ConfigurationWordIsWrittenWhereverItsRecordStarts) {
    const sim::ChipMemory blank = sim::ChipMemory::Blank(Type(), sim::DefaultDeviceId(Type()));
    struct Case {
        const char* name;
        std::string text;
        std::string warning;
    };
    for (const Case& c : {
             Case{"InARecordWithTheIds",
                  WordRecord(0x2000, {1, 2, 3, 4, 0x3FFF, 0x3FFF, 0x3FFF, kConfig}),
                  "Warning: this command does not write the file's ID locations (2000H-2003H); "
                  "they are skipped"},
             // The word after it is configuration word 2, which these chips lack.
             Case{"BeforeAWordAfterIt", WordRecord(0x2007, {kConfig, 0x0000}),
                  "Warning: the file's configuration word 2 (2008H) is not on this chip; it is "
                  "skipped"},
         }) {
        SCOPED_TRACE(c.name);
        RunBench fresh(GetParam());
        EXPECT_EQ(fresh.Run(WordRecord(0, {0x0155}) + c.text + EndRecord()), RunOutcome::Completed);
        const sim::ChipMemory& memory = fresh.target.Chip().Memory();
        EXPECT_EQ(memory.ConfigWord(), sim::NormalizeConfigWord(Type(), kConfig));
        EXPECT_TRUE(
            std::equal(memory.config.begin(), memory.config.begin() + 4, blank.config.begin()));
        EXPECT_EQ(fresh.ProgramWord(0), 0x0155);
        EXPECT_EQ(fresh.host.Messages().front(),
                  c.warning.empty() ? fresh.host.Messages().back() : c.warning);
        EXPECT_TRUE(fresh.target.Violations().Empty()) << fresh.target.Violations().Describe();
    }
}

TEST_P(ProgramRunOnChip, ConfigurationWordThatReadsBackDifferentIsNotReported) {
    // Unimplemented bits read back as 1 on both types, so 0x0002 never matches.
    EXPECT_EQ(bench.Run(WordRecord(0, {0x0102}) + WordRecord(0x2007, {0x0002}) + EndRecord()),
              RunOutcome::Completed);
    ExpectMessageThenReset("Down load data 2 words complete");
    EXPECT_EQ(bench.target.Chip().Memory().ConfigWord(), sim::NormalizeConfigWord(Type(), 0x0002));
    ExpectCleanRun();
}

TEST_P(ProgramRunOnChip, IdAndEepromRecordsAreCheckedButNeverWritten) {
    const std::string ids = WordRecord(0x2000, {0x0001, 0x0002, 0x0003, 0x0004});
    const std::string eeprom = WordRecord(0x2100, {0x0011, 0x0022});
    EXPECT_EQ(bench.Run(ids + eeprom + WordRecord(0x2007, {kConfig}) + EndRecord()),
              RunOutcome::Completed);
    const sim::ChipMemory blank = sim::ChipMemory::Blank(Type(), sim::DefaultDeviceId(Type()));
    EXPECT_EQ(bench.target.Chip().Memory().eeprom, blank.eeprom);
    EXPECT_TRUE(std::equal(blank.config.begin(), blank.config.begin() + 4,
                           bench.target.Chip().Memory().config.begin()));
    EXPECT_EQ(bench.target.Chip().CommandCount(3), 0U);  // Load Data for Data Memory
    ExpectMessageThenReset("Down load data 1 words complete",
                           "Warning: this command does not write the file's ID locations "
                           "(2000H-2003H) and data EEPROM (2100H-21FFH); they are skipped");
    ExpectCleanRun();

    std::string badEeprom = eeprom;
    badEeprom[badEeprom.size() - 3] = badEeprom[badEeprom.size() - 3] == '0' ? '1' : '0';
    RunBench again(GetParam());
    EXPECT_EQ(again.Run(badEeprom + EndRecord()), RunOutcome::ChecksumError);
}

// A file written from the top down: the configuration word first, then 50
// records of 8 words, each below the one before. Every backward jump costs one
// entry into programming mode and the steps up from 0, never a wrap of the
// counter through all 65,536 values (over a minute each).
TEST_P(ProgramRunOnChip, ReversedRecordsCostOneEntryPerJumpAndLandAsSorted) {
    constexpr std::size_t kWords = 400;
    const std::vector<std::uint16_t> words = SampleWords(kWords);
    std::vector<std::string> records;
    for (std::size_t i = 0; i < kWords; i += 8) {
        records.push_back(WordsInRecords(static_cast<std::uint16_t>(i),
                                         {words.begin() + static_cast<std::ptrdiff_t>(i),
                                          words.begin() + static_cast<std::ptrdiff_t>(i + 8)}));
    }
    const std::string config = WordRecord(0x2007, {kConfig});
    std::string sorted;
    std::string reversed = config;
    for (std::size_t i = 0; i < records.size(); ++i) {
        sorted += records[i];
        reversed += records[records.size() - 1 - i];
    }
    RunBench up(GetParam());
    RunBench down(GetParam());
    ASSERT_EQ(up.Run(sorted + config + EndRecord()), RunOutcome::Completed);
    ASSERT_EQ(down.Run(reversed + EndRecord()), RunOutcome::Completed);

    EXPECT_EQ(down.target.Chip().Memory().program, up.target.Chip().Memory().program);
    EXPECT_EQ(down.target.Chip().Memory().ConfigWord(), up.target.Chip().Memory().ConfigWord());
    const std::uint64_t jumps = records.size();
    EXPECT_EQ(down.target.Chip().ProgramModeEntries(),
              up.target.Chip().ProgramModeEntries() + jumps);
    // A jump: about 16 ms out of programming mode and in again, then at most
    // 400 steps of about 1.1 ms each.
    constexpr std::uint64_t kJumpNs = 500'000'000;
    EXPECT_LE(down.target.Time().NowNs(), up.target.Time().NowNs() + jumps * kJumpNs);
    for (RunBench* run : {&up, &down}) {
        EXPECT_TRUE(run->target.Violations().Empty()) << run->target.Violations().Describe();
        EXPECT_EQ(run->host.Messages(),
                  std::vector<std::string>{"Down load data 401 words complete"});
    }
}

struct CancelCase {
    const char* name;
    std::uint16_t firstAddress;  // of the one record's eight words
    std::function<bool(const RunBench&)> when;
    std::uint16_t stoppedAt;
    std::size_t wordsWritten;
};

class ProgramRunCancel : public ::testing::TestWithParam<CancelCase> {};

TEST_P(ProgramRunCancel, StopsWithoutAMessageAndLeavesTheTargetRunning) {
    const CancelCase& param = GetParam();
    RunBench bench(ChipType::Pic16F877A);
    bench.host.cancel = [&] { return param.when(bench); };
    const std::vector<std::uint16_t> words = SampleWords(8);

    EXPECT_EQ(bench.Run(WordRecord(param.firstAddress, words) + EndRecord()),
              RunOutcome::Cancelled);

    EXPECT_EQ(bench.run.CancelledAt, param.stoppedAt);
    EXPECT_TRUE(bench.host.Messages().empty());
    for (std::size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(bench.ProgramWord(static_cast<std::uint16_t>(param.firstAddress + i)),
                  i < param.wordsWritten ? words[i] : sim::kErasedWord)
            << i;
    }
    EXPECT_EQ(bench.target.Chip().Mode(), sim::ChipMode::Running);
    EXPECT_EQ(bench.target.SimPort().DataRegister(), 0x02) << "VPP off";
    EXPECT_TRUE(bench.target.Violations().Empty()) << bench.target.Violations().Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramRunCancel,
    ::testing::Values(CancelCase{"BeforeTheFourthWord", 0,
                                 [](const RunBench& b) { return b.run.WordsDone >= 3; }, 3, 3},
                      CancelCase{"DuringALongAddressSkip", 0x0800,
                                 [](const RunBench& b) { return b.run.AddressCounter() >= 0x100; },
                                 0x100, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(ProgramRunOnChip, LongAddressSkipShowsItsProgress) {
    EXPECT_EQ(bench.Run(WordRecord(0x0400, SampleWords(1)) + EndRecord()), RunOutcome::Completed);
    std::vector<int> skips;
    for (const auto& call : bench.host.Calls()) {
        if (call.what == "skip") {
            skips.push_back(call.percent);
        }
    }
    EXPECT_EQ(skips.size(), 0x400U / 64U);
    EXPECT_TRUE(test::NeverGoesBackwards(skips));
    ExpectCleanRun();
}

TEST_P(ProgramRunOnChip, SmallWordCountsKeepTheGaugeInRange) {
    // A text that starts with a carriage return counts 0 words.
    EXPECT_EQ(bench.Run("\r\n" + WordRecord(0, SampleWords(3)) + EndRecord()),
              RunOutcome::Completed);
    EXPECT_EQ(bench.host.Gauges(), (std::vector<int>{0, 0, 0, 0, 100}));
    ExpectMessageThenReset("Down load data 0 words complete");

    RunBench one(GetParam());
    EXPECT_EQ(one.Run(WordRecord(0, {0x0155}) + EndRecord()), RunOutcome::Completed);
    EXPECT_EQ(one.host.Gauges(), (std::vector<int>{0, 100, 100}));
    EXPECT_EQ(one.host.Messages(), std::vector<std::string>{"Down load data 1 words complete"});
    EXPECT_EQ(one.ProgramWord(0), 0x0155);
}

TEST_P(ProgramRunOnChip, SameImageTwiceProgramsFromAnEraseEachTime) {
    const std::vector<std::uint16_t> words = SampleWords(6);
    auto image =
        test::ImageOf(WordRecord(0x0020, words) + WordRecord(0x2007, {kConfig}) + EndRecord());
    EXPECT_EQ(bench.Run(*image), RunOutcome::Completed);
    const std::vector<int> firstGauges = bench.host.Gauges();
    const std::uint64_t entries = bench.target.Chip().ProgramModeEntries();
    bench.host.ClearCalls();
    EXPECT_EQ(bench.Run(*image), RunOutcome::Completed);
    EXPECT_GT(bench.target.Chip().ProgramModeEntries(), entries);
    EXPECT_EQ(bench.run.WordsDone, 6);
    EXPECT_EQ(bench.host.Gauges(), firstGauges);
    ExpectMessageThenReset("Down load data 7 words complete");
    ExpectProgram(0x0020, words);
    ExpectCleanRun();
}

TEST_P(ProgramRunOnChip, ProgramRecordsAfterTheConfigurationWordGoToProgramMemory) {
    const std::vector<std::uint16_t> first = SampleWords(5, 3);
    const std::vector<std::uint16_t> later = SampleWords(5, 4);
    EXPECT_EQ(bench.Run(WordRecord(0, first) + WordRecord(0x2007, {kConfig}) +
                        WordRecord(0x0100, later) + EndRecord()),
              RunOutcome::Completed);
    ExpectProgram(0, first);
    ExpectProgram(0x0100, later);
    EXPECT_EQ(bench.target.Chip().Memory().ConfigWord(), sim::NormalizeConfigWord(Type(), kConfig));
    ExpectMessageThenReset("Down load data 11 words complete");
    ExpectCleanRun();
}

TEST_P(ProgramRunOnChip, WrongChipTypeOrNoChipNeverCompletes) {
    const std::string text = WordRecord(0, SampleWords(4)) + EndRecord();
    const sim::TargetType other = GetParam() == ChipType::Pic16F877 ? sim::TargetType::Pic16F877A
                                                                    : sim::TargetType::Pic16F877;
    RunBench wrongType(GetParam(), other);
    EXPECT_EQ(wrongType.Run(text), RunOutcome::VerifyError);
    EXPECT_EQ(wrongType.host.Messages().at(0).rfind("Verify error ! at Address 0000H", 0), 0U);

    RunBench noChip(GetParam());
    noChip.target.SetBoardFault(sim::BoardFault::NoTarget);
    EXPECT_EQ(noChip.Run(text), RunOutcome::VerifyError);
}

TEST_P(ProgramRunOnChip, StartTakesThePortChoiceBeforeTouchingThePort) {
    RunBench lpt2(GetParam(), Type(), 0x278);
    lpt2.host.portChoice = 2;
    EXPECT_EQ(lpt2.Run(WordRecord(0, {0x0042}) + EndRecord()), RunOutcome::Completed);
    const auto& calls = lpt2.host.Calls();
    ASSERT_GE(calls.size(), 2U);
    EXPECT_EQ(calls[0].what, "status");
    EXPECT_EQ(calls[0].text, "Current LPT Port :2  (278H)");
    EXPECT_EQ(calls[0].portWrites, 0U);
    EXPECT_EQ(calls[1].what, "gauge");
    EXPECT_EQ(calls[1].portWrites, 0U);
    EXPECT_EQ(lpt2.ProgramWord(0), 0x0042);
    EXPECT_TRUE(lpt2.target.Violations().Empty()) << lpt2.target.Violations().Describe();

    // No choice keeps the port the engine has.
    lpt2.host.portChoice = 0;
    lpt2.host.ClearCalls();
    EXPECT_EQ(lpt2.Run(WordRecord(0, {0x0042}) + EndRecord()), RunOutcome::Completed);
    EXPECT_EQ(lpt2.host.Calls()[0].text, "Current LPT Port :2  (278H)");
}

INSTANTIATE_TEST_SUITE_P(BothTypes, ProgramRunOnChip,
                         ::testing::Values(ChipType::Pic16F877, ChipType::Pic16F877A));

TEST(ProgressPercent, RoundsHalfToEvenAndStaysInRange) {
    struct Case {
        std::uint16_t done;
        std::uint32_t count;
        int percent;
    };
    for (const Case& c : {Case{0, 9, 0}, Case{1, 9, 12}, Case{3, 9, 38}, Case{5, 9, 62},
                          Case{7, 9, 88}, Case{1, 3, 50}, Case{2, 4, 67}, Case{5, 0, 0},
                          Case{0, 0, 0}, Case{0, 1, 100}, Case{9, 1, 100}, Case{30, 3, 100},
                          Case{8192, 8193, 100}, Case{8191, 8193, 100}, Case{8150, 8193, 99}}) {
        EXPECT_EQ(ProgressPercent(c.done, c.count), c.percent) << c.done << "/" << c.count;
    }
}

TEST(PortStatusText, ShowsNumberAndBaseInUpperCaseHex) {
    EXPECT_EQ(PortStatusText(1, 0x378), "Current LPT Port :1  (378H)");
    EXPECT_EQ(PortStatusText(2, 0x278), "Current LPT Port :2  (278H)");
    EXPECT_EQ(PortStatusText(3, 0x3BC), "Current LPT Port :3  (3BCH)");
}

}  // namespace
}  // namespace tallis
