#pragma once

#include <cstdio>

namespace tallis {

// `tallis-cli ports`: one line per parallel port of this machine, or a line
// saying there is none.
void PrintParallelPorts(std::FILE* out);
// Then one line per FTDI device (--port ftdi:SERIAL or ftdi:INDEX), when
// this build can reach them.
void PrintFtdiDevices(std::FILE* out);

}  // namespace tallis
