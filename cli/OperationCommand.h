#pragma once

#include <optional>

#include "cli/CliOptions.h"
#include "engine/EngineHost.h"
#include "image/ChipImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Runs identify, read, verify, blank-check or write on a port and a timer
// that are ready, prints what it found and returns the exit status. image is
// the parsed file of verify and write.
int RunChipOperation(const CliOptions& options, const std::optional<ChipImage>& image, PortIo& port,
                     Delayer& timer, const EngineHost& host, bool showProgress);

}  // namespace tallis
