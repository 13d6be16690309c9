// Makes the pictures of the windows for the documentation, with the simulated
// board in virtual time:
//   tallis-screenshots <folder> [icon.png]
// writes main-window.png, main-window-busy.png, main-window-after-run.png,
// device-menu.png, memory-view.png, memory-view-config.png, options-dialog.png,
// about-box.png, time-calibrate.png, memory-view-config-887.png (a
// PIC16F887's two configuration words and calibration word, after a Write all
// and a Read), memory-view-config-675.png (a PIC12F675's OSCCAL and band-gap
// bits, the same way) and production-window.png (three chips from the simulated
// socket, the last one failing) into the folder, and the 128 x 128
// desktop icon if asked. The menu picture needs a real display (Xvfb).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <atomic>
#include <thread>

#include "device/Device.h"
#include "ui/Artwork.h"
#include "ui/DesktopWindows.h"
#include "ui/Dialogs.h"
#include "ui/ProductionWindow.h"
#include "ui/SimTarget.h"

namespace {

const QString kExamples = QStringLiteral(TALLIS_EXAMPLES_DIR);

// Opens the next example file, saves reads into a scratch folder and
// dismisses every box at once.
class ScriptedDialogs : public tallis::Dialogs {
  public:
    void ShowMessage(QWidget*, const QString& text) override {
        QTextStream(stdout) << "message: " << text << '\n';
    }
    bool AskYesNo(QWidget*, const QString&) override { return true; }
    std::optional<QString> AskOpenFileName(QWidget*, const tallis::OpenDialogSettings&) override {
        return nextFile;
    }
    std::optional<QString> AskSaveFileName(QWidget*, const tallis::OpenDialogSettings&) override {
        return scratch.filePath(QStringLiteral("read.hex"));
    }
    void OpenUrl(const QUrl&) override {}

    QString nextFile = kExamples + QStringLiteral("/blink877a.hex");
    QTemporaryDir scratch;
};

// Lets the engine's waits through only in batches while held, so that a
// picture can be taken in the middle of a run.
class SteppedTimer : public tallis::EngineTimer {
  public:
    explicit SteppedTimer(std::unique_ptr<tallis::EngineTimer> inner) : inner_(std::move(inner)) {}

    void Delay(std::uint32_t microseconds) override {
        while (held.load()) {
            long left = allowance.load();
            if (left > 0 && allowance.compare_exchange_weak(left, left - 1)) {
                break;
            }
            std::this_thread::yield();
        }
        inner_->Delay(microseconds);
    }
    void SetEnabled(bool enabled) override { inner_->SetEnabled(enabled); }
    void Calibrate(std::uint32_t milliseconds) override { inner_->Calibrate(milliseconds); }

    std::atomic<bool> held{false};
    std::atomic<long> allowance{0};

  private:
    std::unique_ptr<tallis::EngineTimer> inner_;
};

class SteppedSimTarget : public tallis::Target {
  public:
    explicit SteppedSimTarget(const tallis::Device* device = nullptr)
        : sim_(tallis::SimTargetOptions{.time = tallis::sim::TimeSource::Virtual,
                                        .device = device}) {}
    tallis::PortIo& Port() override { return sim_.Port(); }
    bool DriverStarted() const override { return true; }
    std::unique_ptr<tallis::EngineTimer> MakeTimer() override {
        auto timer = std::make_unique<SteppedTimer>(sim_.MakeTimer());
        stepped = timer.get();
        return timer;
    }
    bool ClaimPort(std::uint16_t) override { return true; }
    std::string AccessPath(std::uint16_t base) const override { return sim_.AccessPath(base); }
    std::uint64_t NowUs() override { return sim_.NowUs(); }
    std::string Exit() override { return {}; }
    std::unique_ptr<tallis::FtdiTarget> OpenFtdi(std::string_view selector,
                                                 const tallis::board::FtdiWiring& wiring,
                                                 std::string& problem) override {
        return sim_.OpenFtdi(selector, wiring, problem);
    }
    std::vector<tallis::ftdi::FtdiListing> FtdiDevices(std::string& problem) override {
        return sim_.FtdiDevices(problem);
    }

