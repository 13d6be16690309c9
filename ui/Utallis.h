#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/CommandWorker.h"
#include "app/DeviceCommand.h"
#include "app/EngineTimer.h"
#include "app/OpenedFile.h"
#include "app/WindowSettings.h"
#include "device/Device.h"
#include "engine/Programmer.h"
#include "engine/RunHost.h"
#include "image/FirmwareImage.h"
#include "ui/Bevel.h"
#include "ui/Dialogs.h"
#include "ui/Gauge.h"
#include "ui/StatusBar.h"

namespace tallis {

class Target;
class TForm2;
class TForm3;
class TForm4;
class MemoryView;

// The main window. It shows the commands, the chip choice, the loaded file's
// word count, the gauge and the status bar, owns the engine and the opened
// image, and runs the start-up step and the shut-down. The engine's work is
// done by Programmer and ProgramRun on a worker thread (CommandWorker); this
// window only starts it and shows what it reports, and keeps answering.
//
// Commands never overlap: while one runs, the others, Open, Options and the
// chip buttons are disabled, and the engine's commands wait for the start-up
// step, because until then the timer is off and the chip would be driven
// without its waits. The RunHost calls come from the worker: status and gauge
// are posted to this window's thread, a message waits there until dismissed.
class TForm1 : public QMainWindow, public RunHost {
    Q_OBJECT
  public:
    TForm1(Target& target, Dialogs& dialogs, SettingsStore* settings = nullptr);
    ~TForm1() override;

    // The other windows, made right after this one.
    void AttachWindows(TForm3& about, TForm2& options, TForm4& calibrate, MemoryView& memory);

    // Menu bar.
    QMenu* File1;
    QAction* Open1;
    std::vector<QAction*> RecentFiles;  // "&1 name", newest first
    QAction* N1;
    QAction* Exit1;
    QMenu* Programdevices1;
    QAction* Program1;
    QAction* Erase1;
    QAction* Reset1;
    QMenu* Device1;
    QAction* Identify1;
    QAction* Read1;
    QAction* Verify1;
    QAction* BlankCheck1;
    QAction* WriteAll1;
    QMenu* DeviceChip1;                 // the Device commands' chip: Auto-detect or one
    std::vector<QAction*> DeviceChips;  // Auto-detect first, then the device table's rows
    QAction* MemoryView1;
    QAction* Options1;
    QMenu* Help1;
    QAction* About2;

    // Controls, from back to front.
    QWidget* ClientArea;
    TBevel* Bevel1;
    TBevel* Bevel2;
    TBevel* Bevel3;
    TBevel* Bevel4;
    TGauge* Gau1;
    QLabel* Label1;
    QLabel* Image1;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton5;
    QToolButton* SpeedButton6;
    QToolButton* SpeedButton4;
    QLabel* Label4;
    QLabel* Label2;
    TStatusBar* StatusBar1;
    QGroupBox* RadioGroup1;
    QRadioButton* pic877;
    QRadioButton* pic877a;
    QLineEdit* Edit1;
    QPushButton* CancelButton;  // shown while a command that can stop runs

    // Components without a place in the window.
    OpenDialogSettings OpenD1;
    std::unique_ptr<EngineTimer> HighResTimer1;
    QTimer* Timer1;

    // Port settings; they live in the engine and always change together.
    std::uint16_t PortBase() const { return programmer_->PortBase; }
    std::int32_t PortNumber() const { return programmer_->PortNumber; }
    // Options' OK: 1 -> LPT 1 (0x378), 2 -> LPT 2 (0x278), shown in the status bar.
    void ApplyPortChoice(int portNumber);
    // Options' OK with "Other address": that port, if it can be reached.
    void ApplyPortAddress(std::uint16_t portBase);

    // Reads a HEX file and shows it; a file that fails is reported and
    // changes nothing. Refused while a command runs.
    bool OpenFile(const QString& path);

    // The opened file, null until one has been read.
    const FirmwareImage* Image() const { return image_.get(); }
    const WindowSettings& Settings() const { return settings_; }
    bool StartupDone() const { return startupDone_; }
    // A chip command (or the calibration) on the worker, or the Open dialog.
    bool CommandRunning() const { return busy_ || worker_.Running(); }
    // Cancel and Esc: the running command stops before its next word.
    void CancelCommand();

    // Event handlers.
    void Exit1Click();
    void Open1Click();
    void FormCreate();
    void Options1Click();
    void FormClose();
    void SpeedButton5Click();
    void SpeedButton3Click();
    void SpeedButton6Click();
    void Ab1Click();
    void SpeedButton1Click();
    void SpeedButton4Click();
    void Timer1Timer();
    void MemoryView1Click();
    void DeviceCommandClick(DeviceCommandKind kind);

    // RunHost.
    ChipType SelectedChip() const override;
    int OptionsPortChoice() const override;
    void ShowStatus(const std::string& text) override;
    void SetGauge(int percent) override;
    void ShowMessage(const std::string& text) override;
    void ProcessEvents() override;
    bool CancelRequested() const override { return worker_.CancelRequested(); }
    void ShowAddressSkip(std::uint32_t done, std::uint32_t total) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // What the window does once the worker's part has ended, on its own thread.
    using Completion = std::function<void()>;
    using Work = std::function<Completion()>;

    void BuildMenu();
    void BuildControls();
    void ConnectHandlers();
    bool EngineCommandAllowed() const;
    void ShowDialog(QWidget& dialog);
    template <typename Modal>
    void RunModal(Modal&& modal);
    void StartWork(Work work, bool cancellable);
    void EndWork(const Completion& done);
    void ShowCommandState();
    bool ReloadIfChanged();
    void ApplySettings();
    void StoreSettings();
    void ShowRecentFiles();
    const Device& ViewDevice() const;
    const Device* AskedDevice() const;
    void BuildDeviceMenu(QMenuBar* bar);
    void ShowDeviceReport(DeviceCommandKind kind, const DeviceCommandReport& report,
                          const ChipImage* file, const QString& savePath);
    void ShowInMemoryView(const ChipImage& image, const Device& device, const QString& source);
    template <typename Call>
    void OnWindowThread(Call&& call);

    Target& target_;
    Dialogs& dialogs_;
    SettingsStore* store_;
    WindowSettings settings_;
    std::unique_ptr<Programmer> programmer_;
    // Shared with the worker, which keeps the copy it started with.
    std::shared_ptr<const FirmwareImage> image_;
    OpenedFile openedFile_;
    QString openedPath_;
    bool reloaded_ = false;  // the last ReloadIfChanged read the file again
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    MemoryView* memoryView_ = nullptr;
    const Device* identified_ = nullptr;  // the chip the last Device command found
    // What the worker reads: the chip buttons (disabled during a run) and the
    // port choice taken when the command starts.
    std::atomic<ChipType> chip_{ChipType::Pic16F877A};
    std::atomic<int> portChoice_{0};
    CommandWorker worker_;
    bool cancellable_ = false;
    bool closeAfterRun_ = false;
    bool busy_ = false;
    bool startupDone_ = false;
    bool ending_ = false;
};

}  // namespace tallis
