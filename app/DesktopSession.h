#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/CommandWorker.h"
#include "app/EngineTimer.h"
#include "app/OpenedFile.h"
#include "app/OperationFlow.h"
#include "app/ProductionForm.h"
#include "app/Target.h"
#include "app/WindowSettings.h"
#include "board/BoardFile.h"
#include "classic/ClassicProgrammer.h"
#include "classic/RunHost.h"
#include "image/FirmwareImage.h"
#include "wire/ParallelPortTransport.h"
#include "wire/TimingProfile.h"

namespace tallis {

class SessionView;

// A production run as its window shows it: the counts so far and the last
// chip's result.
struct ProductionTally {
    unsigned passed = 0;
    unsigned failed = 0;
    bool lastPassed = false;
    std::string lastLine;  // ChipRunLine of the last chip; empty before the first
};

// What the production window is told, on the window's thread: each chip at
// once, and the run's end.
struct ProductionObserver {
    std::function<void(const ProductionTally&)> chipDone;
    std::function<void(const ProductionTally&)> ended;
};

// The window's commands whose controls (menu items, tool buttons, the chip
// buttons) are enabled or not.
enum class WindowCommand {
    Open,  // also the recent files
    Options,
    ChipButtons,
    DeviceChip,  // Device > Chip
    Erase,
    Reset,
    Identify,
    Read,
    BlankCheck,
    ProgramVerify,
    Verify,
    WriteAll,
    Production,  // Device > Production
    Cancel,
};

// What the main window does beyond drawing: the start-up step, the commands
// and their busy state, the port and chip choices and the settings kept
// between runs. It owns the engine, its timer and the opened image, and runs
// the chip work on a worker thread so that the window keeps answering.
//
// Commands never overlap: one starts only when the start-up step has ended and
// no other runs. Every member is called on the window's thread; the engine's
// calls to the RunHost come on the worker and reach the view through Post.
// The session may be destroyed only when no command runs.
class DesktopSession : public RunHost {
  public:
    // Settings are loaded from store and saved to it on every change; without
    // a store they last as long as the session.
    DesktopSession(Target& target, SessionView& view, SettingsStore* store = nullptr);
    ~DesktopSession() override;
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The window's creation: LPT 1 and the target's lines at rest (unpowered,
    // on a board that switches its supply), then the remembered port (an
    // address only if it can be reached) and chip choices.
    void Begin();
    // The start-up step. False when port access is missing: the view shows
    // MissingDriverText and ends the program without Close. Otherwise the timer
    // is enabled, calibrating runs, the timer is calibrated on the worker, and
    // calibrated runs on the window's thread once that has ended.
    bool StartUp(const std::function<void()>& calibrating, std::function<void()> calibrated);
    // The window's close: where it was is remembered, the port's lines left safe.
    void Close(std::optional<WindowPosition> position = std::nullopt);

    // Reads the file into a fresh image, so that a file that fails leaves the
    // one open before. False, with the reason shown, when it cannot be read.
    // A file opened becomes the newest recent file and its folder the last one.
    bool Open(const std::filesystem::path& path);
    void ProgramVerify();
    void Erase();
    void Reset();
    // The Device menu: identifies the chip (the Device commands' choice, or
    // detected) and runs the command in one programming session on the
    // worker, with the fast timing when chosen; Verify and Write all take the
    // open file (read again first, and said so, when it has changed on disk),
    // Read saves what it read to savePath. Ends with what was read,
    // or the file with the chip's differences, for the memory view, then the
    // report's status line and message.
    // allowLvpOff: Write all writes a configuration word that clears LVP even
    // over a board without VPP (asked for after it was refused).
    void RunDevice(DeviceCommandKind kind, const std::filesystem::path& savePath = {},
                   bool allowLvpOff = false);
    // Device > Production: chip after chip with the open file (read again
    // first when it has changed on disk), as write --repeat does on the
    // command line, at the Device commands' chip and timing, until count
    // chips are done or Cancel; the board's supply off between sessions
    // where it switches it. Each chip goes to the log and takes a serial
    // number as chosen. Empty when the run started, else why not.
    std::string StartProduction(const ProductionChoice& choice, ProductionObserver observer);
    // Keeps the production window's fields, as started, in the settings.
    void RememberProductionForm(const ProductionForm& form);
    // The chip the last Device command found, if any.
    const Device* Identified() const { return identified_; }
    // The Device commands' chip: nullptr for Auto-detect.
    void SelectDeviceChip(const Device* device);
    const Device* DeviceChip() const;
    // The device whose sizes and configuration fields the memory view uses:
    // the Device commands' choice, else the chip they last found, else the
    // chip buttons' choice.
    const Device& ViewDevice() const;
    // Device > Memory view: the open file through the view's ShowChipImage;
    // without one, an empty chip named "no file open" when showEmpty (the
    // view shows nothing yet). A file the strict reader refuses is named in
    // the status bar instead.
    void ShowOpenFileImage(bool showEmpty);
    // Options' "Fast programming": the Device commands' timing.
    void UseFastTiming(bool fast);
    bool FastTiming() const { return settings_.fastTiming; }
    // Options' port driver (Windows): kept for the program's next start, which
    // is when the port driver starts.
    void UsePortDriver(PortDriver driver);
    PortDriver PortDriverChoice() const { return settings_.portDriver; }
    // Stops a program run or a Device command before its next step, VPP off.
    void Cancel();

    // Options' board: a built-in board's name or a board file. Empty when it
    // is in force (and remembered), else why it cannot be used; the board in
    // force stays then. Not while a command runs. A board on an FTDI chip
    // runs the Device commands through the FTDI device chosen; the classic
    // commands, a parallel port's exact sequences, are not offered with it.
    std::string ApplyBoard(const std::string& nameOrFile);
    // The parallel-port board (the default one while an FTDI board is in force).
    const board::BoardWiring& Board() const { return *board_; }
    // The board on an FTDI chip in force, or null.
    const board::FtdiWiring* FtdiBoard() const { return ftdiBoard_; }
    // Options' FTDI device: what follows "ftdi:" (empty: the only one there is).
    void ApplyFtdiDevice(const std::string& selector);
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) {
        return target_.FtdiDevices(problem);
    }

