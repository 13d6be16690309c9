#include <gtest/gtest.h>

#include "image/ImageChecksum.h"

namespace tallis {
namespace {

const Device& Named(const char* name) {
    return *FindDevice(name);
}

// Each expected value was worked out by hand from the rule that --help states.
TEST(ImageChecksumTest, MatchesHandComputedSums) {
    ChipImage blank;
    // 4096 x 0x3FFF = 0x3FFF000 -> 0xF000, plus 0x3FFF & 0x2FCF = 0x2FCF.
    EXPECT_EQ(ImageChecksum(blank, Named("16f873a")), 0x1FCF);
    // 8192 x 0x3FFF -> 0xE000, plus 0x3FFF & 0x3BFF.
    EXPECT_EQ(ImageChecksum(blank, Named("16f877")), 0x1BFF);

    ChipImage file;
    file.program[0] = 0x2801;  // 0x0FCF - (0x3FFF - 0x2801) = 0xF7D1
    file.config[0] = 0x3F72;   // masked 0x2F42, 0x8D below the erased 0x2FCF
    file.ids[0] = 0x0001;      // IDs and EEPROM do not count
    file.eeprom[0] = 0x12;
    EXPECT_EQ(ImageChecksum(file, Named("16f877a")), 0xF744);
    EXPECT_EQ(ChecksumText(0xF744), "F744");
    EXPECT_EQ(ChecksumText(0x00AB), "00AB");
}

// Words past the device's program memory belong to no chip of that size.
TEST(ImageChecksumTest, CountsOnlyTheDevicesProgramMemory) {
    ChipImage file;
    file.program[0x1000] = 0x0000;
    EXPECT_EQ(ImageChecksum(file, Named("16f873a")), 0x1FCF);
    EXPECT_NE(ImageChecksum(file, Named("16f877a")), 0x0FCF);
}

// A chip reads its second configuration word's unused bits as 0: a file that
// sets them must still give the number the chip written from it gives.
TEST(ImageChecksumTest, CountsTheSecondConfigurationWordUnderItsImplementedBits) {
    ChipImage file;
    file.config[1] = 0x3FFF;
    ChipImage chip;
    chip.config[1] = 0x0700;
    EXPECT_EQ(ImageChecksum(file, Named("16f887")), ImageChecksum(chip, Named("16f887")));
    chip.config[1] = 0x0600;
    EXPECT_NE(ImageChecksum(file, Named("16f887")), ImageChecksum(chip, Named("16f887")));
}

}  // namespace
}  // namespace tallis
