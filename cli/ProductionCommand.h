#pragma once

#include <cstdint>
#include <functional>

#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Whether write runs as a production run: chip after chip (--repeat), or a
// serial number in the chip.
bool IsProductionWrite(const CliOptions& options);

// write with a production option: one line per chip as soon as it is done
// (with --repeat a summary at the end); the exit status (with --repeat 1 when
// any chip failed, else write's own).
int RunProductionCommand(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                         Delayer& timer, const std::function<std::uint64_t()>& nowUs,
                         bool showProgress);

// write on several boards at once (several --port): the targets made and
// started one by one, then each board's run on its own thread with its own
// timer, its own chip after chip; the serial counter and the log are shared.
// A per-board summary and a total at the end; the exit status (1 when any
// chip failed).
int RunOnSeveralBoards(const CliOptions& options, const ChipImageLoad& file);

}  // namespace tallis
