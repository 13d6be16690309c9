#pragma once

#include "app/EngineTimer.h"
#include "timing/EngineTimerSettings.h"
#include "timing/HighResTimer.h"

namespace tallis {

// The desktop's timer: the high-resolution timer with the engine's
// settings (kEngineTimerSettings).
class HighResEngineTimer : public EngineTimer {
  public:
    explicit HighResEngineTimer(const HighResTimerSettings& settings = kEngineTimerSettings);

    // The window leaves programming mode when it is created, before the
    // start-up enables the timer: those waits pass at once, as they always
    // have. Every command runs after the start-up, on the running timer.
    void Delay(std::uint32_t microseconds) override {
        if (timer_.Enabled()) {
            timer_.Delay(microseconds);
        }
    }
    void SetEnabled(bool enabled) override { timer_.SetEnabled(enabled); }
    void Calibrate(std::uint32_t milliseconds) override { timer_.Calibrate(milliseconds); }

    HighResTimer& Component() { return timer_; }

  private:
    HighResTimer timer_;
};

}  // namespace tallis
