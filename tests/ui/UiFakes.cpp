#include "UiFakes.h"

#include <QApplication>
#include <QtTest/QTest>
#include <thread>

namespace tallis::test {

void FakeDialogs::ShowMessage(QWidget*, const QString& text) {
    messages.push_back(text);
    if (onMessage) {
        onMessage();
    }
}

std::optional<QString> FakeDialogs::AskOpenFileName(QWidget*, const OpenDialogSettings& dialog) {
    ++fileDialogs;
    filtersSeen = dialog.nameFilters;
    return nextFile;
}

void FakeTimer::Delay(std::uint32_t) {
    while (log_.hold.load()) {
        std::this_thread::yield();
    }
}

void FakeTimer::Calibrate(std::uint32_t milliseconds) {
    log_.calibrations.push_back(milliseconds);
    if (log_.onCalibrate) {
        log_.onCalibrate();
    }
}

std::vector<std::string> FakeTarget::Writes() const {
    std::vector<std::string> writes;
    for (const TraceEntry& entry : trace.Entries()) {
        if (entry.kind == AccessKind::Write) {
            writes.push_back(AccessTrace::FormatEntry(entry));
        }
    }
    return writes;
}

WindowsFixture::WindowsFixture(SettingsStore* settings) : desktop(target, dialogs, settings) {
    mainWindow.StartupTimer->stop();  // tests run the start-up step themselves
    mainWindow.show();
}

WindowsFixture::~WindowsFixture() {
    desktop.Options.hide();
    desktop.About.hide();
    desktop.Calibration.hide();
    desktop.Memory.hide();
}

void WindowsFixture::FinishStartup() {
    test::FinishStartup(mainWindow);
}

void FinishStartup(MainWindow& mainWindow) {
    mainWindow.StartupTimerFired();
    WaitForCommand(mainWindow);
}

void WaitForCommand(const MainWindow& mainWindow) {
    while (mainWindow.CommandRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    (void)QTest::qWaitForWindowActive(&window);
}

}  // namespace tallis::test
