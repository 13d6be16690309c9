#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "UiFakes.h"
#include "app/WindowSettings.h"
#include "ui/SimTarget.h"

namespace tallis::test {
namespace {

const QString kExample = QStringLiteral(TALLIS_EXAMPLES_DIR "/blink877a.hex");

TEST(WindowSettings, TheWindowRemembersPortChipFastFolderRecentFilesAndPlace) {
    MemorySettingsStore store;
    {
        WindowsFixture fixture(&store);
        fixture.mainWindow.OptionsAction->trigger();
        fixture.desktop.Options.FastProgramming->click();
        fixture.desktop.Options.reject();
        EXPECT_FALSE(fixture.mainWindow.FastTiming()) << "the close box applies nothing";
        fixture.mainWindow.OptionsAction->trigger();
        fixture.desktop.Options.Lpt2Button->click();
        fixture.desktop.Options.FastProgramming->click();
        fixture.desktop.Options.OkButton->click();
        fixture.mainWindow.pic877->click();
        fixture.dialogs.nextFile = kExample;
        fixture.mainWindow.OpenAction->trigger();
        fixture.mainWindow.move(40, 50);
        fixture.mainWindow.CloseSession();
    }

    WindowsFixture again(&store);
    MainWindow& mainWindow = again.mainWindow;
    EXPECT_EQ(mainWindow.PortNumber(), 2);
    EXPECT_EQ(mainWindow.PortBase(), 0x278);
    EXPECT_TRUE(again.desktop.Options.Lpt2Button->isChecked());
    EXPECT_TRUE(again.desktop.Options.FastProgramming->isChecked());
    EXPECT_TRUE(mainWindow.FastTiming());
    EXPECT_TRUE(mainWindow.pic877->isChecked());
    EXPECT_EQ(mainWindow.SelectedChip(), ChipType::Pic16F877);
    EXPECT_EQ(mainWindow.HexFileDialog.directory, QStringLiteral(TALLIS_EXAMPLES_DIR));
    EXPECT_EQ(mainWindow.pos(), QPoint(40, 50));
    ASSERT_EQ(mainWindow.RecentFiles.size(), 2U) << "the file and a separator";
    EXPECT_EQ(mainWindow.RecentFiles.front()->text(), QStringLiteral("&1 blink877a.hex"));

    mainWindow.RecentFiles.front()->trigger();
    ASSERT_NE(mainWindow.Image(), nullptr);
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("TALLIS - ") + kExample);
}

TEST(WindowSettings, ADroppedFileOpens) {
    WindowsFixture fixture;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(kExample)});
    const QPoint at = fixture.mainWindow.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);

    QCoreApplication::sendEvent(&fixture.mainWindow, &enter);
    QCoreApplication::sendEvent(&fixture.mainWindow, &drop);

    EXPECT_TRUE(enter.isAccepted());
    ASSERT_NE(fixture.mainWindow.Image(), nullptr);
    EXPECT_EQ(fixture.mainWindow.windowTitle(), QStringLiteral("TALLIS - ") + kExample);
}

TEST(WindowSettings, SimulatedChipKeepsItsMemoryInTheStateFile) {
    QTemporaryDir dir;
    const std::filesystem::path state = dir.filePath(QStringLiteral("chip.hex")).toStdString();
    {
        SimTarget target(sim::TimeSource::Virtual);
        ASSERT_EQ(target.UseStateFile(state), "");
        EXPECT_FALSE(std::filesystem::exists(state)) << "only the end writes it";
        ASSERT_TRUE(target.Simulation().LoadHex(kExample.toStdString()));
        target.Exit();
    }
    SimTarget again(sim::TimeSource::Virtual);
    ASSERT_EQ(again.UseStateFile(state), "");
    EXPECT_EQ(again.Simulation().Chip().Memory().program[0], 0x2805) << "the example's first word";
    EXPECT_NE(again.UseStateFile(dir.filePath(QStringLiteral("no/such/folder.hex")).toStdString()),
              "");
}

}  // namespace
}  // namespace tallis::test
