#include <gtest/gtest.h>

#include <algorithm>

#include "app/MemoryLayout.h"

namespace tallis::test {
namespace {

TEST(MemoryLayout, ConfigurationWordDecodedIntoNamedFieldsWithIdsAndDeviceId) {
    ChipImage image;
    image.config[0] = 0x3F72;
    image.ids = {0x0001, 0x0002, std::nullopt, 0x000F};
    image.deviceId = 0x0E23;
    const std::vector<ConfigLine> lines = ConfigLines(image, *FindDevice("16f877a"));

    ASSERT_GE(lines.size(), 6U);
    EXPECT_EQ(lines.front().value, "0x3F72");
    auto named = [&](const std::string& name) {
        for (const ConfigLine& line : lines) {
            if (line.name == name) {
                return line;
            }
        }
        return ConfigLine{};
    };
    EXPECT_EQ(named("FOSC").value, "0x2");
    EXPECT_EQ(named("FOSC").meaning, "HS oscillator");
    EXPECT_EQ(named("ID 2").value, "----");
    EXPECT_EQ(named("ID 3").value, "0x000F");
    EXPECT_EQ(named("Device ID").meaning, "PIC16F877A, revision 3");
}

// A PIC16F887: both configuration words decoded, each into its own fields,
// and the calibration word with its trims.
TEST(MemoryLayout, BothConfigurationWordsAndTheCalibrationWordAreDecoded) {
    ChipImage image;
    image.config = {0x3FF2, 0x3AFF};
    image.calibration[0] = 0x2E5A;
    const std::vector<ConfigLine> lines = ConfigLines(image, *FindDevice("16f887"));
    // The first line of the name after the word at the address.
    const auto line = [&](const std::string& name, std::uint16_t address) {
        const auto found = std::ranges::find_if(
            lines, [&](const ConfigLine& l) { return l.name == name && l.address == address; });
        return found != lines.end() ? *found : ConfigLine{};
    };
    EXPECT_EQ(line("Configuration word", 0x2007).value, "0x3FF2");
    EXPECT_EQ(line("FOSC", 0x2007).meaning, "HS oscillator");
    EXPECT_EQ(line("Configuration word 2", 0x2008).value, "0x3AFF");
    EXPECT_EQ(line("WRT", 0x2008).meaning, "0x0000-0x07FF write-protected");
    EXPECT_EQ(line("BOR4V", 0x2008).meaning, "brown-out reset at 2.1 V");
    EXPECT_EQ(line("Calibration word 0", 0x2009).value, "0x2E5A");
    EXPECT_EQ(line("FCAL", 0x2009).value, "0x39");
    EXPECT_EQ(line("POR", 0x2009).value, "0x03");
    EXPECT_EQ(line("BOR", 0x2009).value, "0x02");
}

TEST(MemoryLayout, CellTexts) {
    EXPECT_TRUE(IsBlankWord(0x3FFF));
    EXPECT_TRUE(IsBlankWord(std::nullopt));
    EXPECT_FALSE(IsBlankWord(0x0000));
    EXPECT_EQ(ByteText(0x0A), "0A");
    EXPECT_EQ(std::string({ShownChar('A'), ShownChar(0x7F), ShownChar(0x1F), ShownChar({})}),
              "A...");
}

}  // namespace
}  // namespace tallis::test
