#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/CommandWorker.h"
#include "app/DeviceCommand.h"
#include "app/EngineTimer.h"
#include "app/OpenedFile.h"
#include "app/Target.h"
#include "engine/Programmer.h"
#include "engine/RunHost.h"
#include "image/FirmwareImage.h"

namespace tallis {

class SessionView;

// What the main window does beyond drawing: the start-up step, the commands
// and their busy state, the port and chip choices. It owns the engine, its
// timer and the opened image, and runs the chip work on a worker thread so
// that the window keeps answering.
//
// Commands never overlap: one starts only when the start-up step has ended and
// no other runs. Every member is called on the window's thread; the engine's
// calls to the RunHost come on the worker and reach the view through Post.
// The session may be destroyed only when no command runs.
class DesktopSession : public RunHost {
  public:
    DesktopSession(Target& target, SessionView& view);
    ~DesktopSession() override;
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The window's creation: LPT 1, and the target's lines at rest.
    void Begin();
    // The start-up step. False when port access is missing: the view shows
    // MissingDriverText and ends the program without Close. Otherwise the timer
    // is enabled and calibrated on the worker, and calibrated runs on the
    // window's thread once that has ended.
    bool StartUp(std::function<void()> calibrated);
    // The window's close: the port's lines left safe.
    void Close();

    // Reads the file into a fresh image, so that a file that fails leaves the
    // one open before. False, with the reason shown, when it cannot be read.
    bool Open(const std::filesystem::path& path);
    void ProgramVerify();
    void Erase();
    void Reset();
    // The Device menu: identifies the chip (asked, or detected when null) and
    // runs the command in one programming session on the worker; Verify and
    // Write all take the open file, Read saves what it read to savePath. Ends
    // with the report's status line and message.
    void RunDevice(DeviceCommandKind kind, const Device* asked,
                   const std::filesystem::path& savePath = {});
    // The chip the last Device command found, if any.
    const Device* Identified() const { return identified_; }
    // Stops a program run or a Device command before its next step, VPP off.
    void Cancel();

    // Options' OK.
    void ApplyPortChoice(int portNumber);
    void ApplyPortAddress(std::uint16_t portBase);
    void SelectChip(ChipType chip) { chip_.store(chip); }

    bool StartupDone() const { return startupDone_; }
    bool Running() const { return worker_.Running(); }
    bool Cancellable() const { return Running() && cancellable_ && !worker_.CancelRequested(); }
    bool EngineCommandAllowed() const { return startupDone_ && !Running(); }
    bool CanProgram() const { return !Running() && image_ != nullptr; }
    const FirmwareImage* Image() const { return image_.get(); }
    const std::filesystem::path& OpenedPath() const { return openedFile_.Path(); }
    std::int32_t PortNumber() const { return programmer_->PortNumber; }
    std::uint16_t PortBase() const { return programmer_->PortBase; }

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

    void StartWork(Work work, bool cancellable);
    void EndWork(const Completion& done);
    bool ReloadIfChanged();
    bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }
    void Show(std::function<void()> call);
    void ShowDeviceReport(DeviceCommandKind kind, const DeviceCommandReport& report,
                          const std::filesystem::path& savePath);

    Target& target_;
    SessionView& view_;
    const std::thread::id windowThread_;
    std::unique_ptr<EngineTimer> timer_;
    std::unique_ptr<Programmer> programmer_;
    std::shared_ptr<const FirmwareImage> image_;
    OpenedFile openedFile_;
    CommandWorker worker_;
    std::atomic<ChipType> chip_{ChipType::Pic16F877A};
    std::atomic<int> portChoice_{1};
    bool cancellable_ = false;
    bool startupDone_ = false;
    const Device* identified_ = nullptr;
};

}  // namespace tallis
