#pragma once

#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "portio/PortIo.h"

namespace tallis::fuzz {

// Passes every access on and counts it. A run that goes past the limit is
// taken to be one that never ends, and aborts there and then.
class CountingPort final : public PortIo {
  public:
    CountingPort(PortIo& inner, std::uint64_t limit) : inner_(inner), limit_(limit) {}

    void WriteByte(std::uint16_t port, std::uint8_t value) override {
        Count();
        inner_.WriteByte(port, value);
    }
    std::uint8_t ReadByte(std::uint16_t port) override {
        Count();
        return inner_.ReadByte(port);
    }

    std::uint64_t Accesses() const { return accesses_; }

  private:
    void Count() {
        ++accesses_;
        FUZZ_CHECK(accesses_ <= limit_,
                   "the run did not end within " + std::to_string(limit_) + " port accesses");
    }

    PortIo& inner_;
    std::uint64_t limit_;
    std::uint64_t accesses_ = 0;
};

}  // namespace tallis::fuzz
