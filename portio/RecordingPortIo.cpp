#include "portio/RecordingPortIo.h"

namespace tallis {

void RecordingPortIo::WriteByte(std::uint16_t port, std::uint8_t value) {
    inner_.WriteByte(port, value);
    trace_.RecordWrite(port, value);
}

std::uint8_t RecordingPortIo::ReadByte(std::uint16_t port) {
    std::uint8_t value = inner_.ReadByte(port);
    trace_.RecordRead(port, value);
    return value;
}

}  // namespace tallis
