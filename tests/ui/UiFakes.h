#pragma once

#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "app/Target.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingPortIo.h"
#include "ui/DesktopWindows.h"
#include "ui/Dialogs.h"

namespace tallis::test {

// Answers the windows' dialogs without a modal loop and remembers what they asked.
class FakeDialogs : public Dialogs {
  public:
    void ShowMessage(QWidget* owner, const QString& text) override;
    bool AskYesNo(QWidget*, const QString& text) override {
        questions.push_back(text);
        return answerYes;
    }
    std::optional<QString> AskOpenFileName(QWidget* owner,
                                           const OpenDialogSettings& dialog) override;
    std::optional<QString> AskSaveFileName(QWidget*, const OpenDialogSettings& dialog) override {
        lastSaveDialog = dialog;
        return nextSaveFile;
    }
    void OpenUrl(const QUrl& url) override { urls.push_back(url); }

    std::vector<QString> messages;
    std::vector<QString> questions;
    bool answerYes = true;
    std::function<void()> onMessage;  // runs while the "box" is up
    std::optional<QString> nextFile;  // the dialog's answer; nothing = cancelled
    std::optional<QString> nextSaveFile;
    OpenDialogSettings lastSaveDialog;  // what the last save dialog was asked
    int fileDialogs = 0;
    QStringList filtersSeen;
    std::vector<QUrl> urls;
};

// What the start-up step did with the timer. The worker calls it; the test
// reads it once the command has ended.
struct TimerLog {
    bool enabled = false;
    std::vector<std::uint32_t> calibrations;
    std::function<void()> onCalibrate;  // runs in the middle of a calibration
    std::atomic<bool> hold{false};      // while set, every wait waits
};

class FakeTimer : public EngineTimer {
  public:
    explicit FakeTimer(TimerLog& log) : log_(log) {}
    void Delay(std::uint32_t) override;
    void SetEnabled(bool enabled) override { log_.enabled = enabled; }
    void Calibrate(std::uint32_t milliseconds) override;

  private:
    TimerLog& log_;
};

// A port with nothing behind it (reads give 0xFF) whose writes are recorded.
class FakeTarget : public Target {
  public:
    PortIo& Port() override { return port_; }
    bool DriverStarted() const override { return driverStarted; }
    std::unique_ptr<EngineTimer> MakeTimer() override { return std::make_unique<FakeTimer>(timer); }
    bool ClaimPort(std::uint16_t base) override { return base != unreachableBase; }
    std::string AccessPath(std::uint16_t) const override { return "fake"; }
    std::uint64_t NowUs() override { return 0; }
    std::string Exit() override {
        ++exits;
        return {};
    }
    std::unique_ptr<FtdiTarget> OpenFtdi(std::string_view, const board::FtdiWiring&,
                                         std::string& problem) override {
        problem = "no FTDI device";
        return nullptr;
    }
    // Options lists these.
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string&) override { return ftdiDevices; }

    // The port writes recorded since the last Clear, as "W 037A 00" lines.
    std::vector<std::string> Writes() const;

    bool driverStarted = true;
    int exits = 0;
    std::uint16_t unreachableBase = 0;
    std::vector<ftdi::FtdiListing> ftdiDevices;
    TimerLog timer;
    AccessTrace trace;

  private:
    class OpenPort : public PortIo {
      public:
        void WriteByte(std::uint16_t, std::uint8_t) override {}
        std::uint8_t ReadByte(std::uint16_t) override { return 0xFF; }
    } open_;
    RecordingPortIo port_{open_, trace};
};

// The four windows over a fake target, shown, with the start-up step optionally done.
struct WindowsFixture {
    FakeTarget target;
    FakeDialogs dialogs;
    DesktopWindows desktop;
    MainWindow& mainWindow = desktop.Main;

    explicit WindowsFixture(SettingsStore* settings = nullptr);
    ~WindowsFixture();
    void FinishStartup();
};

// Runs the start-up step and waits for its calibration on the worker.
void FinishStartup(MainWindow& mainWindow);
// Answers the window's events until its command has ended.
void WaitForCommand(const MainWindow& mainWindow);

// Makes the main window the active one, so that its shortcuts reach it.
void Activate(QWidget& window);

}  // namespace tallis::test
