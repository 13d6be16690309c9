#include <gtest/gtest.h>

#include <QTimer>
#include <QtTest/QTest>

#include <QFile>
#include <QTemporaryDir>
#include "UiFakes.h"

#include "image/ChipImageHex.h"
#include "sim/ChipHexFile.h"
#include "ui/SimTarget.h"

namespace tallis::test {
namespace {

const QString kExample = QStringLiteral(TALLIS_EXAMPLES_DIR "/blink877a.hex");

// tallis-sim's windows and simulated board, with the engine's waits in virtual
// time, the start-up step done and an example file opened.
struct SimWindows {
    SimTarget target{sim::TimeSource::Virtual};
    FakeDialogs dialogs;
    DesktopWindows desktop{target, dialogs};
    MainWindow& mainWindow = desktop.Main;

    SimWindows() {
        mainWindow.StartupTimer->stop();
        Activate(mainWindow);
        FinishStartup(mainWindow);
        dialogs.nextFile = kExample;
        mainWindow.OpenClick();
        EXPECT_NE(mainWindow.Image(), nullptr);
    }

    sim::ChipMemory ExpectedMemory() {
        sim::ChipMemory memory = sim::ChipMemory::Blank(sim::TargetType::Pic16F877A, 0);
        EXPECT_TRUE(sim::LoadChipHex(kExample.toStdString(), sim::TargetType::Pic16F877A, memory));
        return memory;
    }

