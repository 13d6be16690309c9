#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/EngineTimer.h"
#include "app/FtdiTarget.h"
#include "app/SimTarget.h"
#include "app/Target.h"
#include "cli/CliOptions.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// The app's target that one command runs on, as the options name it, made
// and started in the order the command line promises: everything that can
// fail without a port (the simulated chip's state file) first, the port
// client's start-up and the timer's calibration last.
class CommandTarget {
  public:
    CommandTarget(const CliOptions& options, bool onTerminal);

    // --sim: the simulated board and chip with their fault and state file.
    // Returns an empty string or what went wrong, for the user.
    std::string Prepare();
    // Makes the port reachable (the hardware's port client) and starts the
    // timer as the desktop program does: enabled, then a real one calibrated
    // for three seconds at a raised waiting priority, the command running
    // alone on this thread. Returns an empty string or what is missing and
    // how to get it. Nothing has been sent to a port yet.
    std::string Start();
    PortIo& Port() { return target_->Port(); }
    // With --port ftdi: the board's lines on the FTDI chip, instead of Port.
    LineTransport* FtdiLines() { return ftdi_ ? &ftdi_->Lines() : nullptr; }
    Delayer& Timer() { return *timer_; }
    // Runs after the command: what the simulated chip saw, its memory saved,
    // the port client's exit. Returns an empty string or what went wrong.
    std::string Finish();

    // For reports, once started: how the port is reached and how the timer
    // was calibrated.
    std::string AccessPath() const { return target_->AccessPath(options_.portBase); }
    std::string TimerCalibration() const { return calibration_; }
    // Microseconds on the clock the target's time runs by (virtual time in a
    // dry run), for step durations.
    std::uint64_t NowUs() { return target_->NowUs(); }

  private:
    std::string PrepareFtdi();

    const CliOptions& options_;
    bool onTerminal_;
    std::unique_ptr<Target> target_;
    std::unique_ptr<FtdiTarget> ftdi_;
    sim::SimulatedTarget* simulation_ = nullptr;
    std::unique_ptr<EngineTimer> timer_;
    std::string calibration_;
};

// The simulated board and chip, or the hardware, as the options say.
std::unique_ptr<CommandTarget> MakeCommandTarget(const CliOptions& options, bool onTerminal);

}  // namespace tallis
