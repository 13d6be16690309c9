#pragma once

#include <cstdint>

#include "timing/TimerPlatform.h"

namespace tallis {

// The selected clock: the time-stamp counter or the performance counter.
// Small enough to copy into the worker thread.
class ClockReader {
  public:
    ClockReader() = default;
    ClockReader(TimerPlatform& platform, bool useTimeStampCounter)
        : platform_(&platform), useTimeStampCounter_(useTimeStampCounter) {}

    std::int64_t operator()() const {
        return useTimeStampCounter_ ? platform_->TimeStampCount() : platform_->PerformanceCount();
    }
    bool ReadsTimeStampCounter() const { return useTimeStampCounter_; }

  private:
    TimerPlatform* platform_ = nullptr;
    bool useTimeStampCounter_ = false;
};

}  // namespace tallis
