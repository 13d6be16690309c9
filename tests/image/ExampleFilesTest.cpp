#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>

#include "image/ChipImageHex.h"
#include "image/HexRecordReader.h"
#include "image/WordAddressClass.h"

namespace tallis {
namespace {

// What a walk over a whole image found, record by record, the way a
// programming run takes the text apart.
struct Walk {
    bool reachedEndRecord = false;
    bool allSound = true;
    bool truncated = false;
    int records = 0;
    std::map<std::uint16_t, std::uint16_t> programWords;  // word address -> word
    std::map<std::uint16_t, std::uint16_t> otherWords;    // config, IDs, EEPROM
};

void WalkRecord(HexRecordReader& reader, Walk& walk) {
    const auto header = reader.ReadRecordHeader();
    ASSERT_TRUE(header) << "no record at " << reader.ReadPosition;
    ++walk.records;
    if (header->WordCount == 0) {
        walk.reachedEndRecord = true;
        return;
    }
    if (!header->IsDataRecord()) {
        reader.SkipRecord();
        return;
    }
    const bool program =
        ClassifyWordAddress(header->WordAddress) == WordAddressClass::ProgramMemory;
    auto& words = program ? walk.programWords : walk.otherWords;
    for (std::uint16_t i = 0; i < header->WordCount; ++i) {
        words[static_cast<std::uint16_t>(header->WordAddress + i)] = reader.ReadDataWord().Value();
    }
    walk.allSound = walk.allSound && reader.FinishRecord() == RecordCheck::Sound;
}

Walk WalkImage(const FirmwareImage& image) {
    Walk walk;
    HexRecordReader reader(image);
    reader.Reset();
    while (reader.ReadPosition < image.LastIndex && !walk.reachedEndRecord) {
        const char c = reader.TakeCurrentChar();
        if (c != '\r' && c != '\n') {
            WalkRecord(reader, walk);
            if (::testing::Test::HasFatalFailure()) {
                break;
            }
        }
        ++reader.ReadPosition;
    }
    walk.truncated = reader.Truncated();
    return walk;
}

struct ExampleCase {
    const char* name;
    // From gpasm's listing ("Program Memory Words Used").
    std::size_t programWords;
    // The first instruction (goto start) and the configuration word, worked
    // out by hand from the source and the processor's include file.
    std::uint16_t firstWord;
    std::uint16_t configWord;
    // ID locations and data EEPROM bytes, as 14-bit words above program memory.
    std::size_t idAndEepromWords;
};

void PrintTo(const ExampleCase& c, std::ostream* os) {
    *os << c.name;
}

class ExampleFileTest : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleFileTest, WalksWithSoundChecksums) {
    const ExampleCase& c = GetParam();
    const auto result = LoadFirmwareImage(std::string(TALLIS_EXAMPLES_DIR) + "/" + c.name + ".hex");
    ASSERT_TRUE(result.image) << result.error;

    const Walk walk = WalkImage(*result.image);
    EXPECT_TRUE(walk.reachedEndRecord);
    EXPECT_TRUE(walk.allSound);
    EXPECT_FALSE(walk.truncated);
    EXPECT_EQ(walk.programWords.size(), c.programWords);
    EXPECT_EQ(walk.programWords.at(0), c.firstWord);
    EXPECT_EQ(walk.otherWords.at(kConfigWordAddress), c.configWord);
    EXPECT_EQ(walk.otherWords.size(), 1 + c.idAndEepromWords);
}

TEST_P(ExampleFileTest, WordCountIsProgramWordsConfigAndTheExtendedAddressRecord) {
    const ExampleCase& c = GetParam();
    const auto result = LoadFirmwareImage(std::string(TALLIS_EXAMPLES_DIR) + "/" + c.name + ".hex");
    ASSERT_TRUE(result.image) << result.error;
    EXPECT_EQ(result.image->WordCount, c.programWords + 1 + 1);
}

TEST_P(ExampleFileTest, StrictParserReadsTheSameLocations) {
    const ExampleCase& c = GetParam();
    std::ifstream file(std::string(TALLIS_EXAMPLES_DIR) + "/" + c.name + ".hex", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const HexParseResult result = ParseChipImageHex(text);
    ASSERT_TRUE(result) << result.error;
    const ChipImage& image = *result.image;
    const auto present = [](const auto& locations) {
        return static_cast<std::size_t>(
            std::ranges::count_if(locations, [](const auto& at) { return at.has_value(); }));
    };
    EXPECT_EQ(present(image.program), c.programWords);
    EXPECT_EQ(image.program[0], c.firstWord);
    EXPECT_EQ(image.config[0], c.configWord);
    EXPECT_EQ(present(image.ids) + present(image.eeprom), c.idAndEepromWords);
}

INSTANTIATE_TEST_SUITE_P(Gpasm, ExampleFileTest,
                         ::testing::Values(ExampleCase{"blink877a", 25, 0x2805, 0x3F72, 0},
                                           ExampleCase{"counter877a", 51, 0x2816, 0x3F72, 0},
                                           ExampleCase{"eeprom877", 31, 0x2805, 0x3F71, 4 + 8}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis
