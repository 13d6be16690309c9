#include "app/HighResEngineTimer.h"

#include "timing/EngineTimerSettings.h"

namespace tallis {

HighResEngineTimer::HighResEngineTimer() : timer_(SystemTimerPlatform(), kEngineTimerSettings) {}

}  // namespace tallis
