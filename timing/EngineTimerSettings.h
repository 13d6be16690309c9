#pragma once

#include <cstdint>

#include "timing/HighResTimer.h"

namespace tallis {

// How long a front end calibrates the timer at start-up, before the first
// command.
inline constexpr std::uint32_t kStartupCalibrationMs = 3000;

// The settings every front end gives the timer that paces the engine:
// accuracy 0, a 1 ms period, a time-critical worker and the time-stamp counter.
void ApplyEngineTimerSettings(THighResTimer& timer);

}  // namespace tallis
