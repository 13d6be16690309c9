#include <gtest/gtest.h>

#include "app/ProductionForm.h"

namespace tallis {
namespace {

const std::filesystem::path kFirmware = "boards/fw.hex";

// A form that cannot be run says why, and one that can becomes the same
// choice as the command line's options of the same values.
TEST(ProductionForm, RefusesWhatTheCommandLineWouldRefuse) {
    const ProductionForm refused[] = {
        {.count = "two"},
        {.count = "-1"},
        {.serialStart = "1000:0", .serialAt = "id"},
        {.serialStart = "1000"},
        {.serialStart = "1000", .serialAt = "flash:0"},
        {.serialStart = "1000", .serialAt = "id", .serialFormat = "oct"},
    };
    for (const ProductionForm& form : refused) {
        std::string problem;
        EXPECT_FALSE(ReadProductionForm(form, kFirmware, problem)) << form.count << form.serialAt;
        EXPECT_FALSE(problem.empty());
    }
}

TEST(ProductionForm, ReadsTheCountTheSerialNumberAndTheLog) {
    std::string problem;
    const std::optional<ProductionChoice> choice = ReadProductionForm({.count = "5",
                                                                       .logPath = "chips.csv",
                                                                       .csv = true,
                                                                       .serialStart = "1000:2",
                                                                       .serialAt = "eeprom:10:4:be",
                                                                       .serialFormat = "bcd"},
                                                                      kFirmware, problem);
    ASSERT_TRUE(choice) << problem;
    EXPECT_EQ(choice->count, 5U);
    ASSERT_TRUE(choice->records.serial);
    EXPECT_EQ(choice->records.serial->start, 1000U);
    EXPECT_EQ(choice->records.serial->step, 2U);
    EXPECT_EQ(choice->records.serial->at.place, SerialPlace::Eeprom);
    EXPECT_EQ(choice->records.serial->at.address, 0x10);
    EXPECT_TRUE(choice->records.serial->at.bigEndian);
    EXPECT_EQ(choice->records.serial->format, SerialFormat::Bcd);
    EXPECT_EQ(choice->records.serialFile, std::filesystem::path("boards/fw.serial"));
    EXPECT_EQ(choice->records.logPath, std::filesystem::path("chips.csv"));
    EXPECT_EQ(choice->records.logFormat, LogFormat::Csv);

    const std::optional<ProductionChoice> plain = ReadProductionForm({}, kFirmware, problem);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->count, 0U) << "until stopped";
    EXPECT_FALSE(plain->records.serial);
    EXPECT_FALSE(plain->records.logPath);
}

}  // namespace
}  // namespace tallis
