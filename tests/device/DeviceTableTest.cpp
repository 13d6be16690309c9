#include <gtest/gtest.h>

#include <string>

#include "device/ConfigDescription.h"
#include "device/Device.h"

namespace tallis {
namespace {

TEST(DeviceTable, NoIdWordMatchesTwoDevices) {
    for (const Device& a : Devices()) {
        EXPECT_EQ(a.deviceId & ~a.idMask, 0) << a.name << ": revision bits in the ID";
        for (const Device& b : Devices()) {
            // Two masked IDs share a word when they agree on the bits both masks keep.
            const bool overlap = ((a.deviceId ^ b.deviceId) & a.idMask & b.idMask) == 0;
            EXPECT_EQ(overlap, &a == &b) << a.name << " and " << b.name;
        }
    }
}

TEST(DeviceTable, RowsAgreeWithNameAndFamily) {
    for (const Device& d : Devices()) {
        const std::string name(d.name);
        const bool isA = name.ends_with('A');
        const bool is4K = name.starts_with("PIC16F873") || name.starts_with("PIC16F874");
        EXPECT_EQ(d.family, isA ? Family::Pic16F87xA : Family::Pic16F87x) << name;
        EXPECT_EQ(d.idMask, isA ? 0x3FF0 : 0x3FE0) << name;
        EXPECT_EQ(d.latchWords, isA ? 8 : 1) << name;
        EXPECT_EQ(d.configImplemented, isA ? 0x2FCF : 0x3BFF) << name;
        EXPECT_EQ(d.programWords, is4K ? 4096 : 8192) << name;
        EXPECT_EQ(d.eepromBytes, is4K ? 128 : 256) << name;
        EXPECT_EQ(d.testedOnHardware, 0U) << name;
        std::string option = "16f" + name.substr(6);
        option.back() = isA ? 'a' : option.back();
        EXPECT_EQ(d.option, option) << name;
    }
}

TEST(DeviceTable, FieldsLieOnImplementedBitsAndChoicesWithinTheirMask) {
    for (const Device& d : Devices()) {
        std::uint16_t covered = 0;
        for (const ConfigField& field : d.configFields) {
            EXPECT_EQ(field.mask & ~d.configImplemented, 0) << d.name << " " << field.name;
            EXPECT_EQ(field.mask & covered, 0) << d.name << " " << field.name << " overlaps";
            covered |= field.mask;
            EXPECT_FALSE(field.choices.empty()) << d.name << " " << field.name;
            for (const ConfigChoice& choice : field.choices) {
                EXPECT_EQ(choice.value & ~field.mask, 0) << d.name << " " << choice.meaning;
            }
        }
        EXPECT_EQ(covered, d.configImplemented) << d.name << ": every implemented bit named";
    }
}

TEST(DeviceTable, FindDeviceTakesNameOrOptionInAnyCase) {
    for (const Device& d : Devices()) {
        EXPECT_EQ(FindDevice(d.name), &d);
        EXPECT_EQ(FindDevice(d.option), &d);
    }
    EXPECT_EQ(FindDevice("pic16F877a"), FindDevice("PIC16F877A"));
    EXPECT_EQ(FindDevice("16F873"), FindDevice("PIC16F873"));
    EXPECT_EQ(FindDevice("16f877a "), nullptr);
    EXPECT_EQ(FindDevice("16f87"), nullptr);
    EXPECT_EQ(FindDevice(""), nullptr);
}

TEST(DeviceTable, DeviceWithIdIgnoresOnlyTheRevisionBits) {
    for (const Device& d : Devices()) {
        const auto revisionBits = static_cast<std::uint16_t>(~d.idMask & 0x3FFF);
        for (std::uint16_t revision : {0, 1, 3, static_cast<int>(revisionBits)}) {
            const auto word = static_cast<std::uint16_t>(d.deviceId | revision);
            EXPECT_EQ(DeviceWithId(word), &d) << d.name << " revision " << revision;
            EXPECT_EQ(d.Revision(word), revision) << d.name;
        }
        // One bit above the revision names another chip or none.
        EXPECT_NE(DeviceWithId(static_cast<std::uint16_t>(d.deviceId ^ (revisionBits + 1))), &d);
    }
    EXPECT_EQ(DeviceWithId(0x3FFF), nullptr);  // nothing answered
    EXPECT_EQ(DeviceWithId(0x0000), nullptr);  // data line held low
}

TEST(ConfigDescription, NamesTheRangeForTheChipsSize) {
    struct Case {
        const char* device;
        std::uint16_t config;
        const char* field;
        const char* meaning;
    };
    const Case cases[] = {
        {"PIC16F877", 0x2F6A, "CP", "0x1F00-0x1FFF code-protected"},
        {"PIC16F873", 0x2F6A, "CP", "0x0F00-0x0FFF code-protected"},
        {"PIC16F873", 0x1F5A, "CP", "0x0800-0x0FFF code-protected"},
        {"PIC16F873", 0x2F4A, "CP", kUndefinedSetting.data()},  // copies differ
        {"PIC16F877A", 0x3DFF, "WRT", "0x0000-0x00FF write-protected"},
        {"PIC16F877A", 0x3BFF, "WRT", "0x0000-0x07FF write-protected"},
        {"PIC16F874A", 0x3BFF, "WRT", "0x0000-0x03FF write-protected"},
        {"PIC16F874A", 0x1FFF, "CP", "all program memory code-protected"},
        {"PIC16F876A", 0x3FFA, "FOSC", "HS oscillator"},
        {"PIC16F876", 0x3EFF, "CPD", "data EEPROM code-protected"},
        {"PIC16F876", 0x3FBF, "BODEN", "brown-out reset off"},
        {"PIC16F876A", 0x3FBF, "BOREN", "brown-out reset off"},
    };
    for (const Case& c : cases) {
        const Device* device = FindDevice(c.device);
        ASSERT_NE(device, nullptr) << c.device;
        bool found = false;
        for (const ConfigSetting& setting : DescribeConfig(*device, c.config)) {
            if (setting.field == c.field) {
                found = true;
                EXPECT_EQ(setting.value, c.config & setting.mask);
                EXPECT_EQ(setting.meaning, c.meaning) << c.device << " " << std::hex << c.config;
            }
        }
        EXPECT_TRUE(found) << c.device << " " << c.field;
    }
}

}  // namespace
}  // namespace tallis
