#include <gtest/gtest.h>

#include "app/PortAddress.h"

namespace tallis::test {
namespace {

TEST(CheckPortAddress, GivesTheBaseOrWhyItIsRefused) {
    struct Case {
        std::string_view typed;
        std::optional<std::uint16_t> base;
        std::string_view refusal;
    };
    const Case cases[] = {
        {"E010", 0xE010, ""},
        {"0x3bc", 0x3BC, ""},
        {"FFFD", 0xFFFD, ""},
        {"CF5", 0xCF5, ""},  // its third register is the last before PCI configuration
        {"CF6", std::nullopt, kPcOwnedPortRefusal},
        {"3F8", std::nullopt, kPcOwnedPortRefusal},
        {"60", std::nullopt, kPcOwnedPortRefusal},
        {"FFFE", std::nullopt, kPortAddressFormatRefusal},
        {"0", std::nullopt, kPortAddressFormatRefusal},
        {"0x", std::nullopt, kPortAddressFormatRefusal},
        {"3 78", std::nullopt, kPortAddressFormatRefusal},
    };
    for (const Case& c : cases) {
        const CheckedPortAddress checked = CheckPortAddress(c.typed);
        EXPECT_EQ(checked.base, c.base) << c.typed;
        EXPECT_EQ(checked.refusal, c.refusal) << c.typed;
    }
}

}  // namespace
}  // namespace tallis::test
