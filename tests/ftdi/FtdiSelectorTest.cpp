// What "ftdi:WHICH" names, for both device libraries: parsed, then looked up
// in the list of devices.
#include <gtest/gtest.h>

#include <vector>

#include "ftdi/FtdiSelector.h"

namespace tallis::ftdi {
namespace {

using By = FtdiSelector::By;

TEST(FtdiSelector, ParsesEachFormWithAnOptionalChannel) {
    struct Case {
        const char* text;
        By by;
        int index;
        int vid;
        int pid;
        const char* serial;
        int channel;
    };
    const Case cases[] = {
        {"", By::Only, 0, 0, 0, "", 0},
        {"2", By::Index, 2, 0, 0, "", 0},
        {"0403:6014", By::Ids, 0, 0x0403, 0x6014, "", 0},
        {"FT0TALLIS", By::Serial, 0, 0, 0, "FT0TALLIS", 0},
        {"FT0TALLIS:b", By::Serial, 0, 0, 0, "FT0TALLIS", 2},
        {"1:D", By::Index, 1, 0, 0, "", 4},
        {"0403:6010:A", By::Ids, 0, 0x0403, 0x6010, "", 1},
        {"A1B2:XYZ", By::Serial, 0, 0, 0, "A1B2:XYZ", 0},  // not hexadecimal IDs
        {"SER:E", By::Serial, 0, 0, 0, "SER:E", 0},        // no channel E
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FtdiSelector selector = ParseFtdiSelector(c.text);
        EXPECT_EQ(selector.by, c.by);
        EXPECT_EQ(selector.index, c.index);
        EXPECT_EQ(selector.vid, c.vid);
        EXPECT_EQ(selector.pid, c.pid);
        EXPECT_EQ(selector.serial, c.serial);
        EXPECT_EQ(selector.channel, c.channel);
    }
}

TEST(FtdiSelector, ChoosesTheNamedDeviceOrSaysWhichThereAre) {
    std::vector<FtdiListing> two(2);
    two[0].index = 3;
    two[0].serial = "AAA";
    two[1].index = 5;
    struct Case {
        const char* text;
        std::optional<std::size_t> place;
        const char* problem;
    };
    const Case cases[] = {
        {"BBB", std::nullopt, "no FTDI device with serial number BBB; there are: ftdi:AAA, ftdi:5"},
        {"AAA", 0, ""},
        {"5", 1, ""},  // the listing's own index, not its place
        {"1", std::nullopt, "no FTDI device number 1; there are: ftdi:AAA, ftdi:5"},
        {"", std::nullopt, "several FTDI devices: choose one with --port ftdi:AAA, ftdi:5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string problem;
        EXPECT_EQ(ChooseFtdiDevice(ParseFtdiSelector(c.text), two, problem), c.place);
        EXPECT_EQ(problem, c.problem);
    }
    std::string problem;
    EXPECT_EQ(ChooseFtdiDevice({}, std::span(two).first(1), problem), 0u);
    EXPECT_FALSE(ChooseFtdiDevice({}, {}, problem));
    EXPECT_NE(problem.find("no FTDI device found"), std::string::npos);
}

}  // namespace
}  // namespace tallis::ftdi
