#include <gtest/gtest.h>

#include "app/MemoryLayout.h"

namespace tallis::test {
namespace {

TEST(MemoryLayout, ConfigurationWordDecodedIntoNamedFieldsWithIdsAndDeviceId) {
    ChipImage image;
    image.config = 0x3F72;
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
