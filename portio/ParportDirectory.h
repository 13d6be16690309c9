#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallis {

// A /proc/sys/dev/parport/parportN entry: N and the port's I/O base.
struct ParportEntry {
    int number = 0;
    unsigned long base = 0;
};

// Every parallel port the kernel knows, by rising N. procRoot is "/proc" on a
// running system.
std::vector<ParportEntry> ListParports(const std::string& procRoot);

// Which parallel port the kernel knows at an I/O base address: the N of the
// /proc/sys/dev/parport/parportN entry whose base-addr starts with that base.
// procRoot is "/proc" on a running system.
std::optional<int> FindParportForBase(const std::string& procRoot, std::uint16_t base);

}  // namespace tallis
