#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "device/ConfigDescription.h"
#include "device/Device.h"
#include "image/ChipImage.h"
#include "sim/ChipIds.h"

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

// What every row must satisfy for the operations and the memory views to
// work on it unchanged: sizes the address counter can wrap at, a latch that
// divides program memory, an option the command line can name.
TEST(DeviceTable, EveryRowIsUsableByTheOperations) {
    const auto powerOfTwo = [](unsigned n) { return n != 0 && (n & (n - 1)) == 0; };
    for (const Device& d : Devices()) {
        const std::string name(d.name);
        EXPECT_TRUE(powerOfTwo(d.programWords) && d.programWords <= 0x2000) << name;
        EXPECT_TRUE(powerOfTwo(d.eepromBytes) && d.eepromBytes <= 256) << name;
        EXPECT_TRUE(powerOfTwo(d.latchWords)) << name;
        EXPECT_EQ(d.programWords % d.latchWords, 0) << name;
        EXPECT_EQ(d.configImplemented & ~0x3FFF, 0) << name;
        EXPECT_EQ(d.testedOnHardware >> std::size(kDeviceOperations), 0U) << name;
        ASSERT_TRUE(name.starts_with("PIC")) << name;
        std::string option = name.substr(3);
        for (char& c : option) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(d.option, option) << name;
    }
}

// A row's memory map: what the operations, the HEX reader and writer and the
// memory views take from it without code of their own.
TEST(DeviceTable, EveryRowsRegionsAreAMemoryMap) {
    for (const Device& d : Devices()) {
        SCOPED_TRACE(d.name);
        const MemoryRegion* program = FindRegion(d.regions, RegionKind::Program);
        const MemoryRegion* eeprom = FindRegion(d.regions, RegionKind::Eeprom);
        ASSERT_TRUE(program != nullptr && eeprom != nullptr);
        EXPECT_EQ(program->start, 0);
        EXPECT_EQ(program->size, d.programWords);
        EXPECT_EQ(eeprom->size, d.eepromBytes);
        EXPECT_NE(FindRegion(d.regions, RegionKind::Config), nullptr);
        EXPECT_NE(FindRegion(d.regions, RegionKind::DeviceId), nullptr);
        for (const MemoryRegion& a : d.regions) {
            EXPECT_EQ(a.width, a.kind == RegionKind::Eeprom ? 8 : 14);
            EXPECT_LE(a.size, ChipImage::Capacity(a.kind));
            for (const MemoryRegion& b : d.regions) {
                if (&a == &b) {
                    continue;
                }
                const bool sameSpace =
                    (a.kind == RegionKind::Eeprom) == (b.kind == RegionKind::Eeprom);
                EXPECT_FALSE(sameSpace && a.start < b.End() && b.start < a.End())
                    << "regions overlap at " << a.start;
                EXPECT_FALSE(a.hexStart < b.HexEnd() && b.hexStart < a.HexEnd())
                    << "HEX placements overlap at " << a.hexStart;
            }
        }
    }
}

// The device IDs against the data sheets (DS39025, DS39589, DS41287, DS41196,
// DS30262, DS39607), and the simulated chip's own copy against the same: a
// slip in either table fails here. DS39607 prints four revision bits; the
// rows take the five that established programmers read, as the simulated
// chip does.
TEST(DeviceTable, IdsAreTheDataSheets) {
    struct Sheet {
        const char* name;
        std::uint16_t id;
        std::uint16_t mask;
    };
    const Sheet sheets[] = {
        {"PIC16F873", 0x0960, 0x3FE0},  {"PIC16F874", 0x0920, 0x3FE0},
        {"PIC16F876", 0x09E0, 0x3FE0},  {"PIC16F877", 0x09A0, 0x3FE0},
        {"PIC16F873A", 0x0E40, 0x3FF0}, {"PIC16F874A", 0x0E60, 0x3FF0},
        {"PIC16F876A", 0x0E00, 0x3FF0}, {"PIC16F877A", 0x0E20, 0x3FF0},
        {"PIC16F882", 0x2000, 0x3FE0},  {"PIC16F883", 0x2020, 0x3FE0},
        {"PIC16F884", 0x2040, 0x3FE0},  {"PIC16F886", 0x2060, 0x3FE0},
        {"PIC16F887", 0x2080, 0x3FE0},  {"PIC16F627A", 0x1040, 0x3FE0},
        {"PIC16F628A", 0x1060, 0x3FE0}, {"PIC16F648A", 0x1100, 0x3FE0},
        {"PIC16F84A", 0x0560, 0x3FE0},  {"PIC16F87", 0x0720, 0x3FE0},
        {"PIC16F88", 0x0760, 0x3FE0},
    };
    ASSERT_EQ(std::size(sheets), Devices().size()) << "a row without its data sheet's ID";
    for (const Sheet& sheet : sheets) {
        const Device* device = FindDevice(sheet.name);
        ASSERT_NE(device, nullptr) << sheet.name;
        EXPECT_EQ(device->deviceId, sheet.id) << sheet.name;
        EXPECT_EQ(device->idMask, sheet.mask) << sheet.name;
        EXPECT_EQ(sim::ChipIdWord(sheet.name, 0), sheet.id) << sheet.name << " (simulated)";
        const auto revisionBits = static_cast<std::uint16_t>(~sheet.mask & 0x3FFF);
        EXPECT_EQ(sim::ChipIdWord(sheet.name, 0xFFFF), sheet.id | revisionBits) << sheet.name;
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
    EXPECT_EQ(FindDevice("16f8"), nullptr);
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
