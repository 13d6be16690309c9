#pragma once

#include <cstdint>
#include <string>

#include "portio/InpOutClient.h"
#include "portio/PortDriver.h"
#include "portio/Win32Api.h"
#include "portio/ZlportioClient.h"

namespace tallis {

// Port access on Windows through the driver chosen (see PortDriver): InpOut
// or zlportio.sys. Either driver reaches every port, so no base is claimed.
class WindowsPortAccess {
  public:
    explicit WindowsPortAccess(Win32Api& api);

    // Starts the chosen driver (with Auto, the one it resolves to); true when
    // the port can be reached. Ends whatever an earlier start-up began.
    bool Startup(PortDriver choice);
    void Exit();

    bool Started() const;
    // The driver the last start-up used or tried; Auto when it found none.
    PortDriver DriverTried() const { return tried_; }
    // What the last start-up could not do and how to mend it; empty after a
    // successful one.
    std::string StartupFailure();
    // "inpout" or "driver" (zlportio.sys) once started, else "none".
    std::string Kind() const;
    // Which driver a start-up with this choice would use, and where it is
    // looked for, for the port listing. Loads nothing and starts nothing.
    std::string RouteFor(PortDriver choice);

    void WriteByte(std::uint16_t port, std::uint8_t value);
    std::uint8_t ReadByte(std::uint16_t port);
    std::uint64_t FailedAccesses() const;

  private:
    // Auto's pick: InpOut when its library loads, else zlportio.sys when its
    // file lies beside the program; Auto when neither is there.
    PortDriver Resolve();
    bool ZlportioFilePresent();
    std::string ProgramFolder();
    std::string ProgramName();

    Win32Api& api_;
    ZlportioClient zlportio_;
    InpOutClient inpout_;
    bool zlportioRunning_ = false;
    PortDriver tried_ = PortDriver::Auto;
};

}  // namespace tallis
