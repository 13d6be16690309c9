#include <gtest/gtest.h>

#include <QTimer>
#include <QtTest/QTest>

#include "UiFakes.h"
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
    Forms forms{target, dialogs};
    TForm1& form = forms.Form1;

    SimWindows() {
        form.Timer1->stop();
        Activate(form);
        form.Timer1Timer();
        dialogs.nextFile = kExample;
        form.Open1Click();
        EXPECT_NE(form.Image(), nullptr);
    }

    sim::ChipMemory ExpectedMemory() {
        sim::ChipMemory memory = sim::ChipMemory::Blank(sim::TargetType::Pic16F877A, 0);
        EXPECT_TRUE(sim::LoadChipHex(kExample.toStdString(), sim::TargetType::Pic16F877A, memory));
        return memory;
    }

    void ExpectProgrammedOnce() {
        const QString complete =
            QStringLiteral("Down load data %1 words complete").arg(form.Image()->WordCount);
        EXPECT_EQ(dialogs.messages, std::vector<QString>{complete});
        EXPECT_EQ(form.Gau1->Progress(), 100);
        EXPECT_EQ(form.StatusBar1->PanelText(0), QStringLiteral("Current LPT Port :1  (378H)"));
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
        gaugeWhileMessageUp.push_back(windows.form.Gau1->Progress());
    };

    windows.form.SpeedButton2->click();

    windows.ExpectProgrammedOnce();
    EXPECT_EQ(gaugeWhileMessageUp, std::vector<int>{100});
    EXPECT_FALSE(windows.form.CommandRunning());
}

TEST(WindowRun, InputDuringTheConfigurationWordsTurnIsHeldBack) {
    SimWindows windows;
    TForm1& form = windows.form;
    bool turnSeen = false;
    bool runningDuringTurn = false;
    // Posted now, delivered at the run's one event-loop turn.
    QTimer::singleShot(0, &form, [&] {
        turnSeen = true;
        runningDuringTurn = form.CommandRunning();
        QTest::mouseClick(form.pic877, Qt::LeftButton);
        QTest::keyClick(form.pic877a, Qt::Key_Up);
        QTest::keyClick(&form, Qt::Key_E, Qt::ControlModifier);
        form.SpeedButton3->click();
        form.SpeedButton2->click();
        form.SpeedButton1->click();
        form.Options1->trigger();
        form.close();
    });

    form.Program1->trigger();

    EXPECT_TRUE(turnSeen);
    EXPECT_TRUE(runningDuringTurn);
    EXPECT_TRUE(form.pic877a->isChecked());
    EXPECT_FALSE(windows.forms.Form2.isVisible());
    EXPECT_TRUE(form.isEnabled());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(windows.dialogs.fileDialogs, 1) << "only the Open before the run";
    windows.ExpectProgrammedOnce();
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
    Forms forms{target, dialogs};
    TForm1& form = forms.Form1;
    form.Timer1->stop();
    form.show();
    form.Timer1Timer();
    dialogs.nextFile = kExample;
    form.Open1Click();
    ASSERT_NE(form.Image(), nullptr);

    form.SpeedButton1Click();

    EXPECT_EQ(dialogs.messages,
              std::vector<QString>{
                  QStringLiteral("Down load data %1 words complete").arg(form.Image()->WordCount)});
    EXPECT_TRUE(target.Simulation().Violations().Empty())
        << target.Simulation().Violations().Describe();
}

}  // namespace
}  // namespace tallis::test
