#include "timing/TickThread.h"

#include <algorithm>
#include <mutex>

namespace tallis {

namespace {

// The worker looks at its terminate request at least this often,
// even if neither its timer nor RequestStop can wake it.
constexpr std::uint32_t kLongestTimerWaitMs = 1000;

}  // namespace

TickThread::TickThread(TimerPlatform& platform, ClockReader readClock, std::int32_t periodMs,
                       std::int32_t accuracyMs)
    : platform_(platform),
      readClock_(readClock),
      period_(periodMs),
      accuracy_(accuracyMs),
      // Made here rather than in the thread body so that RequestStop can always
      // wake the thread, whether or not it has started or its timer runs.
      timerEvent_(platform.NewEvent()),
      tickEvent_(platform.NewEvent()) {}

TickThread::~TickThread() {
    RequestStop();
    Join();
}

void TickThread::Start() {
    thread_ = std::thread([this] { Run(); });
}

void TickThread::RequestStop() {
    stopRequested_ = true;
    timerEvent_->Set();
}

void TickThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TickThread::SetPriority(int priority) {
    if (thread_.joinable()) {
        platform_.SetWorkerPriority(thread_.native_handle(), priority);
    }
}

std::int64_t TickThread::LastTick() const {
    std::shared_lock reading(lock_);
    return lastTick_;
}

void TickThread::WaitForTick() {
    auto periodMs = static_cast<std::uint32_t>(std::max(period_, 0));
    tickEvent_->Wait(2 * periodMs);
}

void TickThread::Run() {
    timerId_ = platform_.StartPeriodicTimer(period_, accuracy_, *timerEvent_);
    while (!stopRequested_) {
        bool ticked = timerEvent_->Wait(kLongestTimerWaitMs);
        if (!ticked || stopRequested_) {
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
