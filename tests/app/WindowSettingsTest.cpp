#include <gtest/gtest.h>

#include "app/WindowSettings.h"

namespace tallis::test {
namespace {

TEST(WindowSettings, RoundTripThroughTheStore) {
    WindowSettings saved;
    saved.portNumber = 0;
    saved.portBase = 0xE010;
    saved.chip = "16f877";
    saved.deviceChip = "16f876a";
    saved.portDriver = PortDriver::InpOut;
    saved.lastFolder = "/home/me/hex";
    for (int i = 0; i < 10; ++i) {
        saved.AddRecentFile("/home/me/hex/" + std::to_string(i % 9) + ".hex");
    }
    saved.position = WindowPosition{-20, 300};
    saved.production = {.count = "50",
                        .logPath = "/home/me/chips.csv",
                        .csv = true,
                        .serialStart = "1000:2",
                        .serialAt = "eeprom:0:4:be",
                        .serialFormat = "bcd",
                        .serialFile = "/home/me/serial",
                        .serialOverwrite = true};
    MemorySettingsStore store;

    SaveWindowSettings(saved, store);

    EXPECT_EQ(LoadWindowSettings(store), saved);
    ASSERT_EQ(saved.recentFiles.size(), WindowSettings::kMaxRecentFiles);
    EXPECT_EQ(saved.recentFiles.front(), "/home/me/hex/0.hex") << "the newest first, once";
    EXPECT_EQ(saved.recentFiles.back(), "/home/me/hex/2.hex");
}

TEST(WindowSettings, ValuesNotUnderstoodKeepTheirDefaults) {
    MemorySettingsStore store;
    for (const auto& [key, value] : {std::pair{"port", "0xFFFE"},
                                     {"chip", "18f452"},
                                     {"portDriver", "giveio"},
                                     {"production/serialFormat", "oct"},
                                     {"window/x", "12a"},
                                     {"window/y", "5"}}) {
        store.SetValue(key, value);
    }
    EXPECT_EQ(LoadWindowSettings(store), WindowSettings{});
    store.SetValue("port", "0x3F8");
    EXPECT_EQ(LoadWindowSettings(store), WindowSettings{}) << "COM1's address is no parallel port";
}

}  // namespace
}  // namespace tallis::test
