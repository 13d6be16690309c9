#pragma once

#include <cstdint>

#include "timing/HighResTimer.h"

namespace tallis {

// How long a front end calibrates the timer at start-up, before the first
// command.
inline constexpr std::uint32_t kStartupCalibrationMs = 3000;

// The timer that paces the engine, in every front end: a 1 ms period as
// accurate as the system can keep it, a time-critical worker and the
// time-stamp counter.
inline constexpr HighResTimerSettings kEngineTimerSettings{
    .periodMs = 1,
    .accuracyMs = 0,
    .workerPriority = ThreadPriority::TimeCritical,
    .useTimeStampCounter = true,
    .raiseWaitingThread = false,
};

}  // namespace tallis
