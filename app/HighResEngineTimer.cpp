#include "app/HighResEngineTimer.h"

#include "timing/EngineTimerSettings.h"

namespace tallis {

HighResEngineTimer::HighResEngineTimer(const HighResTimerSettings& settings)
    : timer_(SystemTimerPlatform(), settings) {}

}  // namespace tallis