    SteppedTimer* stepped = nullptr;

  private:
    tallis::SimTarget sim_;
};

// Lets the window answer until its command on the worker has ended.
void Finish(const tallis::MainWindow& mainWindow) {
    while (mainWindow.CommandRunning()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool Write(const QPixmap& picture, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    const bool saved = picture.save(path);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    return Write(window.grab(), folder, name);
}

// The run held at about a third of the gauge, with its Cancel button up.
bool SaveBusy(tallis::MainWindow& mainWindow, SteppedTimer& timer, const QDir& folder) {
    constexpr long kBatch = 40;
    timer.held = true;
    mainWindow.ProgramClick();
    while (mainWindow.ProgressGauge->Progress() < 35 && mainWindow.CommandRunning()) {
        timer.allowance += kBatch;
        while (timer.allowance.load() > 0 && mainWindow.CommandRunning()) {
            QApplication::processEvents();
        }
        QApplication::processEvents();
    }
    const bool ok = Save(mainWindow, folder, "main-window-busy.png");
    timer.held = false;
    Finish(mainWindow);
    return ok;
}

// The main window with the Device menu open, from the screen.
bool SaveDeviceMenu(tallis::MainWindow& mainWindow, const QDir& folder) {
    mainWindow.raise();
    mainWindow.activateWindow();
    QMenuBar* bar = mainWindow.menuBar();
    const QRect item = bar->actionGeometry(mainWindow.DeviceMenu->menuAction());
    mainWindow.DeviceMenu->popup(bar->mapToGlobal(item.bottomLeft()));
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const QRect area = mainWindow.frameGeometry().united(mainWindow.DeviceMenu->geometry());
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
        0, area.x(), area.y(), area.width(), area.height());
    mainWindow.DeviceMenu->hide();
    return Write(picture, folder, "device-menu.png");
}

// A simulated chip written with the file, then read: the memory view's
// Configuration tab, with the chip's calibration words.
bool SaveConfiguration(const QDir& folder, const char* device, const char* hex,
                       const char* picture) {
    SteppedSimTarget target(tallis::FindDevice(device));
    ScriptedDialogs dialogs;
    dialogs.nextFile = dialogs.scratch.filePath(QStringLiteral("file.hex"));
    QFile file(dialogs.nextFile);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(hex);
    file.close();
    tallis::DesktopWindows desktop(target, dialogs);
    tallis::MainWindow& mainWindow = desktop.Main;
    mainWindow.StartupTimer->stop();
    mainWindow.show();
    mainWindow.StartupTimerFired();
    Finish(mainWindow);
    desktop.Calibration.hide();
    mainWindow.OpenClick();
    mainWindow.WriteAllAction->trigger();
    Finish(mainWindow);
    mainWindow.ReadAction->trigger();
    Finish(mainWindow);
    desktop.Memory.Tabs->setCurrentIndex(2);
    desktop.Memory.resize(desktop.Memory.width(), desktop.Memory.height() * 3 / 2);  // every line
    const bool ok = Save(desktop.Memory, folder, picture);
    desktop.Memory.hide();
    mainWindow.hide();
    return ok;
}

// A PIC16F887 with both configuration words and its calibration word: four
// program words; ID 0x0001-0x0004; CONFIG1 0x2FF4 (internal oscillator, no
// LVP); CONFIG2 0x3AFF (WRT 01, BOR at 2.1 V). A PIC12F675 with its OSCCAL
// and band-gap bits kept through the write: three program words and a
// configuration word for the internal oscillator with GP3 as MCLR.
bool SaveConfigurations(const QDir& folder) {
    const bool ok887 = SaveConfiguration(folder, "16f887",
                                         ":08000000831686018312FF2F15\n"
                                         ":084000000100020003000400AE\n"
                                         ":04400E00F42FFF3A52\n"
                                         ":00000001FF\n",
                                         "memory-view-config-887.png");
    const bool ok675 = SaveConfiguration(folder, "12f675",
                                         ":0600000005280000831634\n"
                                         ":02400E00F401BB\n"
                                         ":00000001FF\n",
                                         "memory-view-config-675.png");
    return ok887 && ok675;
}

// Device > Production after three chips from the simulated socket, the
// third of which does not program.
bool SaveProduction(const QDir& folder) {
    tallis::SimTarget target(tallis::sim::TimeSource::Virtual);
    target.Simulation().SetUnprogrammableWord(0x0005);
    constexpr std::uint64_t kSecondNs = 1'000'000'000;
    target.UseInsertions({.chips = 3, .presentNs = 2 * kSecondNs, .absentNs = kSecondNs}, 2);
    ScriptedDialogs dialogs;
    tallis::DesktopWindows desktop(target, dialogs);
    tallis::MainWindow& mainWindow = desktop.Main;
    mainWindow.StartupTimer->stop();
    mainWindow.show();
    mainWindow.StartupTimerFired();
    Finish(mainWindow);
    desktop.Calibration.hide();
    mainWindow.OpenClick();
    mainWindow.ProductionClick();
    tallis::ProductionWindow& production = mainWindow.Production();
    production.CountBox->setText(QStringLiteral("3"));
    production.LogPathBox->setText(dialogs.scratch.filePath(QStringLiteral("chips.jsonl")));
    production.StartButton->click();
    Finish(mainWindow);
    const bool ok = Save(production, folder, "production-window.png");
    production.hide();
    mainWindow.hide();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: tallis-screenshots <folder> [icon.png]\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    SteppedSimTarget target;
    ScriptedDialogs dialogs;
    tallis::DesktopWindows desktop(target, dialogs);
    tallis::MainWindow& mainWindow = desktop.Main;
    mainWindow.StartupTimer->stop();
    mainWindow.show();
    mainWindow.StartupTimerFired();
    Finish(mainWindow);

    bool ok = Save(mainWindow, folder, "main-window.png");
    ok = Save(desktop.Calibration, folder, "time-calibrate.png") && ok;
    desktop.Calibration.hide();
    mainWindow.OpenClick();
    ok = SaveBusy(mainWindow, *target.stepped, folder) && ok;
    mainWindow.ProgramClick();
    Finish(mainWindow);
    ok = Save(mainWindow, folder, "main-window-after-run.png") && ok;
    ok = SaveDeviceMenu(mainWindow, folder) && ok;

    // The chip holds the blink example; a Verify against the counter example differs.
    dialogs.nextFile = kExamples + QStringLiteral("/counter877a.hex");
    mainWindow.OpenClick();
    mainWindow.VerifyAction->trigger();
    Finish(mainWindow);
    ok = Save(desktop.Memory, folder, "memory-view.png") && ok;
    mainWindow.ReadAction->trigger();
    Finish(mainWindow);
    desktop.Memory.Tabs->setCurrentIndex(2);
    ok = Save(desktop.Memory, folder, "memory-view-config.png") && ok;
    desktop.Memory.hide();

    mainWindow.OptionsClick();
    ok = Save(desktop.Options, folder, "options-dialog.png") && ok;
    desktop.Options.OkClick();
    mainWindow.AboutClick();
    ok = Save(desktop.About, folder, "about-box.png") && ok;
    desktop.About.OkClick();

    ok = SaveConfigurations(folder) && ok;
    ok = SaveProduction(folder) && ok;

    if (argc > 2) {
        const QPixmap icon = tallis::ProgrammerPicture().scaled(128, 128, Qt::KeepAspectRatio,
                                                                Qt::SmoothTransformation);
        ok = icon.save(QString::fromLocal8Bit(argv[2])) && ok;
    }
    return ok ? 0 : 1;
}
