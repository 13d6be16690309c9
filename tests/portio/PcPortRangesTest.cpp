#include "portio/PcPortRanges.h"

#include <gtest/gtest.h>

namespace tallis {
namespace {

TEST(PcPortRanges, RefusesBasesWhoseRegistersReachThePcsOwnDevices) {
    struct Case {
        std::uint16_t base;
        bool owned;
    };
    const Case cases[] = {
        {0x0060, true},   // keyboard controller
        {0x00FD, true},   // the third register is 0xFF
        {0x00FE, true},   // the first register is still on the system board
        {0x0100, false},  // the first free address
        {0x0278, false},  // LPT 2
        {0x0378, false},  // LPT 1
        {0x03BC, false},  // LPT on a monochrome adapter, between the display ranges
        {0x03B9, true},   // its third register is the display adapter's 0x3BB
        {0x03F6, true},   // disk and floppy
        {0x03F8, true},   // COM1
        {0x0CF6, true},   // the third register is PCI configuration 0xCF8
        {0x0CF9, true},   // reset control
        {0x0D00, false}, {0xD010, false},  // a PCI card's port
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PcRangeTouchedBy(c.base).has_value(), c.owned) << std::hex << c.base;
    }
}

}  // namespace
}  // namespace tallis
