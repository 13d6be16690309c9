#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "portio/PortDriver.h"

namespace tallis {

// A parallel port of this machine as TALLIS would reach it.
struct ParallelPortInfo {
    std::string name;                   // "/dev/parport0", "LPT1"
    std::optional<std::uint16_t> base;  // the I/O base, where the system reports it
    std::string access;                 // how TALLIS reaches it, and whether this user may
};

// The parallel ports the system reports, in its order; empty when it has none.
// On Windows, access says which driver this choice would use for them.
std::vector<ParallelPortInfo> ListParallelPorts(PortDriver driver = PortDriver::Auto);

#ifndef _WIN32
// The Linux listing under other roots than "/proc" and "/dev", for tests.
std::vector<ParallelPortInfo> ListLinuxParallelPorts(const std::string& procRoot,
                                                     const std::string& devRoot);
#endif

}  // namespace tallis
