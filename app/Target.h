#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/EngineTimer.h"
#include "app/FtdiTarget.h"
#include "ftdi/FtdiDevices.h"
#include "portio/PortIo.h"

namespace tallis {

// What the programmer's port leads to: the real parallel port and FTDI
// devices, or the simulated interface board and chip. Every front end chooses one at start-up
// (RealTarget or MakeSimTarget) and then only sees this interface.
//
// A target is made before anything is sent to a port (making the real one runs
// the port client's start-up) and its Exit runs once the work has ended.
class Target {
  public:
    virtual ~Target() = default;

    virtual PortIo& Port() = 0;
    // True when port access is available.
    virtual bool DriverStarted() const = 0;
    // Makes the port at this base reachable, if it can be; true when it is.
    virtual bool ClaimPort(std::uint16_t base) = 0;
    // The clock the engine waits on. Its waits take time once it is enabled;
    // a real one is then calibrated.
    virtual std::unique_ptr<EngineTimer> MakeTimer() = 0;
    // How the port at this base is reached, for reports: "ppdev", "direct",
    // "driver" or "simulated".
    virtual std::string AccessPath(std::uint16_t base) const = 0;
    // Microseconds on the clock the target's time runs by, for step durations.
    virtual std::uint64_t NowUs() = 0;
    // The port client's exit step, or the simulated chip's memory saved to its
    // state file. Returns an empty string or what went wrong.
    virtual std::string Exit() = 0;
    // A production run starts: a simulated operator begins to fill the socket.
    virtual void BeginProductionRun() {}

    // A board on an FTDI chip, for one command: the device the selector names
    // (what follows "ftdi:"), or the simulated FTDI chip with the simulated
    // chip behind it. Null with the problem, in words a user can act on.
    virtual std::unique_ptr<FtdiTarget> OpenFtdi(std::string_view selector,
                                                 const board::FtdiWiring& wiring,
                                                 std::string& problem) = 0;
    // The FTDI devices there are, for Options; problem: why none could be listed.
    virtual std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) = 0;
};

}  // namespace tallis
