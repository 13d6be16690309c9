#include "timing/EngineTimerSettings.h"

namespace tallis {

void ApplyEngineTimerSettings(THighResTimer& timer) {
    timer.SetAccuracy(0);
    timer.SetResolution(1);
    timer.SetThreadPriority(tpTimeCritical);
    timer.SetUseTSC(true);
}

}  // namespace tallis
