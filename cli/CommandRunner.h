#pragma once

#include <functional>

#include "cli/CliOptions.h"
#include "cli/ConsoleRunHost.h"
#include "image/FirmwareImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Runs one command on a port and a timer that are ready for it, and returns
// the exit status. The image is needed by the program command only.
// stopStatus is asked at the run's safe points (0: go on); a stop there takes
// the target out of programming mode and releases it, and the command ends
// with that status.
int RunCommand(const CliOptions& options, const FirmwareImage* image, PortIo& port, Delayer& timer,
               ConsoleRunHost& host, const std::function<int()>& stopStatus);

}  // namespace tallis
