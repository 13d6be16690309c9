#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/CliOptions.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// The port and the timer that one command runs on, and what has to happen
// before and after it: the port client's start-up and exit on hardware,
// loading and saving the chip's memory in the simulation.
class CommandTarget {
  public:
    virtual ~CommandTarget() = default;

    // Everything that can fail without touching a port: files, options.
    // Returns an empty string or what went wrong, for the user.
    virtual std::string Prepare() = 0;
    // Makes the port reachable and the timer ready. Returns an empty string or
    // what is missing and how to get it. Nothing has been sent to a port yet.
    virtual std::string Start() = 0;
    virtual PortIo& Port() = 0;
    virtual Delayer& Timer() = 0;
    // Runs after the command. Returns an empty string or what went wrong.
    virtual std::string Finish() = 0;

    // For reports, once started: how the port is reached ("ppdev", "direct",
    // "driver", "simulated") and how the timer was calibrated.
    virtual std::string AccessPath() const = 0;
    virtual std::string TimerCalibration() const = 0;
    // Microseconds on the clock the target's time runs by (virtual time in a
    // dry run), for step durations.
    virtual std::uint64_t NowUs() = 0;
};

// The simulated board and chip, or the hardware, as the options say.
std::unique_ptr<CommandTarget> MakeCommandTarget(const CliOptions& options, bool showProgress);

}  // namespace tallis
