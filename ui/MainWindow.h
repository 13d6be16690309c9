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
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/DesktopSession.h"
#include "app/SessionView.h"
#include "app/WindowSettings.h"
#include "ui/Bevel.h"
#include "ui/Dialogs.h"
#include "ui/Gauge.h"
#include "ui/StatusBar.h"

namespace tallis {

class Target;
class OptionsDialog;
class AboutBox;
class CalibrationWindow;
class MemoryView;
class ProductionWindow;

// The main window. It shows the commands, the chip choice, the loaded file's
// word count, the gauge and the status bar. What the commands do, the
// start-up step and the shut-down, the opened file and the settings are the
// session's (DesktopSession), which runs the chip work on a worker thread;
// this window starts them and shows what they report, and keeps answering.
//
// Commands never overlap: while one runs, the others, Open, Options and the
// chip buttons are disabled, and the engine's commands wait for the start-up
// step, because until then the timer is off and the chip would be driven
// without its waits. Nor does a command start while a dialog or a message box
// of this window is up.
class MainWindow : public QMainWindow, public SessionView {
    Q_OBJECT
  public:
    MainWindow(Target& target, Dialogs& dialogs, SettingsStore* settings = nullptr);
    ~MainWindow() override;

    // The other windows, made right after this one.
    void AttachWindows(AboutBox& about, OptionsDialog& options, CalibrationWindow& calibrate,
                       MemoryView& memory);

    // Menu bar.
    QMenu* FileMenu;
    QAction* OpenAction;
    std::vector<QAction*> RecentFiles;  // "&1 name", newest first
    QAction* RecentFilesEnd;
    QAction* ExitAction;
    QMenu* RunMenu;
    QAction* ProgramAction;
    QAction* EraseAction;
    QAction* ResetAction;
    QMenu* DeviceMenu;
    QAction* IdentifyAction;
    QAction* ReadAction;
    QAction* VerifyAction;
    QAction* BlankCheckAction;
    QAction* WriteAllAction;
    QAction* ProductionAction;
    QMenu* DeviceChipMenu;              // the Device commands' chip: Auto-detect or one
    std::vector<QAction*> DeviceChips;  // Auto-detect first, then the device table's rows
    QAction* MemoryViewAction;
    QAction* OptionsAction;
    QMenu* HelpMenu;
    QAction* AboutAction;

    // Controls, from back to front.
    QWidget* ClientArea;
    Bevel* TopEdge;
    Bevel* ToolbarEdge;
    Bevel* TopHighlight;
    Bevel* GaugeFrame;
    Gauge* ProgressGauge;
    QLabel* ProgressCaption;
    QLabel* BoardPicture;
    QToolButton* OpenButton;
    QToolButton* ProgramButton;
    QToolButton* EraseButton;
    QToolButton* ResetButton;
    QToolButton* AboutButton;
    QToolButton* ExitButton;
    QLabel* TitleLabel;
    QLabel* WordCaption;
    StatusBar* StatusLine;
    QGroupBox* ChipGroup;
    QRadioButton* pic877;
    QRadioButton* pic877a;
    QLineEdit* WordCountBox;
    QPushButton* CancelButton;  // shown while a command that can stop runs

    // Components without a place in the window.
    OpenDialogSettings HexFileDialog;
    QTimer* StartupTimer;

    // Port settings; they live in the engine and always change together.
    std::uint16_t PortBase() const { return session_.PortBase(); }
    std::int32_t PortNumber() const { return session_.PortNumber(); }
    // The Options dialog's port buttons: 1 or 2 for LPT 1 / LPT 2, 0 for
    // another address. Whenever a command can start they show the choice in
    // force, which the program run selects at its start.
    int OptionsPortChoice() const;
    // Options' OK: 1 -> LPT 1 (0x378), 2 -> LPT 2 (0x278), shown in the status bar.
    void ApplyPortChoice(int portNumber) { session_.ApplyPortChoice(portNumber); }
    // Options' OK with "Other address": that port, if it can be reached.
    void ApplyPortAddress(std::uint16_t portBase) { session_.ApplyPortAddress(portBase); }
    // Options' board: a built-in board's name or a board file; empty when
    // it is in force, else why not.
    std::string ApplyBoard(const std::string& nameOrFile) {
        return session_.ApplyBoard(nameOrFile);
    }
    // Options' FTDI devices, and the one chosen: what follows "ftdi:".
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) {
        return session_.FtdiDevices(problem);
    }
    void ApplyFtdiDevice(const std::string& selector) { session_.ApplyFtdiDevice(selector); }
    // Options' "Load board file...": the file chosen, or nothing.
    std::optional<QString> AskBoardFile();
    // Options' "Fast programming": the Device commands' timing.
    void UseFastTiming(bool fast) { session_.UseFastTiming(fast); }
    bool FastTiming() const { return session_.FastTiming(); }
    ChipType SelectedChip() const { return session_.SelectedChip(); }

    // Reads a HEX file and shows it; a file that fails is reported and
    // changes nothing. Refused while a command runs.
    bool OpenFile(const QString& path);

    // The opened file, null until one has been read.
    const FirmwareImage* Image() const { return session_.Image(); }
    const WindowSettings& Settings() const { return session_.Settings(); }
    bool StartupDone() const { return session_.StartupDone(); }
    // A chip command (or the calibration) on the worker, or a dialog or
    // message box of this window.
    bool CommandRunning() const { return busy_ || session_.Running(); }
    // Cancel and Esc: the running command stops before its next word.
    void CancelCommand() { session_.Cancel(); }

    // Event handlers: each menu item and its tool button share one.
    void OpenClick();
    void ExitClick();
    void ProgramClick();
    void EraseClick();
    void ResetClick();
    void OptionsClick();
    void AboutClick();
    void MemoryViewClick();
    // The start-up step, half a second after the window shows.
    void StartupTimerFired();
    // Remembers where the window was and leaves the port's lines safe.
    void CloseSession();
    void DeviceCommandClick(DeviceCommandKind kind);
    // Device > Production: the production window, over this one.
    void ProductionClick();
    ProductionWindow& Production() { return *productionWindow_; }

    // SessionView.
    void Post(std::function<void()> call) override;
    void ShowStatus(const std::string& text) override;
    void SetGauge(int percent) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& question) override;
    void CommandStateChanged() override;
    void CommandEnded() override;
    void ShowChipImage(const ChipImage& image, const Device& device, const std::string& source,
                       const std::vector<Difference>& marked) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildMenu();
    void BuildControls();
    void ConnectHandlers();
    bool EngineCommandAllowed() const;
    void ShowDialog(QWidget& dialog);
    template <typename Modal>
    void RunModal(Modal&& modal);
    void ApplySettings();
    void ShowOpenedFile();
    void ShowRecentFiles();
    void BuildDeviceMenu(QMenuBar* bar);

    Dialogs& dialogs_;
    DesktopSession session_;
    OptionsDialog* optionsDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    CalibrationWindow* calibrationWindow_ = nullptr;
    MemoryView* memoryView_ = nullptr;
    ProductionWindow* productionWindow_ = nullptr;
    std::vector<std::string> recentShown_;  // the files RecentFiles lists
    bool closeAfterRun_ = false;
    bool busy_ = false;
    bool ending_ = false;
};

}  // namespace tallis
