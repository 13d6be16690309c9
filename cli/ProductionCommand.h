#pragma once

#include <cstdint>
#include <functional>

#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Whether write runs as a production run: chip after chip (--repeat).
bool IsProductionWrite(const CliOptions& options);

// write --repeat: one line per chip as soon as it is done, a summary at the
// end; the exit status (1 when any chip failed).
int RunProductionCommand(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                         Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                         bool showProgress);

}  // namespace tallis
