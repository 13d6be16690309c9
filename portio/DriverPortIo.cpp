#include "portio/DriverPortIo.h"

#include "portio/PortAccess.h"

namespace tallis {

void DriverPortIo::WriteByte(std::uint16_t port, std::uint8_t value) {
    PortWriteByte(port, value);
}

std::uint8_t DriverPortIo::ReadByte(std::uint16_t port) {
    return PortReadByte(port);
}

std::uint64_t DriverPortIo::FailedAccesses() const {
    return PortFailedAccesses();
}

}  // namespace tallis
