#pragma once

#include <cstdio>

#include "portio/PortDriver.h"

namespace tallis {

// `tallis-cli ports`: one line per parallel port of this machine, or a line
// saying there is none. On Windows each line names the driver this choice
// would use.
void PrintParallelPorts(std::FILE* out, PortDriver driver);

}  // namespace tallis
