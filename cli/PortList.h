#pragma once

#include <cstdio>

namespace tallis {

// `tallis-cli ports`: one line per parallel port of this machine, or a line
// saying there is none.
void PrintParallelPorts(std::FILE* out);

}  // namespace tallis
