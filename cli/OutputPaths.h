#pragma once

#include <string>

#include "cli/CliOptions.h"

namespace tallis {

// A file the run would write (the simulated chip's memory, the trace) that is
// the input HEX file or another output: empty when there is none, else the
// message that refuses the run.
std::string OutputPathClash(const CliOptions& options);

// Read's file or the trace, when it cannot be written (a missing or read-only
// folder, a folder at the path, a read-only file, a name too long for the
// temporary file beside it): the message that refuses the run before the
// port is touched, else empty.
std::string UnwritableOutput(const CliOptions& options);

}  // namespace tallis
