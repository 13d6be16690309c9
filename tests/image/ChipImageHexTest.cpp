#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/ChipImageHex.h"

namespace tallis {
namespace {

// One record with a correct checksum and an LF.
std::string Record(std::uint16_t address, std::uint8_t type,
                   const std::vector<std::uint8_t>& data) {
    char field[8];
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFFU) + type;
    std::snprintf(field, sizeof field, ":%02zX", data.size());
    std::string text = field;
    std::snprintf(field, sizeof field, "%04X%02X", static_cast<unsigned>(address),
                  static_cast<unsigned>(type));
    text += field;
    for (std::uint8_t byte : data) {
        std::snprintf(field, sizeof field, "%02X", static_cast<unsigned>(byte));
        text += field;
        sum += byte;
    }
    std::snprintf(field, sizeof field, "%02X\n", (0x100U - (sum & 0xFFU)) & 0xFFU);
    return text + field;
}

const std::string kEnd = ":00000001FF\n";
const ImageBounds k4K{FindDevice("16f873")->regions};

ChipImage Parsed(const std::string& text) {
    const HexParseResult result = ParseChipImageHex(text);
    EXPECT_TRUE(result) << result.error;
    return result.image.value_or(ChipImage{});
}

TEST(ChipImageHex, BadFilesAreRefusedWithTheLineAndTheReason) {
    struct Case {
        const char* name;
        std::string text;
        ImageBounds bounds;
        std::size_t line;
        const char* message;
    };
    const Case cases[] = {
        {"bad checksum",
         ":020000000528D2\n" + kEnd,
         {},
         1,
         "line 1: bad checksum (expected 0xD1, found 0xD2)"},
        {"non-hex character",
         "\n:0200000005G8D1\n" + kEnd,
         {},
         2,
         "line 2: 'G' is not a hexadecimal digit"},
        {"cut short", ":0200000005\n" + kEnd, {}, 1, "line 1: record cut short"},
        {"odd digits", ":020000000528D\n" + kEnd, {}, 1, "line 1: record cut short: an odd"},
        {"count beyond the line",
         ":030000000528D1\n" + kEnd,
         {},
         1,
         "line 1: record cut short: byte count 0x03"},
        {"no colon", "020000000528D1\n" + kEnd, {}, 1, "line 1: a record must start with ':'"},
        {"unknown type", ":00000007F9\n" + kEnd, {}, 1, "line 1: unknown record type 0x07"},
        {"short extended address",
         Record(0, 4, {1}) + kEnd,
         {},
         1,
         "line 1: extended address record with 1 data bytes"},
        {"word beyond a 4K part", Record(0, 0, {0, 0}) + Record(0x2000, 0, {0xFF, 0x3F}) + kEnd,
         k4K, 2, "line 2: word address 0x1000 is outside the 4096 words of program memory"},
        {"EEPROM beyond 128 bytes", Record(0x4300, 0, {0x12, 0}) + kEnd, k4K, 1,
         "line 1: EEPROM address 0x80 is outside the 128 bytes"},
        {"between IDs and EEPROM",
         Record(0x4100, 0, {0, 0}) + kEnd,
         {},
         1,
         "line 1: byte address 0x4100 is outside the chip's memory"},
        {"beyond EEPROM",
         Record(0x43FE, 0, {1, 0, 2, 0}) + kEnd,
         {},
         1,
         "line 1: byte address 0x4400 is outside"},
        {"above 64 KiB",
         Record(0, 4, {0, 1}) + Record(0, 0, {0, 0}) + kEnd,
         {},
         2,
         "line 2: byte address 0x10000 is outside"},
        {"configuration word 2 on a chip that lacks it", Record(0x4010, 0, {0xFF, 0x3F}) + kEnd,
         BoundsOf(*FindDevice("16f877a")), 1,
         "line 1: configuration word 2 (0x2008) is not on the PIC16F877A; is the file for "
         "another chip?"},
        {"no end record",
         Record(0, 0, {0x05, 0x28}) + "\n",
         {},
         2,
         "line 2: the file ends without an end-of-file record"},
        {"empty", "", {}, 1, "line 1: the file ends without an end-of-file record"},
        {"record after the end record",
         kEnd + "\n" + Record(0, 0, {0x05, 0x28}),
         {},
         3,
         "line 3: a record after the end-of-file record on line 1"},
    };
    for (const Case& c : cases) {
        const HexParseResult result = ParseChipImageHex(c.text, c.bounds);
        EXPECT_FALSE(result) << c.name;
        EXPECT_EQ(result.line, c.line) << c.name;
        EXPECT_EQ(result.error.rfind(c.message, 0), 0U) << c.name << ": " << result.error;
    }
}

TEST(ChipImageHex, EveryLocationSurvivesFormatAndParse) {
    ChipImage image;
    for (std::uint16_t w = 0; w < kMaxProgramWords; w += 3) {
        image.program[w] = static_cast<std::uint16_t>((w * 37U + 5U) & 0x3FFF);
    }
    image.program[0x1FFF] = 0x0000;
    image.ids = {0x0001, std::nullopt, 0x3FFF, 0x0ABC};
    image.debugVector = 0x2800;
    image.deviceId = 0x0E23;
    image.config[0] = 0x3F72;
    for (std::size_t e = 1; e < kMaxEepromBytes; e += 2) {
        image.eeprom[e] = static_cast<std::uint8_t>(255 - e);
    }
    const std::string text = FormatChipImageHex(image);
    EXPECT_EQ(Parsed(text), image);
    EXPECT_EQ(FormatChipImageHex(Parsed(text)), text);
    EXPECT_EQ(FormatChipImageHex(ChipImage{}), kEnd);
}

// The maps of the next families, said as regions alone: a second
// configuration word at 0x2008 and a calibration word at 0x2009; OSCCAL in
// the last program word. Their words land in their regions and are written
// back where they came from.
TEST(ChipImageHex, RegionsPlaceSecondConfigWordsAndCalibrationWords) {
    constexpr MemoryRegion kTwoConfigWords[] = {
        {RegionKind::Program, 0x0000, 0x2000, 14, 0x0000},
        {RegionKind::Id, 0x2000, 4, 14, 0x4000},
        {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
        {RegionKind::Config, 0x2007, 2, 14, 0x400E},
        {RegionKind::Calibration, 0x2009, 1, 14, 0x4012},
        {RegionKind::Eeprom, 0x0000, 256, 8, 0x4200},
    };
    constexpr MemoryRegion kOscillatorCalibration[] = {
        {RegionKind::Program, 0x0000, 0x03FF, 14, 0x0000},
        {RegionKind::Calibration, 0x03FF, 1, 14, 0x07FE},
        {RegionKind::Id, 0x2000, 4, 14, 0x4000},
        {RegionKind::Config, 0x2007, 1, 14, 0x400E},
        {RegionKind::Eeprom, 0x0000, 128, 8, 0x4200},
    };
    const std::string twoConfigWords = Record(0x0000, 0, {0x05, 0x28}) +
                                       Record(0x400E, 0, {0xD4, 0x20}) +
                                       Record(0x4010, 0, {0xFF, 0x3E, 0x80, 0x13}) + kEnd;
    const HexParseResult parsed = ParseChipImageHex(twoConfigWords, {kTwoConfigWords});
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(parsed.image->config[0], 0x20D4);
    EXPECT_EQ(parsed.image->config[1], 0x3EFF);
    EXPECT_EQ(parsed.image->calibration[0], 0x1380);
    EXPECT_EQ(FormatChipImageHex(*parsed.image, kTwoConfigWords), twoConfigWords);

    const std::string osccal =
        Record(0x07F0, 0, {0x05, 0x28}) + Record(0x07FE, 0, {0x48, 0x34}) + kEnd;
    const HexParseResult calibrated = ParseChipImageHex(osccal, {kOscillatorCalibration});
    ASSERT_TRUE(calibrated) << calibrated.error;
    EXPECT_EQ(calibrated.image->program[0x03F8], 0x2805);
    EXPECT_FALSE(calibrated.image->program[0x03FF].has_value());
    EXPECT_EQ(calibrated.image->calibration[0], 0x3448);
    EXPECT_EQ(FormatChipImageHex(*calibrated.image, kOscillatorCalibration), osccal);
}

TEST(ChipImageHex, EepromSitsAtByteAddress4200OneBytePerWord) {
    ChipImage image;
    image.eeprom[0] = 0xAB;
    image.eeprom[1] = 0xCD;
    image.eeprom[255] = 0x01;
    EXPECT_EQ(FormatChipImageHex(image),
              Record(0x4200, 0, {0xAB, 0, 0xCD, 0}) + Record(0x43FE, 0, {0x01, 0}) + kEnd);
    // The high byte of an EEPROM word is not part of the byte.
    const ChipImage parsed = Parsed(Record(0x4204, 0, {0x5A, 0xFF}) + kEnd);
    EXPECT_EQ(parsed.eeprom[2], 0x5A);
    EXPECT_EQ(parsed.eeprom[1], std::nullopt);
}

TEST(ChipImageHex, RecordsStopAtGapsAndSixteenByteBoundaries) {
    ChipImage image;
    for (std::uint16_t w = 6; w < 14; ++w) {
        image.program[w] = w;
    }
    image.program[15] = 0x3FFF;
    EXPECT_EQ(FormatChipImageHex(image),
              Record(0x000C, 0, {6, 0, 7, 0})                                    //
                  + Record(0x0010, 0, {8, 0, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0})  //
                  + Record(0x001E, 0, {0xFF, 0x3F}) + kEnd);
}

TEST(ChipImageHex, ExtendedAddressRecordsMoveTheBase) {
    // Segment 0x0400 (byte 0x4000) + offset 0x000E is the configuration word.
    const ChipImage segment = Parsed(Record(0, 2, {0x04, 0x00}) + Record(0x000E, 0, {0x72, 0x3F}) +
                                     Record(0, 4, {0, 0}) + Record(0x0002, 0, {0x05, 0x28}) + kEnd);
    EXPECT_EQ(segment.config[0], 0x3F72);
    EXPECT_EQ(segment.program[1], 0x2805);
}

TEST(ChipImageHex, LineEndsAndTheRestOfAWordFollowTheUsualTools) {
    const std::string records[] = {Record(0, 0, {0x05, 0x28}), kEnd};
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        std::string text;
        for (std::string record : records) {
            record.pop_back();
            text += record + lineEnd + lineEnd;
        }
        EXPECT_EQ(Parsed(text).program[0], 0x2805) << "line end " << int{lineEnd[0]};
        text.insert(text.find(":0000"), ":00000007F9" + std::string(lineEnd));
        const HexParseResult bad = ParseChipImageHex(text);
        EXPECT_EQ(bad.line, 3U) << "line end " << int{lineEnd[0]} << ": " << bad.error;
    }
    // A lone low byte keeps an erased high byte; words keep 14 bits; the
    // reserved word 0x2005 is dropped; blanks and a DOS end-of-file character
    // may follow the end record.
    const ChipImage image = Parsed(Record(0, 0, {0x05}) + Record(0x0002, 0, {0xFF, 0xFF}) +
                                   Record(0x400A, 0, {0x00, 0x00}) + kEnd + " \n\t\r\n\x1A");
    EXPECT_EQ(image.program[0], 0x3F05);
    EXPECT_EQ(image.program[1], 0x3FFF);
    EXPECT_EQ(image, [] {
        ChipImage expected;
        expected.program[0] = 0x3F05;
        expected.program[1] = 0x3FFF;
        return expected;
    }());
}

// Compilers end their files with lines that are not records (CCS adds
// ";PIC16F877" and ";CRC=D692  CREATED=..." whose time holds a ':'): they are
// skipped with either line end, while a record after the end record is not.
TEST(ChipImageHex, LinesAfterTheEndRecordAreSkippedUnlessTheyAreRecords) {
    const std::string body = Record(0, 0, {0x05, 0x28}) + Record(0x400E, 0, {0x32, 0x3F}) + kEnd;
    const std::string ccs = ";PIC16F877\n;CRC=D692  CREATED=\"10-Ara-21 18:02\"\n";
    struct Case {
        const char* name;
        std::string after;
        std::size_t badLine;  // 0: accepted
    };
    const Case cases[] = {
        {"compiler comments", ccs, 0},
        {"blank lines and text", "\n \nnotes: none\n\x1A", 0},
        {"record after the comments", ccs + Record(0x0002, 0, {0, 0}), 6},
        {"indented record", "\n  " + kEnd, 5},
    };
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        for (const Case& c : cases) {
            std::string text;
            for (char ch : body + c.after) {
                text += ch == '\n' ? lineEnd : std::string(1, ch);
            }
            const HexParseResult result = ParseChipImageHex(text);
            const std::string where = std::string(c.name) + (lineEnd.size() == 2 ? ", CRLF" : "");
            if (c.badLine == 0) {
                ASSERT_TRUE(result) << where << ": " << result.error;
                EXPECT_EQ(result.image->program[0], 0x2805) << where;
                EXPECT_EQ(result.image->config[0], 0x3F32) << where;
            } else {
                EXPECT_EQ(result.error, "line " + std::to_string(c.badLine) +
                                            ": a record after the end-of-file record on line 3")
                    << where;
            }
        }
    }
}

}  // namespace
}  // namespace tallis
