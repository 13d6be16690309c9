#pragma once

#include <cstdio>

#include "portio/PortDriver.h"

namespace tallis {

// `tallis-cli ports`: one line per parallel port of this machine, or a line
// saying there is none. On Windows each line names the driver this choice
// would use.
void PrintParallelPorts(std::FILE* out, PortDriver driver);
// Then one line per FTDI device (--port ftdi:SERIAL or ftdi:INDEX), when
// this build can reach them.
void PrintFtdiDevices(std::FILE* out);

}  // namespace tallis