    void ExpectProgrammedOnce() {
        const QString complete =
            QStringLiteral("Down load data %1 words complete").arg(mainWindow.Image()->WordCount);
        EXPECT_EQ(dialogs.messages, std::vector<QString>{complete});
        EXPECT_EQ(mainWindow.ProgressGauge->Progress(), 100);
        EXPECT_EQ(mainWindow.StatusLine->PanelText(0),
                  QStringLiteral("Current LPT Port :1  (378H)"));
        const sim::ChipMemory expected = ExpectedMemory();
        const sim::ChipMemory& actual = target.Simulation().Chip().Memory();
        EXPECT_EQ(actual.program, expected.program);
        EXPECT_EQ(actual.ConfigWord(), expected.ConfigWord());
        EXPECT_EQ(target.Simulation().Chip().CommandCount(31), 1U) << "one chip erase";
        EXPECT_TRUE(target.Simulation().Violations().Empty())
            << target.Simulation().Violations().Describe();
    }
};

TEST(WindowRun, ProgramsTheSimulatedChipAndReportsTheDownload) {
    SimWindows windows;
    std::vector<int> gaugeWhileMessageUp;
    windows.dialogs.onMessage = [&] {
        gaugeWhileMessageUp.push_back(windows.mainWindow.ProgressGauge->Progress());
    };

    windows.mainWindow.ProgramButton->click();
    WaitForCommand(windows.mainWindow);

    windows.ExpectProgrammedOnce();
    EXPECT_EQ(gaugeWhileMessageUp, std::vector<int>{100});
    EXPECT_FALSE(windows.mainWindow.CommandRunning());
}

// Answers the window's events until the condition holds.
template <typename Condition>
void AnswerUntil(Condition condition) {
    while (!condition()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

TEST(WindowRun, WindowAnswersWhileACommandRunsAndItsChipControlsAreDisabled) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    fixture.FinishStartup();
    Activate(mainWindow);
    fixture.target.timer.hold = true;  // the erase waits at its first wait
    mainWindow.ProgressGauge->SetProgress(100);
    mainWindow.EraseButton->click();
    EXPECT_EQ(mainWindow.ProgressGauge->Progress(), 0) << "each command starts from an empty gauge";

    bool timerFired = false;
    QTimer::singleShot(1, &mainWindow, [&] { timerFired = true; });
    AnswerUntil([&] { return timerFired; });
    ASSERT_TRUE(mainWindow.CommandRunning());
    for (const QAction* action :
         {mainWindow.ProgramAction, mainWindow.EraseAction, mainWindow.ResetAction,
          mainWindow.OpenAction, mainWindow.OptionsAction, mainWindow.IdentifyAction,
          mainWindow.ReadAction, mainWindow.VerifyAction, mainWindow.BlankCheckAction,
          mainWindow.WriteAllAction}) {
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    }
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             mainWindow.OpenButton, mainWindow.ProgramButton, mainWindow.EraseButton,
             mainWindow.ResetButton, mainWindow.pic877, mainWindow.pic877a}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    QTest::keyClick(&mainWindow, Qt::Key_S, Qt::ControlModifier);  // Reset: not now
    mainWindow.AboutAction->trigger();
    EXPECT_TRUE(fixture.desktop.About.isVisible());
    fixture.desktop.About.OkButton->click();

    fixture.target.timer.hold = false;
    WaitForCommand(mainWindow);
    EXPECT_TRUE(mainWindow.EraseAction->isEnabled());
    EXPECT_TRUE(mainWindow.pic877->isEnabled());
    EXPECT_EQ(mainWindow.StatusLine->PanelText(0), QStringLiteral("Chip erased"));
    EXPECT_EQ(fixture.target.Writes().back(), "W 037A 00") << "the erase's end, no reset after it";
}

struct CancelRoute {
    const char* name;
    std::function<void(WindowsFixture&)> cancel;
    bool closes;
};

class CancelDuringARun : public ::testing::TestWithParam<CancelRoute> {};

TEST_P(CancelDuringARun, StopsBeforeTheNextWordWithVppOff) {
    const CancelRoute& route = GetParam();
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    fixture.FinishStartup();
    Activate(mainWindow);
    fixture.dialogs.nextFile = kExample;
    mainWindow.OpenClick();
    fixture.target.timer.hold = true;  // held in the erase
    mainWindow.ProgramButton->click();
    ASSERT_TRUE(mainWindow.CancelButton->isVisible());

    route.cancel(fixture);
    fixture.target.timer.hold = false;
    WaitForCommand(mainWindow);

    EXPECT_TRUE(fixture.dialogs.messages.empty());
    EXPECT_FALSE(mainWindow.CancelButton->isVisible());
    EXPECT_EQ(mainWindow.StatusLine->PanelText(0), QStringLiteral("Cancelled at 0000H; VPP off"));
    std::string lastData;
    for (const std::string& write : fixture.target.Writes()) {
        if (write.starts_with("W 0378")) {
            lastData = write;
        }
    }
    EXPECT_EQ(lastData, route.closes ? "W 0378 03" : "W 0378 02") << "target running, VPP off";
    EXPECT_EQ(mainWindow.isVisible(), !route.closes);
    EXPECT_EQ(fixture.dialogs.questions.size(), route.closes ? 1U : 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, CancelDuringARun,
    ::testing::Values(
        CancelRoute{"CancelButton", [](WindowsFixture& f) { f.mainWindow.CancelButton->click(); },
                    false},
        CancelRoute{"Escape",
                    [](WindowsFixture& f) { QTest::keyClick(&f.mainWindow, Qt::Key_Escape); },
                    false},
        CancelRoute{"CloseAnsweredYes", [](WindowsFixture& f) { f.mainWindow.close(); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowRun, CloseAnsweredNoLetsTheRunGoOn) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    fixture.FinishStartup();
    fixture.dialogs.nextFile = kExample;
    mainWindow.OpenClick();
    fixture.dialogs.answerYes = false;
    fixture.target.timer.hold = true;
    mainWindow.ProgramButton->click();

    mainWindow.close();
    fixture.target.timer.hold = false;
    WaitForCommand(mainWindow);

    EXPECT_TRUE(mainWindow.isVisible());
    ASSERT_EQ(fixture.dialogs.messages.size(), 1U) << "the run went on to its end";
    EXPECT_TRUE(fixture.dialogs.messages.front().startsWith(QStringLiteral("Verify error !")));
}

}  // namespace
}  // namespace tallis::test

namespace tallis::test {
namespace {

// tallis-sim as it runs: the simulated board checks the waits that the real
// timer makes, after the real three-second calibration.
TEST(WindowRun, RealTimeSimulationBehindTheRealTimer) {
    SimTarget target{sim::TimeSource::RealTime};
    FakeDialogs dialogs;
    DesktopWindows desktop{target, dialogs};
    MainWindow& mainWindow = desktop.Main;
    mainWindow.StartupTimer->stop();
    mainWindow.show();
    FinishStartup(mainWindow);
    dialogs.nextFile = kExample;
    mainWindow.OpenClick();
    ASSERT_NE(mainWindow.Image(), nullptr);

    mainWindow.ProgramClick();
    WaitForCommand(mainWindow);

    EXPECT_EQ(
        dialogs.messages,
        std::vector<QString>{
            QStringLiteral("Down load data %1 words complete").arg(mainWindow.Image()->WordCount)});
    EXPECT_TRUE(target.Simulation().Violations().Empty())
        << target.Simulation().Violations().Describe();
}

}  // namespace
}  // namespace tallis::test

namespace tallis::test {
namespace {

QTableWidgetItem* FirstMarked(const QTableWidget* table) {
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            QTableWidgetItem* item = table->item(row, column);
            if (item != nullptr && !item->toolTip().isEmpty()) {
                return item;
            }
        }
    }
    return nullptr;
}

TEST(DeviceCommands, ReadShowsAndSavesTheChip) {
    SimWindows windows;
    MainWindow& mainWindow = windows.mainWindow;
    mainWindow.ProgramButton->click();
    WaitForCommand(mainWindow);
    QTemporaryDir dir;
    windows.dialogs.nextSaveFile = dir.filePath(QStringLiteral("read.hex"));

    mainWindow.ReadAction->trigger();
    WaitForCommand(mainWindow);

    const MemoryView& view = windows.desktop.Memory;
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Memory view - PIC16F877A read from the chip"));
    EXPECT_EQ(view.ProgramTable->item(0, 0)->text(), QStringLiteral("2805"));
    // The status bar adds the chip's checksum, as tallis-cli read shows it.
    EXPECT_TRUE(mainWindow.StatusLine->PanelText(0).startsWith(
        QStringLiteral("Read PIC16F877A, checksum ")))
        << mainWindow.StatusLine->PanelText(0).toStdString();
    QFile saved(*windows.dialogs.nextSaveFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const HexParseResult parsed = ParseChipImageHex(saved.readAll().toStdString());
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_EQ(parsed.image->program[0], 0x2805);
    EXPECT_TRUE(windows.target.Simulation().Violations().Empty())
        << windows.target.Simulation().Violations().Describe();
}

TEST(DeviceCommands, VerifyMarksWhereTheChipDiffersFromTheFile) {
    SimWindows windows;
    MainWindow& mainWindow = windows.mainWindow;
    mainWindow.ProgramButton->click();
    WaitForCommand(mainWindow);
    windows.dialogs.nextFile = QStringLiteral(TALLIS_EXAMPLES_DIR "/counter877a.hex");
    mainWindow.OpenClick();
    windows.dialogs.messages.clear();

    mainWindow.VerifyAction->trigger();
    WaitForCommand(mainWindow);

    ASSERT_EQ(windows.dialogs.messages.size(), 1U);
    EXPECT_TRUE(windows.dialogs.messages.front().startsWith(
        QStringLiteral("The PIC16F877A differs from the file")));
    const MemoryView& view = windows.desktop.Memory;
    ASSERT_TRUE(view.isVisible());
    const QTableWidgetItem* marked = FirstMarked(view.ProgramTable);
    ASSERT_NE(marked, nullptr);
    EXPECT_EQ(marked->background().color(), QColor(255, 190, 190));
    EXPECT_TRUE(marked->toolTip().contains(QStringLiteral("File: 0x") + marked->text()))
        << marked->toolTip().toStdString();
    EXPECT_TRUE(marked->toolTip().contains(QStringLiteral("\nChip: 0x")));
}

struct IdentifyCase {
    const char* name;
    const char* chip;     // the Device > Chip choice
    const char* message;  // a part of the message
};

class IdentifyChoice : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyChoice, NamesTheChipOrSaysItIsNotTheOneChosen) {
    SimWindows windows;
    MainWindow& mainWindow = windows.mainWindow;
    for (QAction* choice : mainWindow.DeviceChips) {
        if (choice->data().toString() == QString::fromLatin1(GetParam().chip)) {
            choice->trigger();
        }
    }
    windows.dialogs.messages.clear();

    mainWindow.IdentifyAction->trigger();
    WaitForCommand(mainWindow);

    ASSERT_EQ(windows.dialogs.messages.size(), 1U);
    EXPECT_TRUE(windows.dialogs.messages.front().contains(QString::fromLatin1(GetParam().message)))
        << windows.dialogs.messages.front().toStdString();
    EXPECT_EQ(mainWindow.Settings().deviceChip, GetParam().chip);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, IdentifyChoice,
    ::testing::Values(IdentifyCase{"AutoDetect", "auto", "Found PIC16F877A revision"},
                      IdentifyCase{"AnotherChip", "16f877",
                                   ", not the PIC16F877 asked for under Device > Chip."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis::test
