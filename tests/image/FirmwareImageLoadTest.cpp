#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>

#include "image/FirmwareImage.h"

namespace tallis {
namespace {

namespace fs = std::filesystem;

class FirmwareImageLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("tallis-image-") + test->name() + "-" +
                                            std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path dir_;
};

struct LoadCase {
    const char* name;
    std::string fileBytes;
    std::string expectedText;
    std::uint32_t expectedWords;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadTextTest : public FirmwareImageLoadTest,
                     public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTextTest, KeepsTheBytesUpToCtrlZ) {
    const LoadCase& c = GetParam();
    const auto result = LoadFirmwareImage(WriteFile("f.hex", c.fileBytes));
    ASSERT_TRUE(result.image) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.image->Text(), c.expectedText);
    EXPECT_EQ(result.image->LastIndex, static_cast<std::int32_t>(c.expectedText.size()) - 1);
    EXPECT_EQ(result.image->WordCount, c.expectedWords);
}

const std::string kRecords =
    ":020000040000FA\r\n:020000000528D1\r\n:02400E00723FFF\r\n:00000001FF\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTextTest,
    ::testing::Values(LoadCase{"CrLfKept", kRecords, kRecords, 3},
                      LoadCase{"LfOnlyKept", ":020000000528D1\n:00000001FF\n",
                               ":020000000528D1\n:00000001FF\n", 1},
                      LoadCase{"Empty", "", "", 0},
                      LoadCase{"CtrlZInTheMiddle", kRecords + "\x1A:0200000001", kRecords, 3},
                      LoadCase{"CtrlZFirst", "\x1A" + kRecords, "", 0},
                      LoadCase{"FirstCharCarriageReturnStillLoaded", "\r\n" + kRecords,
                               "\r\n" + kRecords, 0},
                      LoadCase{"NulAndHighBytesKept", std::string("a\0\xFF\x80z", 5),
                               std::string("a\0\xFF\x80z", 5), 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase {
    const char* name;
    std::size_t textLength;  // characters before any Ctrl-Z
    std::string tail;        // what follows them
    bool fits;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class CapacityTest : public FirmwareImageLoadTest,
                     public ::testing::WithParamInterface<SizeCase> {};

TEST_P(CapacityTest, RefusesWhatDoesNotFit) {
    const SizeCase& c = GetParam();
    const fs::path path = WriteFile("big.hex", std::string(c.textLength, '0') + c.tail);
    const auto result = LoadFirmwareImage(path);
    if (c.fits) {
        ASSERT_TRUE(result.image) << result.error;
        EXPECT_EQ(result.image->LastIndex, static_cast<std::int32_t>(c.textLength) - 1);
    } else {
        EXPECT_FALSE(result.image);
        EXPECT_NE(result.error.find(path.string()), std::string::npos) << result.error;
        EXPECT_NE(result.error.find("too large"), std::string::npos) << result.error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CapacityTest,
    ::testing::Values(SizeCase{"ExactlyFull", FirmwareImage::kCapacity, "", true},
                      SizeCase{"OneOver", FirmwareImage::kCapacity + 1, "", false},
                      SizeCase{"FarOver", 10 * FirmwareImage::kCapacity, "", false},
                      SizeCase{"FullThenCtrlZAndMore", FirmwareImage::kCapacity,
                               "\x1A" + std::string(5000, '1'), true},
                      SizeCase{"CtrlZAcrossReadChunks", 4095, "\x1A" + std::string(60000, '1'),
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareImageLoadTest, MissingFileGivesTheSystemReason) {
    const fs::path path = dir_ / "missing.hex";
    const auto result = LoadFirmwareImage(path);
    EXPECT_FALSE(result.image);
    EXPECT_NE(result.error.find(path.string()), std::string::npos) << result.error;
    EXPECT_NE(result.error.find(std::strerror(ENOENT)), std::string::npos) << result.error;
}

TEST_F(FirmwareImageLoadTest, DirectoryIsAnError) {
    const auto result = LoadFirmwareImage(dir_);
    EXPECT_FALSE(result.image);
    EXPECT_NE(result.error.find(dir_.string()), std::string::npos) << result.error;
}

}  // namespace
}  // namespace tallis
