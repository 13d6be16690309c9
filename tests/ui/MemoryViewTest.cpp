#include <gtest/gtest.h>

#include "UiFakes.h"

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
    fixture.mainWindow.OpenAction->trigger();

    fixture.mainWindow.MemoryViewAction->trigger();

    const MemoryView& view = fixture.desktop.Memory;
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

    fixture.mainWindow.pic877->click();
    fixture.mainWindow.MemoryViewAction->trigger();
    EXPECT_EQ(view.ProgramTable->rowCount(), 8192 / 8) << "the PIC16F877 has 8K words too";
    EXPECT_EQ(view.EepromTable->rowCount(), 256 / 16);
}

}  // namespace
}  // namespace tallis::test
