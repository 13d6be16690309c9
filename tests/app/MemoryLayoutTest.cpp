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

TEST(MemoryLayout, EveryConfigurationAndCalibrationWordOfTheRegionsHasItsLine) {
    constexpr MemoryRegion kRegions[] = {
        {RegionKind::Program, 0x0000, 0x2000, 14, 0x0000},
        {RegionKind::Id, 0x2000, 4, 14, 0x4000},
        {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
        {RegionKind::Config, 0x2007, 2, 14, 0x400E},
        {RegionKind::Calibration, 0x2009, 1, 14, 0x4012},
        {RegionKind::Eeprom, 0x0000, 256, 8, 0x4200},
    };
    Device twoConfigWords = *FindDevice("16f877a");
    twoConfigWords.regions = kRegions;
    ChipImage image;
    image.config = {0x3F72, 0x3EFF};
    image.calibration[0] = 0x1380;
    const std::vector<ConfigLine> lines = ConfigLines(image, twoConfigWords);
    const auto line = [&](const std::string& name) {
        const auto found = std::ranges::find(lines, name, &ConfigLine::name);
        return found != lines.end() ? *found : ConfigLine{};
    };
    EXPECT_EQ(line("Configuration word").address, 0x2007);
    EXPECT_EQ(line("Configuration word 2").value, "0x3EFF");
    EXPECT_EQ(line("Configuration word 2").address, 0x2008);
    EXPECT_EQ(line("Calibration word 0").value, "0x1380");
    EXPECT_EQ(line("Calibration word 0").address, 0x2009);
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
