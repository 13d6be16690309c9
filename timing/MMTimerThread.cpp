#include "timing/MMTimerThread.h"

#include <algorithm>
#include <mutex>

namespace tallis {

namespace {

// The worker looks at its terminate request and settings at least this often,
// even if neither its timer nor Terminate can wake it.
constexpr std::uint32_t kLongestTimerWaitMs = 1000;

}  // namespace

TMMTimerThread::TMMTimerThread(TimerPlatform& platform)
    : platform_(platform),
      // Made here rather than in the thread body so that Terminate can always
      // wake the thread, whether or not it has started or its timer runs.
      timerEvent_(platform.NewEvent()),
      tickEvent_(platform.NewEvent()) {}

TMMTimerThread::~TMMTimerThread() {
    Terminate();
    WaitFor();
}

void TMMTimerThread::SetAccuracy(std::int32_t accuracyMs) {
    accuracy_ = accuracyMs;
    settingsChanged_ = true;
}

void TMMTimerThread::SetPeriod(std::int32_t periodMs) {
    period_ = periodMs;
    settingsChanged_ = true;
}

void TMMTimerThread::Resume() {
    thread_ = std::thread([this] { Execute(); });
}

void TMMTimerThread::Terminate() {
    terminated_ = true;
    timerEvent_->Set();
}

void TMMTimerThread::WaitFor() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TMMTimerThread::SetPriorityClass(int priorityClass) {
    if (thread_.joinable()) {
        platform_.SetWorkerPriorityClass(thread_.native_handle(), priorityClass);
    }
}

void TMMTimerThread::SetPriority(int priority) {
    if (thread_.joinable()) {
        platform_.SetWorkerPriority(thread_.native_handle(), priority);
    }
}

std::int64_t TMMTimerThread::LastTick() const {
    std::shared_lock reading(lock_);
    return lastTick_;
}

void TMMTimerThread::WaitForTick() {
    auto periodMs = static_cast<std::uint32_t>(std::max(period_.load(), 0));
    tickEvent_->Wait(2 * periodMs);
}

void TMMTimerThread::StartTimer() {
    timerId_ = platform_.StartPeriodicTimer(period_, accuracy_, *timerEvent_);
}

void TMMTimerThread::Execute() {
    settingsChanged_ = false;
    StartTimer();
    while (!terminated_) {
        if (settingsChanged_.exchange(false)) {
            platform_.StopPeriodicTimer(timerId_);
            StartTimer();
        }
        bool ticked = timerEvent_->Wait(kLongestTimerWaitMs);
        if (!ticked || terminated_) {
            continue;
        }
        std::int64_t now = readClock_();
        {
            std::unique_lock writing(lock_);
            lastTick_ = now;
        }
        tickEvent_->Set();
    }
    platform_.StopPeriodicTimer(timerId_);
}

}  // namespace tallis
