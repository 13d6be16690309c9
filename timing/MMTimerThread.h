#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <thread>

#include "timing/ClockReader.h"
#include "timing/TimerPlatform.h"

namespace tallis {

// Worker of THighResTimer: runs the periodic multimedia timer and stamps the
// clock at every tick, so that a waiting Delay can sleep on ticks.
// Created suspended; Resume starts the thread.
class TMMTimerThread {
  public:
    explicit TMMTimerThread(TimerPlatform& platform);
    ~TMMTimerThread();

    TMMTimerThread(const TMMTimerThread&) = delete;
    TMMTimerThread& operator=(const TMMTimerThread&) = delete;

    // Both take effect at the thread's next wake-up, by restarting the timer.
    void SetAccuracy(std::int32_t accuracyMs);
    void SetPeriod(std::int32_t periodMs);
    // Only before Resume.
    void SetReadClock(ClockReader readClock) { readClock_ = readClock; }

    void Resume();
    // Asks the thread to end and wakes it; WaitFor then returns promptly even
    // when the periodic timer never ran.
    void Terminate();
    void WaitFor();

    void SetPriorityClass(int priorityClass);
    void SetPriority(int priority);

    // Clock count stamped at the latest tick; 0 before the first one.
    std::int64_t LastTick() const;
    // Waits for the next stamped tick, at most twice the period.
    void WaitForTick();

  private:
    void Execute();
    void StartTimer();

    TimerPlatform& platform_;
    ClockReader readClock_;
    std::atomic<std::int32_t> accuracy_{0};
    std::uint32_t timerId_ = 0;
    std::unique_ptr<TimerEvent> timerEvent_;
    std::unique_ptr<TimerEvent> tickEvent_;
    std::atomic<bool> settingsChanged_{true};
    std::int64_t lastTick_ = 0;
    std::atomic<std::int32_t> period_{1};
    mutable std::shared_mutex lock_;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

}  // namespace tallis
