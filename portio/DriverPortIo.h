#pragma once

#include "portio/PortIo.h"

namespace tallis {

// The program's port: the process-wide PortWriteByte and PortReadByte of
// PortAccess.h. StartPortAccess must have run for it to reach anything.
class DriverPortIo : public PortIo {
  public:
    void WriteByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t ReadByte(std::uint16_t port) override;
    std::uint64_t FailedAccesses() const override;
};

}  // namespace tallis
