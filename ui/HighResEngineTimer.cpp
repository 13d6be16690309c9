#include "ui/HighResEngineTimer.h"

namespace tallis {

HighResEngineTimer::HighResEngineTimer() {
    timer_.SetAccuracy(0);
    timer_.SetResolution(1);
    timer_.SetThreadPriority(tpTimeCritical);
    timer_.SetUseTSC(true);
}

}  // namespace tallis
