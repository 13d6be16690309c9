#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <chrono>

#include "UiFakes.h"
#include "ui/ProductionWindow.h"
#include "ui/SimTarget.h"

namespace tallis::test {
namespace {

using std::chrono::nanoseconds;
using namespace std::chrono_literals;

// tallis-sim's windows over a socket that an operator fills chip after chip
// (in virtual time), the example file open and the production window up.
struct ProductionWindows {
    SettingsStore* settings;
    SimTarget target{sim::TimeSource::Virtual};
    FakeDialogs dialogs;
    DesktopWindows desktop{target, dialogs, settings};
    MainWindow& mainWindow = desktop.Main;
    ProductionWindow& production = desktop.Main.Production();
    QTemporaryDir folder;

    ProductionWindows(unsigned chips, std::optional<unsigned> faultyChip,
                      SettingsStore* store = nullptr)
        : settings(store) {
        if (faultyChip) {
            target.Simulation().SetUnprogrammableWord(0x0005);
        }
        target.UseInsertions({.chips = chips,
                              .presentNs = static_cast<std::uint64_t>(nanoseconds(2s).count()),
                              .absentNs = static_cast<std::uint64_t>(nanoseconds(1s).count())},
                             faultyChip);
        mainWindow.StartupTimer->stop();
        Activate(mainWindow);
        FinishStartup(mainWindow);
        dialogs.nextFile = QStringLiteral(TALLIS_EXAMPLES_DIR "/blink877a.hex");
        mainWindow.OpenClick();
        mainWindow.ProductionClick();
    }