    // Options' OK.
    void ApplyPortChoice(int portNumber);
    void ApplyPortAddress(std::uint16_t portBase);
    void SelectChip(ChipType chip);
    const WindowSettings& Settings() const { return settings_; }

    bool StartupDone() const { return startupDone_; }
    bool Running() const { return worker_.Running(); }
    // A command that Cancel can stop runs; Cancellable until it has been asked to.
    bool RunsCancellable() const { return Running() && cancellable_; }
    bool Cancellable() const { return RunsCancellable() && !worker_.CancelRequested(); }
    bool EngineCommandAllowed() const { return startupDone_ && !Running(); }
    bool CanProgram() const { return !Running() && image_ != nullptr; }
    // Whether the command's controls are enabled now: the one answer that
    // every window draws.
    bool CommandEnabled(WindowCommand command) const;
    const FirmwareImage* Image() const { return image_.get(); }
    const std::filesystem::path& OpenedPath() const { return openedFile_.Path(); }
    std::int32_t PortNumber() const { return programmer_->PortNumber(); }
    std::uint16_t PortBase() const { return programmer_->PortBase(); }

    // RunHost.
    ChipType SelectedChip() const override { return chip_.load(); }
    int OptionsPortChoice() const override { return portChoice_.load(); }
    void ShowStatus(const std::string& text) override;
    void SetGauge(int percent) override;
    void ShowMessage(const std::string& text) override;
    void ProcessEvents() override {}
    bool CancelRequested() const override { return worker_.CancelRequested(); }
    void ShowAddressSkip(std::uint32_t done, std::uint32_t total) override;

  private:
    using Completion = std::function<void()>;
    using Work = std::function<Completion()>;

    void RunToEnd(void (ClassicProgrammer::*command)(), std::string_view doneStatus, bool powerOff);
    void StartWork(Work work, bool cancellable);
    void EndWork(const Completion& done);
    // The open file as it is on disk now: Unchanged, Reloaded, or Unusable
    // (it can no longer be read; that has been reported).
    enum class OpenFileState { Unchanged, Reloaded, Unusable };
    OpenFileState ReloadIfChanged();
    bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }
    void Show(std::function<void()> call);
    void ShowDeviceReport(DeviceCommandKind kind, const OperationReport& report,
                          const std::string& cancelledStatus, const Device* asked,
                          const ChipImage* file, const std::filesystem::path& savePath);
    // A chip of the other classic family than the chip buttons say: the
    // classic commands would send it the wrong sequence, so the user is
    // offered the switch.
    void OfferChipButtonsFor(const Device& found);
    void RestorePort();
    // Runs work over the board in force: the FTDI device opened for it and
    // left with every pin an input, or the parallel port's lines, the target
    // unpowered after them where the board switches it. False with problem
    // when the FTDI device cannot be used (work did not run).
    bool OnBoardLines(const std::function<void(LineTransport&)>& work, std::string& problem);
    // The Device command's operation over the board in force. Null with
    // problem when the FTDI device cannot be used.
    std::unique_ptr<OperationReport> RunOnBoard(const SessionSetup& setup,
                                                const OperationRequest& request,
                                                std::string& problem);
    void SaveSettings();
    // After a command that does not leave the target running: a board that
    // switches the target's supply has it on only while a command runs.
    void PowerOffIfSwitched();

    Target& target_;
    SessionView& view_;
    SettingsStore* store_;
    WindowSettings settings_;
    const std::thread::id windowThread_;
    std::unique_ptr<EngineTimer> timer_;
    // The board in force; boardFile_ owns it when it was read from a file.
    std::shared_ptr<const board::OwnedBoard> boardFile_;
    const board::BoardWiring* board_ = &board::kDefaultBoard;
    const board::FtdiWiring* ftdiBoard_ = nullptr;
    // The port's lines, and the classic commands over them. A Device command
    // runs in a session of its own over the same lines.
    std::unique_ptr<ParallelPortTransport> lines_;
    std::unique_ptr<ClassicProgrammer> programmer_;
    std::shared_ptr<const FirmwareImage> image_;
    OpenedFile openedFile_;
    CommandWorker worker_;
    std::atomic<ChipType> chip_;
    std::atomic<int> portChoice_{1};
    bool cancellable_ = false;
    bool startupDone_ = false;
    const Device* identified_ = nullptr;
};

}  // namespace tallis
