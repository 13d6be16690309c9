#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "timing/ClockReader.h"
#include "timing/Delayer.h"
#include "timing/TickThread.h"
#include "timing/TimerError.h"
#include "timing/TimerPlatform.h"

namespace tallis {

// Priority of a thread within its class, mapped by PlatformPriorityOf.
enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// The platform's thread priority for a ThreadPriority (-15 .. 15).
int PlatformPriorityOf(ThreadPriority priority);

// How a HighResTimer runs, fixed when it is made.
struct HighResTimerSettings {
    // Period of the periodic timer whose ticks a long Delay sleeps on.
    std::int32_t periodMs = 1;
    // How far the periodic timer may drift from its period; 0: as close as
    // the system can.
    std::int32_t accuracyMs = 0;
    ThreadPriority workerPriority = ThreadPriority::Normal;
    // Wait on the time-stamp counter where the processor has one that runs at
    // a constant rate; the performance counter otherwise.
    bool useTimeStampCounter = true;
    // Enabling raises the priority of the calling thread (the one that will
    // wait in Delay) as far as the system grants, and disabling restores it:
    // a busy wait that other processes preempt returns late.
    bool raiseWaitingThread = false;
};

// Microsecond busy waits on a calibrated 64-bit clock: the time-stamp counter
// where the processor has one that runs at a constant rate (invariant), the
// performance counter (the system's monotonic clock) otherwise. While
// enabled, a worker thread stamps the clock at every periodic-timer tick and
// Delay sleeps on those ticks while a whole period still fits before its
// target, then spins on the clock for the rest.
class HighResTimer : public Delayer {
  public:
    // Detects the time-stamp counter and calibrates for 100 ms. Throws
    // TimerError when the calibration measures no time.
    explicit HighResTimer(TimerPlatform& platform = SystemTimerPlatform(),
                          const HighResTimerSettings& settings = {});
    ~HighResTimer() override;

    HighResTimer(const HighResTimer&) = delete;
    HighResTimer& operator=(const HighResTimer&) = delete;

    // Waits until the clock has advanced by that many microseconds. Throws
    // TimerError while the timer is disabled: a wait that cannot be kept must
    // not pass for one that was.
    void Delay(std::uint32_t microseconds) override;
    // Sets CountSpeed; on the time-stamp counter it measures the counter for
    // that long. Throws TimerError, leaving CountSpeed as it was, when either
    // clock stood still.
    void Calibrate(std::uint32_t milliseconds);
    // Microseconds times CountSpeed, rounded to nearest with ties to even.
    std::int64_t MicrosecondsToTicks(std::uint32_t microseconds) const;

    const HighResTimerSettings& Settings() const { return settings_; }
    // Counts of the selected clock per microsecond.
    double CountSpeed() const { return countSpeed_; }
    bool Enabled() const { return enabled_; }
    // Enabling starts a fresh worker; disabling ends it.
    void SetEnabled(bool enabled);
    // The processor has an invariant time-stamp counter.
    bool HasTimeStampCounter() const { return hasTimeStampCounter_; }
    // The clock Delay waits on is the time-stamp counter.
    bool UsesTimeStampCounter() const { return usesTimeStampCounter_; }

    // The running worker, or null while disabled.
    const TickThread* TimerThread() const { return thread_.get(); }

  private:
    bool DetectTimeStampCounter();
    bool NextTickComesInTime(std::int64_t target, std::int64_t now) const;

    TimerPlatform& platform_;
    const HighResTimerSettings settings_;
    const bool hasTimeStampCounter_;
    const bool usesTimeStampCounter_;
    const ClockReader readClock_;
    double countSpeed_ = 0.0;
    std::int64_t periodTicks_ = 0;
    bool enabled_ = false;
    std::optional<TimerPlatform::SavedPriority> waitingThreadPriority_;
    std::unique_ptr<TickThread> thread_;
};

}  // namespace tallis
