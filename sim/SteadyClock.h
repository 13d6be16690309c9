#pragma once

#include <chrono>
#include <cstdint>

#include "sim/SimClock.h"

namespace tallis::sim {

// Real time for a simulation that runs behind the real timer: the chip sees
// the waits that the host's busy loops actually made.
class SteadyClock final : public SimClock {
  public:
    SteadyClock() : start_(std::chrono::steady_clock::now()) {}

    std::uint64_t NowNs() override {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
    }
    void ChargePortAccess() override {}

  private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace tallis::sim
