#pragma once

#include <cstdint>

#include "timing/Delayer.h"

namespace tallis {

// The clock the engine waits on, with the two controls that the start-up step
// uses: waits take time only once it is enabled, and it is calibrated once.
class EngineTimer : public Delayer {
  public:
    virtual void SetEnabled(bool enabled) = 0;
    virtual void Calibrate(std::uint32_t milliseconds) = 0;
};

}  // namespace tallis
