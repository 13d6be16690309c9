#include <gtest/gtest.h>

#include "app/ProductionForm.h"

namespace tallis {
namespace {

const std::filesystem::path kFirmware = "boards/fw.hex";

// A form that cannot be run says why, and one that can becomes the same
// choice as the command line's options of the same values.
TEST(ProductionForm, RefusesWhatTheCommandLineWouldRefuse) {
    struct Fields {
        const char* count;
        const char* serialStart;
        const char* serialAt;
        const char* serialFormat;
    };
    const Fields refused[] = {
        {"two", "", "", "dec"},  {"-1", "", "", "dec"},          {"", "1000:0", "id", "dec"},
        {"", "1000", "", "dec"}, {"", "1000", "flash:0", "dec"}, {"", "1000", "id", "oct"},
    };
    for (const Fields& fields : refused) {
        ProductionForm form;
        form.count = fields.count;
        form.serialStart = fields.serialStart;
        form.serialAt = fields.serialAt;
        form.serialFormat = fields.serialFormat;
        std::string problem;
        EXPECT_FALSE(ReadProductionForm(form, kFirmware, problem)) << form.count << form.serialAt;
        EXPECT_FALSE(problem.empty());
    }
}

TEST(ProductionForm, ReadsTheCountTheSerialNumberAndTheLog) {
    std::string problem;
    ProductionForm form;
    form.count = "5";
    form.logPath = "chips.csv";
    form.csv = true;
    form.serialStart = "1000:2";
    form.serialAt = "eeprom:10:4:be";
    form.serialFormat = "bcd";
    const std::optional<ProductionChoice> choice = ReadProductionForm(form, kFirmware, problem);
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
