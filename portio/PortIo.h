#pragma once

#include <cstdint>

namespace tallis {

// The port seam: everything above it talks to the parallel port only through
// these two calls, at I/O addresses (base, base + 1, base + 2).
class PortIo {
  public:
    virtual ~PortIo() = default;
    virtual void WriteByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t ReadByte(std::uint16_t port) = 0;
    // Accesses that the system refused so far (a failed ppdev request or driver
    // call): an operation that saw one ends with a port error, since whatever
    // it read or wrote meanwhile means nothing. Ports that cannot fail keep 0.
    virtual std::uint64_t FailedAccesses() const { return 0; }
};

}  // namespace tallis
