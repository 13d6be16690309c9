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
        fixture.form1.Options1->trigger();
        fixture.forms.Form2.FastProgramming->click();
        fixture.forms.Form2.reject();
        EXPECT_FALSE(fixture.form1.FastTiming()) << "the close box applies nothing";
        fixture.form1.Options1->trigger();
        fixture.forms.Form2.RadioButton2->click();
        fixture.forms.Form2.FastProgramming->click();
        fixture.forms.Form2.BitBtn1->click();
        fixture.form1.pic877->click();
        fixture.dialogs.nextFile = kExample;
        fixture.form1.Open1->trigger();
        fixture.form1.move(40, 50);
        fixture.form1.FormClose();
    }

    WindowsFixture again(&store);
    TForm1& form = again.form1;
    EXPECT_EQ(form.PortNumber(), 2);
    EXPECT_EQ(form.PortBase(), 0x278);
    EXPECT_TRUE(again.forms.Form2.RadioButton2->isChecked());
    EXPECT_TRUE(again.forms.Form2.FastProgramming->isChecked());
    EXPECT_TRUE(form.FastTiming());
    EXPECT_TRUE(form.pic877->isChecked());
    EXPECT_EQ(form.SelectedChip(), ChipType::Pic16F877);
    EXPECT_EQ(form.OpenD1.directory, QStringLiteral(TALLIS_EXAMPLES_DIR));
    EXPECT_EQ(form.pos(), QPoint(40, 50));
    ASSERT_EQ(form.RecentFiles.size(), 2U) << "the file and a separator";
    EXPECT_EQ(form.RecentFiles.front()->text(), QStringLiteral("&1 blink877a.hex"));

    form.RecentFiles.front()->trigger();
    ASSERT_NE(form.Image(), nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("TALLIS - ") + kExample);
}

TEST(WindowSettings, ADroppedFileOpens) {
    WindowsFixture fixture;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(kExample)});
    const QPoint at = fixture.form1.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);

    QCoreApplication::sendEvent(&fixture.form1, &enter);
    QCoreApplication::sendEvent(&fixture.form1, &drop);

    EXPECT_TRUE(enter.isAccepted());
    ASSERT_NE(fixture.form1.Image(), nullptr);
    EXPECT_EQ(fixture.form1.windowTitle(), QStringLiteral("TALLIS - ") + kExample);
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