    QStringList LogLines() const {
        QFile log(folder.filePath(QStringLiteral("chips.jsonl")));
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

TEST(ProductionWindow, WritesChipAfterChipCountingAFailureWithASerialNumberAndALogLineEach) {
    ProductionWindows windows(3, 1);  // the second chip will not program
    ProductionWindow& production = windows.production;
    ASSERT_TRUE(production.isVisible());
    production.CountBox->setText(QStringLiteral("3"));
    production.LogPathBox->setText(windows.folder.filePath(QStringLiteral("chips.jsonl")));
    production.SerialStartBox->setText(QStringLiteral("1000"));
    production.SerialAtBox->setText(QStringLiteral("eeprom:0:4"));
    production.SerialFileBox->setText(windows.folder.filePath(QStringLiteral("chips.serial")));

    production.StartButton->click();
    EXPECT_FALSE(production.StartButton->isEnabled());
    WaitForCommand(windows.mainWindow);

    EXPECT_EQ(windows.dialogs.messages, std::vector<QString>{});
    EXPECT_EQ(production.ResultLabel->text(), QStringLiteral("PASS"));
    EXPECT_EQ(production.CountsLabel->text(), QStringLiteral("Passed 2   Failed 1"));
    EXPECT_TRUE(production.LastChipLabel->text().startsWith(
        QStringLiteral("Chip 3: passed: PIC16F877A revision")));
    EXPECT_EQ(windows.mainWindow.StatusLine->PanelText(0),
              QStringLiteral("Production: 2 passed, 1 failed"));
    EXPECT_TRUE(production.StartButton->isEnabled());

    // The failed chip's number is handed out again: that chip is scrap.
    const QStringList lines = windows.LogLines();
    ASSERT_EQ(lines.size(), 3);
    const char* const expected[][3] = {
        {"\"chip\":1,", "\"serial\":1000,", "\"result\":\"passed\""},
        {"\"chip\":2,", "\"serial\":1001,", "\"result\":\"failed\""},
        {"\"chip\":3,", "\"serial\":1001,", "\"result\":\"passed\""}};
    for (int chip = 0; chip < 3; ++chip) {
        for (const char* field : expected[chip]) {
            EXPECT_TRUE(lines[chip].contains(QLatin1String(field))) << lines[chip].toStdString();
        }
        EXPECT_TRUE(lines[chip].contains(QLatin1String("\"port\":\"lpt1 (0x378) simulated\"")));
    }
    EXPECT_TRUE(lines[1].contains(QLatin1String("program memory 0x0005")));
    EXPECT_TRUE(windows.target.Simulation().Violations().Empty())
        << windows.target.Simulation().Violations().Describe();
}

TEST(ProductionWindow, EscStopsARunThatWaitsForTheNextChip) {
    ProductionWindows windows(1, std::nullopt);
    ProductionWindow& production = windows.production;
    production.StartButton->click();
    while (production.CountsLabel->text() != QStringLiteral("Passed 1   Failed 0")) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_TRUE(windows.mainWindow.CommandRunning()) << "waits for the next chip";

    QTest::keyClick(&production, Qt::Key_Escape);
    WaitForCommand(windows.mainWindow);

    EXPECT_TRUE(production.isVisible());
    EXPECT_EQ(windows.mainWindow.StatusLine->PanelText(0),
              QStringLiteral("Production: 1 passed, 0 failed; stopped, VPP off"));
    EXPECT_FALSE(windows.target.Simulation().Board().VppOn());
}

TEST(ProductionWindow, ALogThatCannotBeWrittenKeepsTheRunFromStarting) {
    ProductionWindows windows(1, std::nullopt);
    ProductionWindow& production = windows.production;
    production.LogPathBox->setText(windows.folder.filePath(QStringLiteral("missing/chips.jsonl")));

    production.StartButton->click();

    ASSERT_EQ(windows.dialogs.messages.size(), 1U);
    EXPECT_TRUE(windows.dialogs.messages[0].contains(QLatin1String("chips.jsonl")))
        << windows.dialogs.messages[0].toStdString();
    EXPECT_FALSE(windows.mainWindow.CommandRunning());
    EXPECT_TRUE(production.StartButton->isEnabled());
}

// The log is chosen with a save dialog that opens beside the HEX file, asks
// for the format's extension and does not warn of a log that will be added to.
TEST(ProductionWindow, TheLogIsChosenInADialogForItsFormat) {
    ProductionWindows windows(0, std::nullopt);
    ProductionWindow& production = windows.production;
    production.LogFormatBox->setCurrentIndex(1);
    const QString chosen = windows.folder.filePath(QStringLiteral("chips.csv"));
    windows.dialogs.nextSaveFile = chosen;

    production.LogBrowseButton->click();

    EXPECT_EQ(production.LogPathBox->text(), chosen);
    const OpenDialogSettings& asked = windows.dialogs.lastSaveDialog;
    EXPECT_EQ(asked.directory, QStringLiteral(TALLIS_EXAMPLES_DIR));
    EXPECT_EQ(asked.defaultSuffix, QStringLiteral("csv"));
    EXPECT_FALSE(asked.confirmOverwrite);
}

// A workshop's next day starts from the same log and serial number place.
TEST(ProductionWindow, TheNextStartOfTheProgramShowsTheFieldsOfTheLastRun) {
    MemorySettingsStore store;
    QString serialFile;
    {
        ProductionWindows windows(1, std::nullopt, &store);
        ProductionWindow& production = windows.production;
        serialFile = windows.folder.filePath(QStringLiteral("chips.serial"));
        production.CountBox->setText(QStringLiteral("1"));
        production.LogFormatBox->setCurrentIndex(1);
        production.SerialStartBox->setText(QStringLiteral("7:2"));
        production.SerialAtBox->setText(QStringLiteral("id"));
        production.SerialFormatBox->setCurrentText(QStringLiteral("bcd"));
        production.SerialFileBox->setText(serialFile);
        production.StartButton->click();
        WaitForCommand(windows.mainWindow);
        ASSERT_EQ(production.CountsLabel->text(), QStringLiteral("Passed 1   Failed 0"));
    }
    ProductionWindows next(0, std::nullopt, &store);
    const ProductionWindow& production = next.production;
    EXPECT_EQ(production.CountBox->text(), QStringLiteral("1"));
    EXPECT_EQ(production.LogFormatBox->currentText(), QStringLiteral("CSV"));
    EXPECT_EQ(production.SerialStartBox->text(), QStringLiteral("7:2"));
    EXPECT_EQ(production.SerialAtBox->text(), QStringLiteral("id"));
    EXPECT_EQ(production.SerialFormatBox->currentText(), QStringLiteral("bcd"));
    EXPECT_EQ(production.SerialFileBox->text(), serialFile);
}

}  // namespace
}  // namespace tallis::test
