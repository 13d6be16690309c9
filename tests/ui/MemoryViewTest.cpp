#include <gtest/gtest.h>

#include "UiFakes.h"
#include "app/MemoryLayout.h"

namespace tallis::test {
namespace {

const QString kExample = QStringLiteral(TALLIS_EXAMPLES_DIR "/blink877a.hex");

QString CellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("(none)");
}

bool Dimmed(const QTableWidget* table, int row, int column) {
    return table->item(row, column)->foreground().color() ==
           table->palette().color(QPalette::Disabled, QPalette::Text);
}

TEST(MemoryView, ShowsTheOpenFileForTheSelectedChip) {
    WindowsFixture fixture;
    fixture.dialogs.nextFile = kExample;
    fixture.form1.Open1->trigger();

    fixture.form1.MemoryView1->trigger();

    const MemoryView& view = fixture.forms.Memory;
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Memory view - blink877a.hex"));
    EXPECT_EQ(view.ProgramTable->rowCount(), 8192 / 8);
    EXPECT_EQ(view.ProgramTable->verticalHeaderItem(1)->text(), QStringLiteral("0008"));
    EXPECT_EQ(CellText(view.ProgramTable, 0, 0), QStringLiteral("2805"));
    EXPECT_FALSE(Dimmed(view.ProgramTable, 0, 0));
    EXPECT_EQ(CellText(view.ProgramTable, 0, 1), QStringLiteral("----"));
    EXPECT_TRUE(Dimmed(view.ProgramTable, 0, 1)) << "a word the file does not hold";
    EXPECT_EQ(view.EepromTable->rowCount(), 256 / 16);
    EXPECT_EQ(view.EepromTable->columnCount(), 17) << "16 bytes and their characters";
    EXPECT_EQ(CellText(view.ConfigTable, 0, 0), QStringLiteral("Configuration word"));

    fixture.form1.pic877->click();
    fixture.form1.MemoryView1->trigger();
    EXPECT_EQ(view.ProgramTable->rowCount(), 8192 / 8) << "the PIC16F877 has 8K words too";
    EXPECT_EQ(view.EepromTable->rowCount(), 256 / 16);
}

TEST(MemoryLayout, ConfigurationWordDecodedIntoNamedFieldsWithIdsAndDeviceId) {
    ChipImage image;
    image.config = 0x3F72;
    image.ids = {0x0001, 0x0002, std::nullopt, 0x000F};
    image.deviceId = 0x0E23;
    const std::vector<ConfigLine> lines = ConfigLines(image, *FindDevice("16f877a"));

    ASSERT_GE(lines.size(), 6U);
    EXPECT_EQ(lines.front().value, "0x3F72");
    auto named = [&](const std::string& name) {
        for (const ConfigLine& line : lines) {
            if (line.name == name) {
                return line;
            }
        }
        return ConfigLine{};
    };
    EXPECT_EQ(named("FOSC").value, "0x2");
    EXPECT_EQ(named("FOSC").meaning, "HS oscillator");
    EXPECT_EQ(named("ID 2").value, "----");
    EXPECT_EQ(named("ID 3").value, "0x000F");
    EXPECT_EQ(named("Device ID").meaning, "PIC16F877A, revision 3");
}

TEST(MemoryLayout, CellTexts) {
    EXPECT_TRUE(IsBlankWord(0x3FFF));
    EXPECT_TRUE(IsBlankWord(std::nullopt));
    EXPECT_FALSE(IsBlankWord(0x0000));
    EXPECT_EQ(ByteText(0x0A), "0A");
    EXPECT_EQ(std::string({ShownChar('A'), ShownChar(0x7F), ShownChar(0x1F), ShownChar({})}),
              "A...");
}

}  // namespace
}  // namespace tallis::test
