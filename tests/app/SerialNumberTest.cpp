// Serial numbers: how a number becomes the values of its locations, and a
// counter that never hands out a number twice, a run that died between a
// write and its verify included.
#include <gtest/gtest.h>

#include <fstream>

#include "app/SerialCounter.h"
#include "app/SerialNumber.h"

namespace tallis {
namespace {

struct EncodingCase {
    std::uint64_t number;
    SerialFormat format;
    const char* at;
    std::optional<std::vector<std::uint16_t>> values;  // in address order
};

TEST(SerialNumber, EncodesEachFormatIntoEachLocation) {
    using V = std::vector<std::uint16_t>;
    const EncodingCase cases[] = {
        {1234, SerialFormat::Dec, "eeprom:10", V{'4', '3', '2', '1'}},
        {1234, SerialFormat::Dec, "eeprom:10:4:be", V{'1', '2', '3', '4'}},
        {1234, SerialFormat::Dec, "eeprom:10:6:be", V{'0', '0', '1', '2', '3', '4'}},
        {0x12345678, SerialFormat::Hex, "eeprom:0:4", V{0x78, 0x56, 0x34, 0x12}},
        {0x1234, SerialFormat::Hex, "eeprom:0:2:be", V{0x12, 0x34}},
        {1234, SerialFormat::Bcd, "eeprom:0:2", V{0x34, 0x12}},
        {1234, SerialFormat::Bcd, "eeprom:0:3:be", V{0x00, 0x12, 0x34}},
        {1234, SerialFormat::Dec, "id", V{'1', '2', '3', '4'}},
        {1234, SerialFormat::Bcd, "id", V{1, 2, 3, 4}},
        {0x0FFFFFFF, SerialFormat::Hex, "id", V{0x7F, 0x7F, 0x7F, 0x7F}},
        {300, SerialFormat::Hex, "retlw:100:2", V{0x342C, 0x3401}},
        {300, SerialFormat::Hex, "retlw:100:2:be", V{0x3401, 0x342C}},
        // Numbers that do not fit their locations.
        {0x10000000, SerialFormat::Hex, "id", std::nullopt},
        {10000, SerialFormat::Dec, "eeprom:0:4", std::nullopt},
        {100, SerialFormat::Bcd, "eeprom:0:1", std::nullopt},
        {256, SerialFormat::Hex, "retlw:0:1", std::nullopt},
    };
    for (const EncodingCase& c : cases) {
        std::string problem;
        const auto at = ParseSerialLocation(c.at, problem);
        ASSERT_TRUE(at) << c.at << ": " << problem;
        EXPECT_EQ(EncodeSerial(c.number, c.format, *at), c.values) << c.number << " at " << c.at;
    }
}

TEST(SerialNumber, PlacesTheValuesAndFindsWhatTheFileFills) {
    std::string problem;
    const SerialLocation eeprom = *ParseSerialLocation("eeprom:10:2:be", problem);
    ChipImage image;
    PlaceSerial(image, eeprom, {0x12, 0x34});
    EXPECT_EQ(image.eeprom[0x10], 0x12);
    EXPECT_EQ(image.eeprom[0x11], 0x34);
    EXPECT_EQ(LocationFilledByFile(image, eeprom), "EEPROM byte 0x10");
    const SerialLocation retlw = *ParseSerialLocation("retlw:1F0", problem);
    EXPECT_EQ(LocationFilledByFile(image, retlw), std::nullopt);
    image.program[0x1F3] = 0x3400;
    EXPECT_EQ(LocationFilledByFile(image, retlw), "program memory 0x01F3");
    PlaceSerial(image, *ParseSerialLocation("id", problem), {1, 2, 3, 4});
    EXPECT_EQ(image.ids[3], 4);
}

TEST(SerialNumber, RefusesLocationsThatAreNotOnes) {
    for (const char* text : {"eeprom", "eeprom:zz", "eeprom:FF:2", "retlw:1FFF:2", "eeprom:0:0",
                             "eeprom:0:9", "id:4", "flash:0", "eeprom:0:2:le"}) {
        std::string problem;
        EXPECT_FALSE(ParseSerialLocation(text, problem)) << text;
        EXPECT_FALSE(problem.empty()) << text;
    }
    SerialPlan plan;
    EXPECT_TRUE(ParseSerialStart("1000:5", plan));
    EXPECT_EQ(plan.start, 1000U);
    EXPECT_EQ(plan.step, 5U);
    EXPECT_FALSE(ParseSerialStart("1000:0", plan));
    EXPECT_FALSE(ParseSerialStart("x", plan));
}

class SerialCounterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("tallis-serial-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::optional<SerialCounter> Open() {
        std::string problem;
        auto counter = SerialCounter::Open(dir_ / "serial.txt", 1000, 5, problem);
        EXPECT_EQ(problem, "");
        return counter;
    }
    std::string Text() const {
        std::ifstream file(dir_ / "serial.txt");
        return std::string((std::istreambuf_iterator<char>(file)), {});
    }
    std::filesystem::path dir_;
};

TEST_F(SerialCounterTest, NeverHandsOutANumberTwiceAcrossACrash) {
    std::uint64_t number = 0;
    {
        std::optional<SerialCounter> counter = Open();
        ASSERT_TRUE(counter);
        EXPECT_EQ(counter->Next(), 1000U);
        ASSERT_EQ(counter->Attempt(number), "");
        ASSERT_EQ(counter->Finish(number, true), "");  // 1000 verified
        EXPECT_EQ(counter->Next(), 1005U);
        ASSERT_EQ(counter->Attempt(number), "");  // 1005 written, then the run dies
        EXPECT_EQ(number, 1005U);
    }
    std::optional<SerialCounter> counter = Open();
    ASSERT_TRUE(counter);
    EXPECT_EQ(counter->Abandoned(), std::set<std::uint64_t>{1005});
    EXPECT_EQ(counter->Next(), 1010U);
    ASSERT_EQ(counter->Attempt(number), "");
    ASSERT_EQ(counter->Finish(number, false), "");  // 1010's chip failed: 1010 is free again
    EXPECT_EQ(counter->Next(), 1010U);
    EXPECT_EQ(Text(), "next 1010\n");
    EXPECT_TRUE(Open()->Abandoned().empty());
}

// Boards that hold numbers at once: each gets its own, a failed one's number
// goes to the next chip, and a crash leaves none of them to be used again.
TEST_F(SerialCounterTest, BoardsAtOnceHoldDistinctNumbers) {
    std::optional<SerialCounter> counter = Open();
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::uint64_t c = 0;
    ASSERT_EQ(counter->Attempt(a), "");
    ASSERT_EQ(counter->Attempt(b), "");
    EXPECT_EQ(a, 1000U);
    EXPECT_EQ(b, 1005U);
    ASSERT_EQ(counter->Finish(a, false), "");  // 1000 is free while 1005 is out
    EXPECT_EQ(Text(), "next 1010\nfree 1000\nattempted 1005\n");
    ASSERT_EQ(counter->Attempt(c), "");
    EXPECT_EQ(c, 1000U);
    counter.reset();  // the run dies with 1000 and 1005 in chips
    counter = Open();
    EXPECT_EQ(counter->Abandoned(), (std::set<std::uint64_t>{1000, 1005}));
    EXPECT_EQ(counter->Next(), 1010U);
}

TEST_F(SerialCounterTest, RefusesAFileThatIsNotACounter) {
    std::ofstream(dir_ / "serial.txt") << "next ten\n";
    std::string problem;
    EXPECT_FALSE(SerialCounter::Open(dir_ / "serial.txt", 1, 1, problem));
    EXPECT_NE(problem.find("is not a serial number file"), std::string::npos) << problem;
}

}  // namespace
}  // namespace tallis
