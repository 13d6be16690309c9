#include "timing/HighResTimer.h"

#include <cmath>

namespace tallis {

namespace {

constexpr int kRealTimePriorityClass = 0x100;
// Asked for while calibrating: above the platform's time-critical level.
constexpr int kCalibrationThreadPriority = 31;
constexpr std::uint32_t kSettleMs = 10;
constexpr std::uint32_t kQuickCalibrationMs = 100;
constexpr std::uint32_t kTimeStampCounterBit = 0x10;
constexpr std::uint32_t kHighestExtendedLeafQuery = 0x80000000;
constexpr std::uint32_t kAdvancedPowerManagementLeaf = 0x80000007;
// EDX bit 8 of the advanced power management leaf: the counter runs at a
// constant rate through frequency changes and sleep states (Intel SDM vol. 3,
// 18.17.1; AMD APM vol. 3, CPUID Fn8000_0007).
constexpr std::uint32_t kInvariantTimeStampCounterBit = 0x100;
// The waiting thread's priority while raised: time-critical within the high
// class, which the platforms grant without a real-time class (Windows) and
// turn into a real-time policy where allowed (Linux).
constexpr int kHighPriorityClass = 0x80;
constexpr int kWaitingThreadPriority = 15;

}  // namespace

int PlatformPriorityOf(ThreadPriority priority) {
    switch (priority) {
        case ThreadPriority::Idle:
            return -15;
        case ThreadPriority::Lowest:
            return -2;
        case ThreadPriority::Lower:
            return -1;
        case ThreadPriority::Normal:
            return 0;
        case ThreadPriority::Higher:
            return 1;
        case ThreadPriority::Highest:
            return 2;
        case ThreadPriority::TimeCritical:
            return 15;
    }
    return 0;
}

HighResTimer::HighResTimer(TimerPlatform& platform, const HighResTimerSettings& settings)
    : platform_(platform),
      settings_(settings),
      hasTimeStampCounter_(DetectTimeStampCounter()),
      usesTimeStampCounter_(hasTimeStampCounter_ && settings.useTimeStampCounter),
      readClock_(platform, usesTimeStampCounter_) {
    Calibrate(kQuickCalibrationMs);
    periodTicks_ = MicrosecondsToTicks(static_cast<std::uint32_t>(settings_.periodMs) * 1000u);
}

HighResTimer::~HighResTimer() {
    SetEnabled(false);
}

bool HighResTimer::DetectTimeStampCounter() {
    if (!platform_.CpuidSupported()) {
        return false;
    }
    auto highestLeaf = static_cast<std::int32_t>(platform_.Cpuid(0).eax);
    if (highestLeaf <= 0) {
        return false;
    }
    if ((platform_.Cpuid(1).edx & kTimeStampCounterBit) == 0) {
        return false;
    }
    // A counter that changes rate with the processor's clock would make every
    // calibrated wait wrong after the next frequency change.
    if (platform_.Cpuid(kHighestExtendedLeafQuery).eax < kAdvancedPowerManagementLeaf) {
        return false;
    }
    return (platform_.Cpuid(kAdvancedPowerManagementLeaf).edx & kInvariantTimeStampCounterBit) != 0;
}

void HighResTimer::Calibrate(std::uint32_t milliseconds) {
    const std::int64_t frequency = platform_.PerformanceFrequency();
    if (frequency <= 0) {
        throw TimerError("the system's monotonic clock reports no frequency");
    }
    const double performanceCountsPerMicrosecond = static_cast<double>(frequency) / 1000000.0;
    if (!usesTimeStampCounter_) {
        countSpeed_ = performanceCountsPerMicrosecond;
        return;
    }
    TimerPlatform::SavedPriority saved = platform_.SaveCallerPriority();
    platform_.RaiseCallerPriority(kRealTimePriorityClass, kCalibrationThreadPriority);
    platform_.SleepMs(kSettleMs);
    std::int64_t t0 = platform_.TimeStampCount();
    std::int64_t q0 = platform_.PerformanceCount();
    platform_.SleepMs(milliseconds);
    std::int64_t t1 = platform_.TimeStampCount();
    std::int64_t q1 = platform_.PerformanceCount();
    platform_.RestoreCallerPriority(saved);
    if (q1 <= q0 || t1 <= t0) {
        throw TimerError("the timer's calibration measured no time");
    }
    const double elapsedMicroseconds =
        static_cast<double>(q1 - q0) / performanceCountsPerMicrosecond;
    countSpeed_ = static_cast<double>(t1 - t0) / elapsedMicroseconds;
}

std::int64_t HighResTimer::MicrosecondsToTicks(std::uint32_t microseconds) const {
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(std::uint64_t{microseconds}) * countSpeed_));
}

void HighResTimer::Delay(std::uint32_t microseconds) {
    if (!enabled_) {
        throw TimerError("Delay on a timer that is not running");
    }
    std::int64_t start = readClock_();
    // Unsigned addition: a clock near the top of its range wraps like the
    // 64-bit register it comes from instead of overflowing.
    auto target =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(start) +
                                  static_cast<std::uint64_t>(MicrosecondsToTicks(microseconds)));
    bool sleeping = true;
    for (std::int64_t now = readClock_(); now < target; now = readClock_()) {
        if (sleeping) {
            if (NextTickComesInTime(target, now)) {
                thread_->WaitForTick();
            } else {
                sleeping = false;
            }
        }
    }
}

// The next tick is due a period after the last one. Sleeping on it is safe only
// while a whole period still fits before the target, counted from the last tick
// and from now alike: a tick that is late (the worker not yet scheduled) leaves
// the last stamp old, and a short wait must then spin rather than sleep through
// the late tick.
bool HighResTimer::NextTickComesInTime(std::int64_t target, std::int64_t now) const {
    return target - periodTicks_ >= thread_->LastTick() && target - now >= periodTicks_;
}

void HighResTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (enabled) {
        if (settings_.raiseWaitingThread) {
            waitingThreadPriority_ = platform_.SaveCallerPriority();
            platform_.RaiseCallerPriority(kHighPriorityClass, kWaitingThreadPriority);
        }
        thread_ = std::make_unique<TickThread>(platform_, readClock_, settings_.periodMs,
                                               settings_.accuracyMs);
        thread_->Start();
        thread_->SetPriority(PlatformPriorityOf(settings_.workerPriority));
    } else if (thread_) {
        thread_->RequestStop();
        thread_->Join();
        thread_.reset();
        if (waitingThreadPriority_) {
            platform_.RestoreCallerPriority(*waitingThreadPriority_);
            waitingThreadPriority_.reset();
        }
    }
}

}  // namespace tallis
