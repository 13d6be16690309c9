#pragma once

#include "cli/CliOptions.h"
#include "cli/ConsoleRunHost.h"
#include "image/FirmwareImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Runs one command on a port and a timer that are ready for it, and returns
// the exit status. The image is needed by the program command only.
int RunCommand(const CliOptions& options, const FirmwareImage* image, PortIo& port, Delayer& timer,
               ConsoleRunHost& host);

}  // namespace tallis
