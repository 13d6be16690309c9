#pragma once

#include <cstdint>

#include "sim/SimClock.h"
#include "timing/Delayer.h"

namespace tallis::sim {

// Simulated time. Delay() advances it at once, so a full-chip run takes
// milliseconds of wall time; hand it to the engine as its Delayer and give the
// same object to the simulated target as its clock.
class VirtualClock final : public tallis::Delayer, public SimClock {
  public:
    explicit VirtualClock(std::uint64_t portAccessCostNs = 0) : accessCostNs_(portAccessCostNs) {}

    void Delay(std::uint32_t microseconds) override {
        nowNs_ += std::uint64_t{microseconds} * 1000U;
        delayedUs_ += microseconds;
    }
    std::uint64_t NowNs() override { return nowNs_; }
    void ChargePortAccess() override { nowNs_ += accessCostNs_; }

    void AdvanceNs(std::uint64_t nanoseconds) { nowNs_ += nanoseconds; }
    void SetPortAccessCostNs(std::uint64_t nanoseconds) { accessCostNs_ = nanoseconds; }
    std::uint64_t PortAccessCostNs() const { return accessCostNs_; }
    // Sum of every Delay() argument so far, in microseconds.
    std::uint64_t DelayedUs() const { return delayedUs_; }

  private:
    std::uint64_t nowNs_ = 0;
    std::uint64_t accessCostNs_;
    std::uint64_t delayedUs_ = 0;
};

}  // namespace tallis::sim
