#pragma once

#include <cstdint>
#include <memory>

#include "app/EngineTimer.h"
#include "portio/PortIo.h"

namespace tallis {

// What the programmer's port leads to: the real parallel port, or the simulated
// interface board and chip. The program chooses one at start-up; the windows
// only see this interface.
//
// A target is made before any window exists (making it runs the port client's
// start-up) and its Exit runs after the event loop has ended.
class Target {
  public:
    virtual ~Target() = default;

    virtual PortIo& Port() = 0;
    // True when port access is available; read once, by the start-up step.
    virtual bool DriverStarted() const = 0;
    // The clock the engine waits on; made once, with the main window.
    virtual std::unique_ptr<EngineTimer> MakeTimer() = 0;
    // The port client's exit step.
    virtual void Exit() = 0;
    // Makes the port at this base reachable, if it can be; true when it is.
    virtual bool ClaimPort(std::uint16_t base) = 0;
};

}  // namespace tallis
