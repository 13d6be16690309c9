#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/ChipHexFile.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim {
namespace {

namespace fs = std::filesystem;

class HexFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("tallis-sim-hex-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path Path(const char* name) const { return dir_ / name; }
    void Write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    static ChipMemory Sample(TargetType type) {
        ChipMemory memory = ChipMemory::Blank(type, DefaultDeviceId(type));
        for (std::size_t i = 0; i < memory.program.size(); ++i) {
            memory.program[i] = static_cast<std::uint16_t>((i * 37U + 5U) & kWordMask);
        }
        memory.config[0] = 0x0001;
        memory.config[3] = 0x0ABC;
        memory.ConfigWord() = NormalizeConfigWord(type, 0x2F72);
        if (type == TargetType::Pic16F887) {
            memory.ConfigWord2() = NormalizeConfigWord2(0x3BFF);
        }
        for (std::size_t i = 0; i < memory.eeprom.size(); ++i) {
            memory.eeprom[i] = static_cast<std::uint8_t>(255 - i);
        }
        return memory;
    }

    fs::path dir_;
};

TEST_F(HexFile, SavedChipLoadsBackTheSame) {
    for (TargetType type : {TargetType::Pic16F877, TargetType::Pic16F877A, TargetType::Pic16F887}) {
        SimulatedTarget source{TargetOptions{.type = type}};
        source.Chip().LoadMemory(Sample(type));
        ASSERT_TRUE(source.SaveHex(Path("chip.hex")));

        SimulatedTarget copy{TargetOptions{.type = type}};
        const HexStatus status = copy.LoadHex(Path("chip.hex"));
        ASSERT_TRUE(status) << status.message;
        EXPECT_EQ(copy.Chip().Memory(), source.Chip().Memory()) << TargetTypeName(type);
    }
}

TEST_F(HexFile, LayoutIsTheUsualPicLayoutForAnyHexTool) {
    const ChipMemory memory = Sample(TargetType::Pic16F877A);
    ASSERT_TRUE(SaveChipHex(memory, TargetType::Pic16F877A, Path("chip.hex")));
    if (std::system("command -v objcopy >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "objcopy not installed";
    }
    const std::string command =
        "objcopy -I ihex -O binary " + Path("chip.hex").string() + " " + Path("chip.bin").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream file(Path("chip.bin"), std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(bytes.size(), 0x4400U);  // up to the last EEPROM word
    auto word = [&](std::size_t byteAddress) {
        return static_cast<std::uint16_t>(bytes[byteAddress] | (bytes[byteAddress + 1] << 8));
    };
    EXPECT_EQ(word(2 * 0x0123), memory.program[0x123]);
    EXPECT_EQ(word(2 * 0x1FFF), memory.program[0x1FFF]);
    EXPECT_EQ(word(0x4006), 0x0ABC);
    EXPECT_EQ(word(0x400C), memory.DeviceId());
    EXPECT_EQ(word(0x400E), memory.ConfigWord());
    EXPECT_EQ(word(0x4200 + 2 * 9), memory.eeprom[9]);
}

TEST_F(HexFile, MissingAddressesAreErasedAndDeviceIdStaysTheChips) {
    SimulatedTarget target;
    ChipMemory full = Sample(TargetType::Pic16F877A);
    target.Chip().LoadMemory(full);
    // word 0 = 0x2805, word 0x2006 = 0x1234 (ignored), config 0x0000; nothing else.
    Write(Path("small.hex"), ":020000000528D1\n:02400C0034126C\n:02400E000000B0\n:00000001FF\n");
    const HexStatus status = target.LoadHex(Path("small.hex"));
    ASSERT_TRUE(status) << status.message;
    const ChipMemory& memory = target.Chip().Memory();
    EXPECT_EQ(memory.program[0], 0x2805);
    EXPECT_EQ(memory.program[1], kErasedWord);
    EXPECT_EQ(memory.eeprom[0], kErasedByte);
    EXPECT_EQ(memory.DeviceId(), DefaultDeviceId(TargetType::Pic16F877A));
    EXPECT_EQ(memory.ConfigWord(), 0x1030);  // unimplemented bits read 1
}

TEST_F(HexFile, BadFilesAreRejectedWithoutTouchingTheChip) {
    struct Case {
        const char* name;
        const char* text;
        const char* messagePart;
    };
    const Case cases[] = {
        {"no colon", "020000000528D1\n:00000001FF\n", "':'"},
        {"bad checksum", ":020000000528D2\n:00000001FF\n", "checksum"},
        {"bad digit", ":0200000005G8D1\n:00000001FF\n", "hexadecimal"},
        {"count mismatch", ":030000000528D1\n:00000001FF\n", "byte count"},
        {"odd digits", ":020000000528D\n:00000001FF\n", "odd"},
        {"no end record", ":020000000528D1\n", "end-of-file"},
        {"outside the chip", ":02500000FFFFB0\n:00000001FF\n", "outside"},
        {"far via extended address", ":020000040001F9\n:020000000528D1\n:00000001FF\n", "outside"},
        {"unknown type", ":00000007F9\n:00000001FF\n", "type"},
        {"empty", "", "end-of-file"},
    };
    for (const Case& c : cases) {
        SimulatedTarget target;
        ChipMemory before = Sample(TargetType::Pic16F877A);
        target.Chip().LoadMemory(before);
        before = target.Chip().Memory();
        Write(Path("bad.hex"), c.text);
        const HexStatus status = target.LoadHex(Path("bad.hex"));
        EXPECT_FALSE(status) << c.name;
        EXPECT_NE(status.message.find(c.messagePart), std::string::npos)
            << c.name << ": " << status.message;
        EXPECT_EQ(target.Chip().Memory(), before) << c.name;
    }
}

TEST_F(HexFile, EveryTruncationOfAGoodFileFailsCleanlyOrLoadsWhole) {
    ChipMemory small = ChipMemory::Blank(TargetType::Pic16F877A, 0x0E23);
    small.program[1] = 0x1234;
    small.eeprom[2] = 0x56;
    const std::string text = FormatChipHex(small, TargetType::Pic16F877A);
    const ChipMemory untouched = Sample(TargetType::Pic16F877A);
    for (std::size_t length = 0; length < text.size(); length += 7) {
        ChipMemory memory = untouched;
        const HexStatus status =
            ParseChipHex(text.substr(0, length), TargetType::Pic16F877A, memory);
        ASSERT_FALSE(status) << length;  // the end record is the file's last line
        ASSERT_FALSE(status.message.empty());
        ASSERT_EQ(memory, untouched) << length;
    }
    ChipMemory memory = untouched;
    ASSERT_TRUE(ParseChipHex(text, TargetType::Pic16F877A, memory));
    EXPECT_EQ(memory, small);
}

TEST_F(HexFile, MissingFileIsAClearError) {
    SimulatedTarget target;
    const HexStatus status = target.LoadHex(Path("none.hex"));
    EXPECT_FALSE(status);
    EXPECT_NE(status.message.find("none.hex"), std::string::npos);
}

TEST_F(HexFile, AcceptsCrLfAndLowerCaseAndBlankLines) {
    ChipMemory memory = ChipMemory::Blank(TargetType::Pic16F877, 0x09A6);
    const HexStatus status =
        ParseChipHex(":020000000528d1\r\n\r\n:00000001ff\r\n", TargetType::Pic16F877, memory);
    ASSERT_TRUE(status) << status.message;
    EXPECT_EQ(memory.program[0], 0x2805);
}

}  // namespace
}  // namespace tallis::sim
