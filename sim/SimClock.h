#pragma once

#include <cstdint>

namespace tallis::sim {

// Where the simulated hardware reads the time. Two kinds exist: a virtual
// clock that only moves when the host waits (tests, fast dry runs) and the
// machine's steady clock (the simulation behind the real timer).
class SimClock {
  public:
    virtual ~SimClock() = default;
    // Nanoseconds since the clock was made; never goes backwards.
    virtual std::uint64_t NowNs() = 0;
    // Called once per port access, before the access takes effect, so that a
    // virtual clock can charge the time a real port access would take.
    virtual void ChargePortAccess() = 0;
};

}  // namespace tallis::sim
