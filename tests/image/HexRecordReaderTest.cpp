#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "image/HexRecordReader.h"

namespace tallis {
namespace {

std::unique_ptr<FirmwareImage> ImageOf(const std::string& text) {
    auto result = MakeFirmwareImage(text);
    EXPECT_TRUE(result.image) << result.error;
    return std::move(result.image);
}

// A reader standing on the record start at `position`, as the run leaves it.
HexRecordReader ReaderAt(const FirmwareImage& image, std::int32_t position = 0) {
    HexRecordReader reader(image);
    reader.ReadPosition = position;
    reader.TakeCurrentChar();
    return reader;
}

struct PairCase {
    const char* name;
    std::string digits;
    std::uint8_t expected;
};

void PrintTo(const PairCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadHexPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(ReadHexPairTest, TakesTheLeadingHexDigits) {
    // The read starts after position 0; a character after the pair keeps the
    // text from ending.
    const auto image = ImageOf("x" + GetParam().digits + "!");
    HexRecordReader reader(*image);
    EXPECT_EQ(reader.ReadHexPair(), GetParam().expected);
    EXPECT_EQ(reader.ReadPosition, 2);
    EXPECT_FALSE(reader.Truncated());
}

INSTANTIATE_TEST_SUITE_P(
    Digits, ReadHexPairTest,
    ::testing::Values(PairCase{"UpperCase", "FF", 0xFF}, PairCase{"LowerCase", "ff", 0xFF},
                      PairCase{"Mixed", "7f", 0x7F}, PairCase{"Zero", "00", 0x00},
                      PairCase{"SecondNotHex", "0G", 0x0}, PairCase{"SecondIsLineEnd", "A\r", 0xA},
                      PairCase{"FirstNotHex", "G7", 0x0}, PairCase{"NeitherHex", "  ", 0x0}),
    [](const auto& info) { return std::string(info.param.name); });

struct HeaderCase {
    const char* name;
    std::string record;
    std::uint8_t byteCount;
    std::uint8_t wordCount;
    std::uint16_t byteAddress;
    std::uint16_t wordAddress;
    std::string type;
    std::uint8_t recordSum;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadRecordHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ReadRecordHeaderTest, TakesTheHeaderApart) {
    const HeaderCase& c = GetParam();
    const auto image = ImageOf("\r\n" + c.record + "\r\n");
    HexRecordReader reader = ReaderAt(*image, 2);
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->ByteCount, c.byteCount);
    EXPECT_EQ(header->WordCount, c.wordCount);
    EXPECT_EQ(header->ByteAddress, c.byteAddress);
    EXPECT_EQ(header->WordAddress, c.wordAddress);
    EXPECT_EQ(header->Type, c.type);
    EXPECT_EQ(header->IsDataRecord(), c.type == "00");
    EXPECT_EQ(reader.RecordSum, c.recordSum);
    EXPECT_EQ(reader.ReadPosition, 2 + 8);  // on the second type character
    EXPECT_FALSE(reader.Truncated());
}

INSTANTIATE_TEST_SUITE_P(
    Records, ReadRecordHeaderTest,
    ::testing::Values(HeaderCase{"Data", ":10012000", 0x10, 8, 0x0120, 0x0090, "00", 0x31},
                      HeaderCase{"LowerCase", ":0a01ab00", 10, 5, 0x01AB, 0x00D5, "00", 0xB6},
                      HeaderCase{"OddAddressLosesBit0", ":02000300", 2, 1, 0x0003, 0x0001, "00",
                                 0x05},
                      HeaderCase{"ByteCountOneHasNoWord", ":01000000", 1, 0, 0, 0, "00", 0x01},
                      HeaderCase{"ExtendedAddress", ":02000004", 2, 1, 0, 0, "04", 0x06},
                      HeaderCase{"TypeTakenAsText", ":0200000a", 2, 1, 0, 0, "0a", 0x0C},
                      HeaderCase{"NonHexByteCount", ":0G000000", 0, 0, 0, 0, "00", 0x00},
                      // "8G00": the pairs are 8 and 0, the number stops at the G.
                      HeaderCase{"NonHexInAddress", ":028G0000", 2, 1, 0x0008, 0x0004, "00", 0x0A},
                      HeaderCase{"SumWraps", ":FFFFFF00", 0xFF, 127, 0xFFFF, 0x7FFF, "00", 0xFD}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexRecordReader, NoRecordWhereTheStartIsNotAColon) {
    const auto image = ImageOf(" :00000001FF\r\n");
    HexRecordReader reader = ReaderAt(*image);
    reader.RecordSum = 0x5A;
    EXPECT_FALSE(reader.ReadRecordHeader());
    EXPECT_EQ(reader.ReadPosition, 0);
    EXPECT_EQ(reader.RecordSum, 0x5A);
}

struct RecordCase {
    const char* name;
    std::string record;
    std::vector<std::uint16_t> words;
    RecordCheck check;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

class FinishRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(FinishRecordTest, ChecksTheSumAndPassesOverTheLineEnd) {
    const RecordCase& c = GetParam();
    const auto image = ImageOf(c.record + "\r\n");
    HexRecordReader reader = ReaderAt(*image);
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header);
    std::vector<std::uint16_t> words;
    for (int i = 0; i < header->WordCount; ++i) {
        words.push_back(reader.ReadDataWord().Value());
    }
    EXPECT_EQ(words, c.words);
    EXPECT_EQ(reader.FinishRecord(), c.check);
    EXPECT_EQ(reader.ReadPosition, static_cast<std::int32_t>(c.record.size()));  // the '\r'
}

INSTANTIATE_TEST_SUITE_P(
    Records, FinishRecordTest,
    ::testing::Values(
        RecordCase{"Sound", ":020000000528D1", {0x2805}, RecordCheck::Sound},
        RecordCase{"SoundWithZeroChecksum", ":02000000807E00", {0x7E80}, RecordCheck::Sound},
        RecordCase{"SumOffByOne", ":02000000807E01", {0x7E80}, RecordCheck::ChecksumError},
        RecordCase{"LowerCase", ":02400e00723fff", {0x3F72}, RecordCheck::Sound},
        RecordCase{"SixteenBitsNotMaskedTo14", ":02000000FFFF00", {0xFFFF}, RecordCheck::Sound},
        RecordCase{"EightWords",
                   ":10002000FA30A100FA30A0000000A00B1428A10BA8",
                   {0x30FA, 0x00A1, 0x30FA, 0x00A0, 0x0000, 0x0BA0, 0x2814, 0x0BA1},
                   RecordCheck::Sound},
        RecordCase{"EightWordsOneDigitChanged",
                   ":10002000FA30A100FA30A0000000A00B1428A10CA8",
                   {0x30FA, 0x00A1, 0x30FA, 0x00A0, 0x0000, 0x0BA0, 0x2814, 0x0CA1},
                   RecordCheck::ChecksumError},
        // The odd last byte holds no word but belongs to the sum.
        RecordCase{"OddByteCount", ":03000000010203F7", {0x0201}, RecordCheck::Sound},
        // The type is compared as text and summed as a byte.
        RecordCase{"TypeSummed", ":020000040000FA", {0x0000}, RecordCheck::Sound}),
    [](const auto& info) { return std::string(info.param.name); });

// Two records with nothing between them: the second ':' is the character passed
// over after the first checksum, so the next record start is a hex digit.
TEST(HexRecordReader, RecordsWithNothingBetween) {
    const auto image = ImageOf(":02000000807E00:020000000528D1\r\n");
    HexRecordReader reader = ReaderAt(*image);
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header);
    reader.ReadDataWord();
    ASSERT_EQ(reader.FinishRecord(), RecordCheck::Sound);
    EXPECT_EQ(reader.ReadPosition, 15);  // the second ':'

    ++reader.ReadPosition;
    EXPECT_EQ(reader.TakeCurrentChar(), '0');
    EXPECT_FALSE(reader.ReadRecordHeader());
}

struct SkipCase {
    const char* name;
    std::string text;
    std::int32_t expectedPosition;
};

void PrintTo(const SkipCase& c, std::ostream* os) {
    *os << c.name;
}

class SkipRecordTest : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkipRecordTest, StopsJustBeforeTheNextColon) {
    const auto image = ImageOf(GetParam().text);
    HexRecordReader reader = ReaderAt(*image);
    ASSERT_TRUE(reader.ReadRecordHeader());
    reader.SkipRecord();
    EXPECT_EQ(reader.ReadPosition, GetParam().expectedPosition);
    EXPECT_FALSE(reader.Truncated());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SkipRecordTest,
    ::testing::Values(SkipCase{"NextRecord", ":020000040000FA\r\n:00000001FF\r\n", 16},
                      SkipCase{"NextRecordAfterBlankLines", ":020000040000FA\r\n\r\n:00", 18},
                      SkipCase{"NothingFollows", ":020000040000FA\r\n", 16},
                      SkipCase{"ColonIsTheLastCharacter", ":020000040000FA\r\n:", 16},
                      SkipCase{"HeaderEndsTheText", ":02000004", 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexRecordReader, SkipRecordStopsAtTheEndOfTheText) {
    // Characters after LastIndex are left from an earlier, longer text.
    auto image = ImageOf(":020000040000FA\r\n:00000001FF\r\n");
    image->LastIndex = 15;
    HexRecordReader reader = ReaderAt(*image);
    ASSERT_TRUE(reader.ReadRecordHeader());
    reader.SkipRecord();
    EXPECT_EQ(reader.ReadPosition, 15);
}

// A record cut short at every length: the reader takes nothing past LastIndex
// (the characters after it are still the record's, so an over-read would make
// the record look whole), stops at LastIndex + 1 and reports the cut.
class TruncatedRecordTest : public ::testing::TestWithParam<int> {};

TEST_P(TruncatedRecordTest, IsReportedAndNeverReadPast) {
    const std::string record = ":0400000001020304F2";
    const int length = GetParam();
    auto image = ImageOf(record + "\r\n");
    image->LastIndex = length - 1;
    const std::int32_t end = image->LastIndex + 1;

    HexRecordReader reader = ReaderAt(*image);
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header);
    EXPECT_LE(reader.ReadPosition, end);
    for (int i = 0; i < header->WordCount; ++i) {
        reader.ReadDataWord();
        EXPECT_LE(reader.ReadPosition, end);
    }
    const RecordCheck check = reader.FinishRecord();
    EXPECT_EQ(reader.ReadPosition, end);
    if (length >= static_cast<int>(record.size())) {
        EXPECT_EQ(check, RecordCheck::Sound);  // no line end needed after the checksum
        EXPECT_FALSE(reader.Truncated());
    } else {
        EXPECT_EQ(check, RecordCheck::CutShort);
        EXPECT_TRUE(reader.Truncated());
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TruncatedRecordTest, ::testing::Range(1, 20));

TEST(HexRecordReader, TruncatedHeaderReportsTheCut) {
    auto image = ImageOf(":0400000001020304F2\r\n");
    image->LastIndex = 5;  // ":04000"
    HexRecordReader reader = ReaderAt(*image);
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header);
    EXPECT_TRUE(reader.Truncated());
    EXPECT_EQ(header->ByteAddress, 0);
    EXPECT_EQ(header->Type, "");
    EXPECT_EQ(reader.ReadPosition, 6);
}

TEST(HexRecordReader, EmptyImageIsNeverRead) {
    const auto image = ImageOf("");
    HexRecordReader reader(*image);
    EXPECT_EQ(reader.TakeCurrentChar(), '\0');
    EXPECT_FALSE(reader.ReadRecordHeader());
    EXPECT_EQ(reader.ReadHexPair(), 0);
    EXPECT_TRUE(reader.Truncated());
    EXPECT_EQ(reader.ReadPosition, 0);
}

TEST(HexRecordReader, ResetStartsAfresh) {
    const auto image = ImageOf(":02");
    HexRecordReader reader = ReaderAt(*image);
    ASSERT_TRUE(reader.ReadRecordHeader());
    ASSERT_TRUE(reader.Truncated());
    reader.Reset();
    EXPECT_FALSE(reader.Truncated());
    EXPECT_EQ(reader.ReadPosition, 0);
    EXPECT_EQ(reader.RecordSum, 0);
    EXPECT_EQ(reader.TakeCurrentChar(), ':');
}

}  // namespace
}  // namespace tallis
