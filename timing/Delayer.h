#pragma once

#include <cstdint>

namespace tallis {

// The time seam: the engine waits only through this call. In the program it is
// HighResTimer; in tests a virtual clock that advances simulated time.
class Delayer {
  public:
    virtual ~Delayer() = default;
    virtual void Delay(std::uint32_t microseconds) = 0;
};

}  // namespace tallis
