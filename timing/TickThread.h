#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <thread>

#include "timing/ClockReader.h"
#include "timing/TimerPlatform.h"

namespace tallis {

// Worker of HighResTimer: runs the periodic timer and stamps the
// clock at every tick, so that a waiting Delay can sleep on ticks.
// Made idle; Start starts the thread.
class TickThread {
  public:
    // The clock is stamped at each tick of a periodic timer with that period
    // and accuracy.
    TickThread(TimerPlatform& platform, ClockReader readClock, std::int32_t periodMs,
               std::int32_t accuracyMs);
    ~TickThread();

    TickThread(const TickThread&) = delete;
    TickThread& operator=(const TickThread&) = delete;

    void Start();
    // Asks the thread to end and wakes it; Join then returns promptly even
    // when the periodic timer never ran.
    void RequestStop();
    void Join();

    void SetPriority(int priority);

    // Clock count stamped at the latest tick; 0 before the first one.
    std::int64_t LastTick() const;
    // Waits for the next stamped tick, at most twice the period.
    void WaitForTick();

  private:
    void Run();

    TimerPlatform& platform_;
    const ClockReader readClock_;
    const std::int32_t period_;
    const std::int32_t accuracy_;
    std::uint32_t timerId_ = 0;
    std::unique_ptr<TimerEvent> timerEvent_;
    std::unique_ptr<TimerEvent> tickEvent_;
    std::int64_t lastTick_ = 0;
    mutable std::shared_mutex lock_;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;
};

}  // namespace tallis
