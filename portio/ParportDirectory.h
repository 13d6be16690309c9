#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallis {

// Which parallel port the kernel knows at an I/O base address: the N of the
// /proc/sys/dev/parport/parportN entry whose base-addr starts with that base.
// procRoot is "/proc" on a running system.
std::optional<int> FindParportForBase(const std::string& procRoot, std::uint16_t base);

}  // namespace tallis
