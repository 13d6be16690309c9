#pragma once

#include <string>

#include "cli/CliOptions.h"

namespace tallis {

// A file the run would write (the simulated chip's memory, the trace) that is
// the input HEX file or another output: empty when there is none, else the
// message that refuses the run.
std::string OutputPathClash(const CliOptions& options);

}  // namespace tallis
