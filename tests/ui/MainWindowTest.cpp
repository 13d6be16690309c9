#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>

#include "UiFakes.h"
#include "app/StartupTexts.h"

namespace tallis::test {
namespace {

TEST(MainWindow, StartsWithLpt1ThePic16F877AAndNoFile) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;

    EXPECT_EQ(mainWindow.PortBase(), 0x378);
    EXPECT_EQ(mainWindow.PortNumber(), 1);
    EXPECT_TRUE(mainWindow.pic877a->isChecked());
    EXPECT_FALSE(mainWindow.pic877->isChecked());
    EXPECT_EQ(mainWindow.SelectedChip(), ChipType::Pic16F877A);
    EXPECT_FALSE(mainWindow.ProgramAction->isEnabled());
    EXPECT_FALSE(mainWindow.ProgramButton->isEnabled());
    EXPECT_TRUE(mainWindow.EraseAction->isEnabled());
    EXPECT_TRUE(mainWindow.ResetAction->isEnabled());
    EXPECT_EQ(mainWindow.StatusLine->PanelText(0), QString());
    EXPECT_EQ(mainWindow.StatusLine->PanelText(1), QString());
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("TALLIS  V3e"));
    EXPECT_EQ(mainWindow.WordCountBox->text(), QString());
    EXPECT_EQ(mainWindow.centralWidget()->size(), QSize(471, 270));
    // The creation left the lines in the run state: data register 0x02.
    ASSERT_FALSE(fixture.target.Writes().empty());
    EXPECT_EQ(fixture.target.Writes().back(), "W 0378 02");
}

TEST(MainWindow, ProgramShortcutDoesNothingWithoutAFile) {
    WindowsFixture fixture;
    fixture.FinishStartup();
    Activate(fixture.mainWindow);
    fixture.target.trace.Clear();

    QTest::keyClick(&fixture.mainWindow, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(fixture.target.Writes().empty());

    // The erase shortcut in the same state does reach the port.
    QTest::keyClick(&fixture.mainWindow, Qt::Key_E, Qt::ControlModifier);
    WaitForCommand(fixture.mainWindow);
    EXPECT_FALSE(fixture.target.Writes().empty());
}

TEST(MainWindow, StartupStepRunsOnceBehindTheCalibrationWindow) {
    FakeTarget target;
    FakeDialogs dialogs;
    DesktopWindows desktop(target, dialogs);
    desktop.Main.show();
    bool calibrationWindowUp = false;
    bool enabledBeforeCalibration = false;
    bool onWorker = false;
    target.timer.onCalibrate = [&] {
        calibrationWindowUp = desktop.Calibration.isVisible();
        enabledBeforeCalibration = target.timer.enabled;
        onWorker = QThread::currentThread() != desktop.Main.thread();
    };

    QTest::qWait(300);
    EXPECT_TRUE(target.timer.calibrations.empty()) << "the step waits about half a second";
    QTest::qWait(1200);

    EXPECT_EQ(target.timer.calibrations, std::vector<std::uint32_t>{3000});
    EXPECT_TRUE(calibrationWindowUp);
    EXPECT_TRUE(enabledBeforeCalibration);
    EXPECT_FALSE(desktop.Calibration.isVisible());
    EXPECT_EQ(desktop.Main.StatusLine->PanelText(0),
              QStringLiteral("Driver successfully started !"));
    EXPECT_TRUE(onWorker) << "the calibration keeps the window's thread free to paint";
    EXPECT_TRUE(desktop.Main.StartupDone());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(MainWindow, EngineCommandsWaitForTheStartupStep) {
    WindowsFixture fixture;
    fixture.target.trace.Clear();

    fixture.mainWindow.EraseButton->click();
    fixture.mainWindow.ResetButton->click();
    EXPECT_TRUE(fixture.target.Writes().empty()) << "untimed commands reached the chip";

    fixture.FinishStartup();
    fixture.mainWindow.ResetButton->click();
    WaitForCommand(fixture.mainWindow);
    EXPECT_FALSE(fixture.target.Writes().empty());
    EXPECT_EQ(fixture.mainWindow.StatusLine->PanelText(0), QStringLiteral("Target reset"));
}

TEST(MainWindow, MissingDriverShowsTheMessageAndEndsWithoutWritingThePort) {
    FakeTarget target;
    target.driverStarted = false;
    FakeDialogs dialogs;
    DesktopWindows desktop(target, dialogs);
    desktop.Main.show();
    target.trace.Clear();
    QTimer::singleShot(5000, [] { QApplication::exit(99); });

    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, 3) << "a script must see that the program could not do its work";
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_EQ(dialogs.messages.front(),
              QStringLiteral("Cannot open the parallel port ! \n\nAdd your user to the group lp "
                             "(for /dev/parport0)  \n\nOr run tallis as root"));
    EXPECT_TRUE(target.timer.calibrations.empty());
    desktop.Main.close();
    EXPECT_TRUE(target.Writes().empty());
}

struct CloseRoute {
    const char* name;
    std::function<void(MainWindow&)> close;
};

class CloseRoutes : public ::testing::TestWithParam<std::tuple<CloseRoute, int>> {};

TEST_P(CloseRoutes, WriteControlThenDataAtTheChosenPortAndEndTheProgram) {
    const auto& [route, portNumber] = GetParam();
    WindowsFixture fixture;
    fixture.FinishStartup();
    if (portNumber == 2) {
        fixture.mainWindow.OptionsClick();
        fixture.desktop.Options.Lpt2Button->setChecked(true);
        fixture.desktop.Options.OkButton->click();
    }
    fixture.target.trace.Clear();

    QTimer::singleShot(0, &fixture.mainWindow, [&] { route.close(fixture.mainWindow); });
    QTimer::singleShot(5000, [] { QApplication::exit(99); });
    const int exitCode = QApplication::exec();

    const std::vector<std::string> expected =
        portNumber == 2 ? std::vector<std::string>{"W 027A 00", "W 0278 03"}
                        : std::vector<std::string>{"W 037A 00", "W 0378 03"};
    EXPECT_EQ(fixture.target.Writes(), expected);
    EXPECT_FALSE(fixture.mainWindow.isVisible());
    EXPECT_EQ(exitCode, 0) << "the event loop went on after the main window closed";
}

const CloseRoute kCloseRoutes[] = {
    {"FileExit", [](MainWindow& mainWindow) { mainWindow.ExitAction->trigger(); }},
    {"ExitButton", [](MainWindow& mainWindow) { mainWindow.ExitButton->click(); }},
    {"CloseBox", [](MainWindow& mainWindow) { mainWindow.close(); }},
};

INSTANTIATE_TEST_SUITE_P(AllRoutes, CloseRoutes,
                         ::testing::Combine(::testing::ValuesIn(kCloseRoutes),
                                            ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "Lpt" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace tallis::test
