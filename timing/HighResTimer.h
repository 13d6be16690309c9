#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "timing/ClockReader.h"
#include "timing/Delayer.h"
#include "timing/MMTimerThread.h"
#include "timing/TimerError.h"
#include "timing/TimerPlatform.h"

namespace tallis {

enum TThreadClass : int { tcIdle = 0, tcNormal = 1, tcHigh = 2, tcRealTime = 3 };

enum TThreadPriority : int {
    tpIdle = 0,
    tpLowest = 1,
    tpLower = 2,
    tpNormal = 3,
    tpHigher = 4,
    tpHighest = 5,
    tpTimeCritical = 6,
};

// The platform's priority class for a TThreadClass (0x40, 0x20, 0x80, 0x100).
int PriorityClassOf(TThreadClass threadClass);
// The platform's thread priority for a TThreadPriority (-15 .. 15).
int PlatformPriorityOf(TThreadPriority priority);

// Microsecond busy waits on a calibrated 64-bit clock: the time-stamp counter
// where the processor has one that runs at a constant rate (invariant), the
// performance counter (the system's monotonic clock) otherwise. While
// enabled, a worker thread stamps the clock at every multimedia-timer tick and
// Delay sleeps on those ticks while a whole period still fits before its
// target, then spins on the clock for the rest.
class THighResTimer : public Delayer {
  public:
    // Detects the time-stamp counter and calibrates for 100 ms. Throws
    // TimerError when the calibration measures no time.
    explicit THighResTimer(TimerPlatform& platform = SystemTimerPlatform());
    ~THighResTimer() override;

    THighResTimer(const THighResTimer&) = delete;
    THighResTimer& operator=(const THighResTimer&) = delete;

    // Waits until the clock has advanced by that many microseconds. Throws
    // TimerError while the timer is disabled: a wait that cannot be kept must
    // not pass for one that was.
    void Delay(std::uint32_t microseconds) override;
    // Sets CountSpeed; with UseTSC it measures the counter for that long.
    // Throws TimerError, leaving CountSpeed as it was, when either clock
    // stood still.
    void Calibrate(std::uint32_t milliseconds);
    // Microseconds times CountSpeed, rounded to nearest with ties to even.
    std::int64_t MicrosecondsToTicks(std::uint32_t microseconds) const;

    // Accuracy of the multimedia timer, in milliseconds.
    std::int32_t Accuracy() const { return accuracy_; }
    void SetAccuracy(std::int32_t accuracyMs);
    // Counts of the selected clock per microsecond.
    double CountSpeed() const { return countSpeed_; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::int32_t MinAccuracy() const { return minAccuracy_; }
    std::int32_t MinResolution() const { return minResolution_; }
    // Period of the multimedia timer, in milliseconds.
    std::int32_t Resolution() const { return resolution_; }
    void SetResolution(std::int32_t resolutionMs);
    TThreadClass ThreadClass() const { return threadClass_; }
    void SetThreadClass(TThreadClass threadClass);
    TThreadPriority ThreadPriority() const { return threadPriority_; }
    void SetThreadPriority(TThreadPriority priority);
    // The processor has a time-stamp counter.
    bool TSC() const { return tsc_; }
    bool UseTSC() const { return useTsc_; }
    void SetUseTSC(bool useTsc);
    // When set, enabling raises the priority of the calling thread (the one
    // that will wait in Delay) as far as the system grants, and disabling
    // restores it: a busy wait that other processes preempt returns late.
    bool RaiseWaitingThread() const { return raiseWaitingThread_; }
    void SetRaiseWaitingThread(bool raise) { raiseWaitingThread_ = raise; }

    // Clock counts in one timer period.
    std::int64_t PeriodTicks() const { return periodTicks_; }
    // The running worker, or null while disabled.
    const TMMTimerThread* TimerThread() const { return thread_.get(); }

  private:
    bool DetectTimeStampCounter();
    void SelectClock();
    bool NextTickComesInTime(std::int64_t target, std::int64_t now) const;

    TimerPlatform& platform_;
    std::int32_t accuracy_ = 0;
    double countSpeed_ = 0.0;
    bool enabled_ = false;
    std::int32_t minAccuracy_ = 0;
    std::int32_t minResolution_ = 0;
    std::int32_t resolution_ = 0;
    TThreadClass threadClass_ = tcNormal;
    TThreadPriority threadPriority_ = tpNormal;
    bool tsc_ = false;
    bool useTsc_ = false;
    std::int64_t periodTicks_ = 0;
    bool raiseWaitingThread_ = false;
    std::optional<TimerPlatform::SavedPriority> waitingThreadPriority_;
    ClockReader readClock_;
    std::unique_ptr<TMMTimerThread> thread_;
};

}  // namespace tallis
