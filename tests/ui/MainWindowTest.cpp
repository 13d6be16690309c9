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
    TForm1& form = fixture.form1;

    EXPECT_EQ(form.PortBase(), 0x378);
    EXPECT_EQ(form.PortNumber(), 1);
    EXPECT_TRUE(form.pic877a->isChecked());
    EXPECT_FALSE(form.pic877->isChecked());
    EXPECT_EQ(form.SelectedChip(), ChipType::Pic16F877A);
    EXPECT_FALSE(form.Program1->isEnabled());
    EXPECT_FALSE(form.SpeedButton2->isEnabled());
    EXPECT_TRUE(form.Erase1->isEnabled());
    EXPECT_TRUE(form.Reset1->isEnabled());
    EXPECT_EQ(form.StatusBar1->PanelText(0), QString());
    EXPECT_EQ(form.StatusBar1->PanelText(1), QString());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("TALLIS  V3e"));
    EXPECT_EQ(form.Edit1->text(), QString());
    EXPECT_EQ(form.centralWidget()->size(), QSize(471, 270));
    // The creation left the lines in the run state: data register 0x02.
    ASSERT_FALSE(fixture.target.Writes().empty());
    EXPECT_EQ(fixture.target.Writes().back(), "W 0378 02");
}

TEST(MainWindow, ProgramShortcutDoesNothingWithoutAFile) {
    WindowsFixture fixture;
    fixture.FinishStartup();
    Activate(fixture.form1);
    fixture.target.trace.Clear();

    QTest::keyClick(&fixture.form1, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(fixture.target.Writes().empty());

    // The erase shortcut in the same state does reach the port.
    QTest::keyClick(&fixture.form1, Qt::Key_E, Qt::ControlModifier);
    WaitForCommand(fixture.form1);
    EXPECT_FALSE(fixture.target.Writes().empty());
}

TEST(MainWindow, StartupStepRunsOnceBehindTheCalibrationWindow) {
    FakeTarget target;
    FakeDialogs dialogs;
    Forms forms(target, dialogs);
    forms.Form1.show();
    bool calibrationWindowUp = false;
    bool enabledBeforeCalibration = false;
    bool onWorker = false;
    target.timer.onCalibrate = [&] {
        calibrationWindowUp = forms.Form4.isVisible();
        enabledBeforeCalibration = target.timer.enabled;
        onWorker = QThread::currentThread() != forms.Form1.thread();
    };

    QTest::qWait(300);
    EXPECT_TRUE(target.timer.calibrations.empty()) << "the step waits about half a second";
    QTest::qWait(1200);

    EXPECT_EQ(target.timer.calibrations, std::vector<std::uint32_t>{3000});
    EXPECT_TRUE(calibrationWindowUp);
    EXPECT_TRUE(enabledBeforeCalibration);
    EXPECT_FALSE(forms.Form4.isVisible());
    EXPECT_EQ(forms.Form1.StatusBar1->PanelText(0),
              QStringLiteral("Driver successfully started !"));
    EXPECT_TRUE(onWorker) << "the calibration keeps the window's thread free to paint";
    EXPECT_TRUE(forms.Form1.StartupDone());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(MainWindow, EngineCommandsWaitForTheStartupStep) {
    WindowsFixture fixture;
    fixture.target.trace.Clear();

    fixture.form1.SpeedButton3->click();
    fixture.form1.SpeedButton5->click();
    EXPECT_TRUE(fixture.target.Writes().empty()) << "untimed commands reached the chip";

    fixture.FinishStartup();
    fixture.form1.SpeedButton5->click();
    WaitForCommand(fixture.form1);
    EXPECT_FALSE(fixture.target.Writes().empty());
    EXPECT_EQ(fixture.form1.StatusBar1->PanelText(0), QStringLiteral("Target reset"));
}

TEST(MainWindow, MissingDriverShowsTheMessageAndEndsWithoutWritingThePort) {
    FakeTarget target;
    target.driverStarted = false;
    FakeDialogs dialogs;
    Forms forms(target, dialogs);
    forms.Form1.show();
    target.trace.Clear();
    QTimer::singleShot(5000, [] { QApplication::exit(99); });

    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, 3) << "a script must see that the program could not do its work";
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_EQ(dialogs.messages.front(),
              QStringLiteral("Cannot open the parallel port ! \n\nAdd your user to the group lp "
                             "(for /dev/parport0)  \n\nOr run tallis as root"));
    EXPECT_TRUE(target.timer.calibrations.empty());
    forms.Form1.close();
    EXPECT_TRUE(target.Writes().empty());
}

struct CloseRoute {
    const char* name;
    std::function<void(TForm1&)> close;
};

class CloseRoutes : public ::testing::TestWithParam<std::tuple<CloseRoute, int>> {};

TEST_P(CloseRoutes, WriteControlThenDataAtTheChosenPortAndEndTheProgram) {
    const auto& [route, portNumber] = GetParam();
    WindowsFixture fixture;
    fixture.FinishStartup();
    if (portNumber == 2) {
        fixture.form1.Options1Click();
        fixture.forms.Form2.RadioButton2->setChecked(true);
        fixture.forms.Form2.BitBtn1->click();
    }
    fixture.target.trace.Clear();

    QTimer::singleShot(0, &fixture.form1, [&] { route.close(fixture.form1); });
    QTimer::singleShot(5000, [] { QApplication::exit(99); });
    const int exitCode = QApplication::exec();

    const std::vector<std::string> expected =
        portNumber == 2 ? std::vector<std::string>{"W 027A 00", "W 0278 03"}
                        : std::vector<std::string>{"W 037A 00", "W 0378 03"};
    EXPECT_EQ(fixture.target.Writes(), expected);
    EXPECT_FALSE(fixture.form1.isVisible());
    EXPECT_EQ(exitCode, 0) << "the event loop went on after the main window closed";
}

const CloseRoute kCloseRoutes[] = {
    {"FileExit", [](TForm1& form) { form.Exit1->trigger(); }},
    {"ExitButton", [](TForm1& form) { form.SpeedButton4->click(); }},
    {"CloseBox", [](TForm1& form) { form.close(); }},
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
