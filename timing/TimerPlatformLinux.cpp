// The timer's platform on Linux: CLOCK_MONOTONIC as the performance counter,
// a timerfd as the periodic multimedia timer, eventfds as events and POSIX
// scheduling policies as the closest match to priority classes and levels.

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <map>
#include <mutex>

#include "timing/TimerPlatform.h"
#include "timing/X86Processor.h"

namespace tallis {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr int kRealTimeClass = 0x100;
constexpr int kTimeCriticalPriority = 15;

std::int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * kNanosecondsPerSecond + now.tv_nsec;
}

bool ReadCounter(int fd) {
    std::uint64_t count = 0;
    return fd >= 0 && read(fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

// An eventfd read empties the counter, so several Sets before one Wait count
// once and a Wait that loses the read to another waiter keeps waiting: the
// semantics of an auto-reset event. A periodic timer attached to the event
// sets it through its own timerfd.
class LinuxEvent final : public TimerEvent {
  public:
    LinuxEvent() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~LinuxEvent() override {
        DetachTimer();
        if (eventFd_ >= 0) {
            close(eventFd_);
        }
    }

    void Set() override {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(eventFd_, &one, sizeof one);
    }

    bool Wait(std::optional<std::uint32_t> timeoutMs) override {
        const std::int64_t deadline =
            timeoutMs ? MonotonicNanoseconds() + std::int64_t{*timeoutMs} * 1'000'000 : 0;
        for (;;) {
            int timeout = -1;
            bool lastTry = false;
            if (timeoutMs) {
                // Polls at least once, so that a zero timeout still takes a set event.
                std::int64_t left = std::max<std::int64_t>(deadline - MonotonicNanoseconds(), 0);
                timeout = static_cast<int>((left + 999'999) / 1'000'000);
                lastTry = left == 0;
            }
            pollfd fds[2] = {{eventFd_, POLLIN, 0}, {timerFd_.load(), POLLIN, 0}};
            int ready = poll(fds, 2, timeout);
            if (ready < 0 && errno != EINTR) {
                return false;
            }
            if (ready > 0) {
                // Both are emptied: a tick and a Set that arrived together
                // release one Wait, as they would on a single event.
                bool ticked = ReadCounter(fds[1].fd);
                bool set = ReadCounter(eventFd_);
                if (ticked || set) {
                    return true;
                }
            }
            if (lastTry) {
                return false;
            }
        }
    }

    void AttachTimer(int timerFd) { timerFd_ = timerFd; }
    void DetachTimer() {
        int fd = timerFd_.exchange(-1);
        if (fd >= 0) {
            close(fd);
        }
    }

  private:
    int eventFd_;
    std::atomic<int> timerFd_{-1};
};

struct Scheduling {
    int policy;
    int priority;
};

Scheduling FifoAt(int priority) {
    return {SCHED_FIFO, std::clamp(priority, sched_get_priority_min(SCHED_FIFO),
                                   sched_get_priority_max(SCHED_FIFO))};
}

// Linux has no per-thread niceness through a pthread handle, so levels above
// normal become real-time requests and levels below normal the batch and
// idle policies.
Scheduling SchedulingForPriority(int priority) {
    if (priority > 0) {
        return FifoAt(priority);
    }
    if (priority == 0) {
        return {SCHED_OTHER, 0};
    }
    return {priority <= -kTimeCriticalPriority ? SCHED_IDLE : SCHED_BATCH, 0};
}

// Refusals (no privilege for a real-time policy) are ignored, as on Windows.
void ApplyScheduling(pthread_t thread, Scheduling scheduling) {
    sched_param param{};
    param.sched_priority = scheduling.priority;
    pthread_setschedparam(thread, scheduling.policy, &param);
}

class LinuxTimerPlatform final : public TimerPlatform {
  public:
    bool CpuidSupported() override { return x86::CpuidSupported(); }
    CpuidRegisters Cpuid(std::uint32_t leaf) override { return x86::Cpuid(leaf); }
    std::int64_t TimeStampCount() override { return x86::TimeStampCount(); }

    std::int64_t PerformanceFrequency() override { return kNanosecondsPerSecond; }
    std::int64_t PerformanceCount() override { return MonotonicNanoseconds(); }

    std::unique_ptr<TimerEvent> NewEvent() override { return std::make_unique<LinuxEvent>(); }

    // The accuracy has no counterpart: a timerfd fires as soon as the kernel can.
    std::uint32_t StartPeriodicTimer(std::int32_t periodMs, std::int32_t /*accuracyMs*/,
                                     TimerEvent& event) override {
        if (periodMs <= 0) {
            return 0;
        }
        int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        if (fd < 0) {
            return 0;
        }
        itimerspec period{};
        period.it_interval.tv_sec = periodMs / 1000;
        period.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1'000'000;
        period.it_value = period.it_interval;
        if (timerfd_settime(fd, 0, &period, nullptr) != 0) {
            close(fd);
            return 0;
        }
        auto& linuxEvent = static_cast<LinuxEvent&>(event);
        linuxEvent.AttachTimer(fd);
        std::lock_guard guard(timersLock_);
        std::uint32_t id = nextTimerId_++;
        timers_[id] = &linuxEvent;
        return id;
    }

    void StopPeriodicTimer(std::uint32_t timerId) override {
        std::lock_guard guard(timersLock_);
        auto timer = timers_.find(timerId);
        if (timer != timers_.end()) {
            timer->second->DetachTimer();
            timers_.erase(timer);
        }
    }

    void SleepMs(std::uint32_t milliseconds) override {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        std::int64_t nanoseconds = deadline.tv_nsec + std::int64_t{milliseconds % 1000} * 1'000'000;
        deadline.tv_sec += milliseconds / 1000 + nanoseconds / kNanosecondsPerSecond;
        deadline.tv_nsec = nanoseconds % kNanosecondsPerSecond;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
    }

    // The saved "class" is the calling thread's policy and the "priority" its
    // real-time priority: together they undo whatever the raise did.
    SavedPriority SaveCallerPriority() override {
        int policy = SCHED_OTHER;
        sched_param param{};
        pthread_getschedparam(pthread_self(), &policy, &param);
        return {policy, param.sched_priority};
    }

    // A real-time class asks for SCHED_FIFO at the given priority.
    void RaiseCallerPriority(int priorityClass, int threadPriority) override {
        ApplyScheduling(pthread_self(), priorityClass == kRealTimeClass
                                            ? FifoAt(threadPriority)
                                            : SchedulingForPriority(threadPriority));
    }

    void RestoreCallerPriority(const SavedPriority& saved) override {
        ApplyScheduling(pthread_self(), {saved.priorityClass, saved.threadPriority});
    }

    void SetWorkerPriority(std::thread::native_handle_type worker, int priority) override {
        ApplyScheduling(worker, SchedulingForPriority(priority));
    }

  private:
    std::mutex timersLock_;
    std::map<std::uint32_t, LinuxEvent*> timers_;
    std::uint32_t nextTimerId_ = 1;
};

}  // namespace

TimerPlatform& SystemTimerPlatform() {
    static LinuxTimerPlatform platform;
    return platform;
}

}  // namespace tallis
