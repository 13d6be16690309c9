#pragma once

#include "portio/AccessTrace.h"
#include "portio/PortIo.h"

namespace tallis {

// Passes every access on to an inner port and logs it, in order, into a trace.
// A read logs the value that the inner port returned.
class RecordingPortIo : public PortIo {
  public:
    RecordingPortIo(PortIo& inner, AccessTrace& trace) : inner_(inner), trace_(trace) {}

    void WriteByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t ReadByte(std::uint16_t port) override;
    std::uint64_t FailedAccesses() const override { return inner_.FailedAccesses(); }

  private:
    PortIo& inner_;
    AccessTrace& trace_;
};

}  // namespace tallis
