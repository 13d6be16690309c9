#include "app/HighResEngineTimer.h"

#include "timing/EngineTimerSettings.h"

namespace tallis {

HighResEngineTimer::HighResEngineTimer() {
    ApplyEngineTimerSettings(timer_);
}

}  // namespace tallis
