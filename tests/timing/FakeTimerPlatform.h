#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "timing/TimerPlatform.h"

namespace tallis::testing {

class FakeEvent final : public TimerEvent {
  public:
    // timedWaitMs, when not 0, replaces the timeout of every timed wait.
    FakeEvent(bool setsLost, const std::atomic<std::uint32_t>& timedWaitMs)
        : setsLost_(setsLost), timedWaitMs_(timedWaitMs) {}

    void Set() override {
        if (setsLost_) {
            return;
        }
        {
            std::lock_guard guard(lock_);
            signalled_ = true;
        }
        changed_.notify_one();
    }
    bool Wait(std::optional<std::uint32_t> timeoutMs) override {
        std::unique_lock guard(lock_);
        waits_++;
        auto isSet = [this] { return signalled_; };
        if (timeoutMs) {
            const std::uint32_t replaced = timedWaitMs_;
            changed_.wait_for(
                guard, std::chrono::milliseconds(replaced != 0 ? replaced : *timeoutMs), isSet);
        } else {
            changed_.wait(guard, isSet);
        }
        bool taken = signalled_;
        signalled_ = false;
        timeouts_ += taken ? 0 : 1;
        return taken;
    }
    int Waits() {
        std::lock_guard guard(lock_);
        return waits_;
    }
    int Timeouts() {
        std::lock_guard guard(lock_);
        return timeouts_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool signalled_ = false;
    int waits_ = 0;
    int timeouts_ = 0;
    const bool setsLost_;
    const std::atomic<std::uint32_t>& timedWaitMs_;
};

// Clocks that move only when told to (or by a fixed step per read), a
// periodic timer that ticks only on Tick(), and a log of the priority calls.
class FakeTimerPlatform final : public TimerPlatform {
  public:
    struct TimerStart {
        std::int32_t periodMs;
        std::int32_t accuracyMs;
        std::uint32_t id;
    };

    // Processor and platform, read by the timer's constructor.
    bool cpuidSupported = true;
    std::uint32_t highestLeaf = 1;
    std::uint32_t featureEdx = 0x10;
    std::uint32_t highestExtendedLeaf = 0x80000008;
    std::uint32_t powerManagementEdx = 0x100;  // invariant time-stamp counter
    std::int64_t frequency = 10'000'000;
    // How far each clock moves per microsecond of SleepMs.
    std::int64_t timeStampCountsPerMicrosecond = 2500;
    // False makes the periodic timer fail to start (identifier 0).
    bool timerStarts = true;
    // True makes every event ignore Set: nothing but a timeout ends a wait.
    bool setsLost = false;
    // Not 0: every timed wait lasts this long unless a Set ends it, so that a
    // wait that should end at a signal cannot pass for one by timing out.
    std::atomic<std::uint32_t> timedWaitMs{0};

    std::atomic<std::int64_t> timeStampCounter{1'000'000'000};
    std::atomic<std::int64_t> performanceCounter{5'000'000};
    std::atomic<std::int64_t> timeStampStep{0};
    std::atomic<int> timeStampReads{0};
    std::atomic<int> performanceReads{0};
    std::atomic<int> frequencyReads{0};

    bool CpuidSupported() override { return cpuidSupported; }
    CpuidRegisters Cpuid(std::uint32_t leaf) override {
        CpuidRegisters registers;
        if (leaf == 0) {
            registers.eax = highestLeaf;
        } else if (leaf == 1) {
            registers.edx = featureEdx;
        } else if (leaf == 0x80000000) {
            registers.eax = highestExtendedLeaf;
        } else if (leaf == 0x80000007) {
            registers.edx = powerManagementEdx;
        }
        return registers;
    }
    std::int64_t TimeStampCount() override {
        timeStampReads++;
        return timeStampCounter.fetch_add(timeStampStep);
    }
    std::int64_t PerformanceFrequency() override {
        frequencyReads++;
        return frequency;
    }
    std::int64_t PerformanceCount() override {
        performanceReads++;
        return performanceCounter;
    }

    std::unique_ptr<TimerEvent> NewEvent() override {
        auto event = std::make_unique<FakeEvent>(setsLost, timedWaitMs);
        std::lock_guard guard(lock_);
        events_.push_back(event.get());
        return event;
    }

    std::uint32_t StartPeriodicTimer(std::int32_t periodMs, std::int32_t accuracyMs,
                                     TimerEvent& event) override {
        std::lock_guard guard(lock_);
        std::uint32_t id = timerStarts ? nextId_++ : 0;
        starts_.push_back({periodMs, accuracyMs, id});
        timerEvent_ = static_cast<FakeEvent*>(&event);
        running_ = timerStarts ? timerEvent_ : nullptr;
        timerChanged_.notify_all();
        return id;
    }
    void StopPeriodicTimer(std::uint32_t timerId) override {
        std::lock_guard guard(lock_);
        stops_.push_back(timerId);
        running_ = nullptr;
    }

    // Sleeping moves both clocks by the time slept.
    void SleepMs(std::uint32_t milliseconds) override {
        std::int64_t microseconds = std::int64_t{milliseconds} * 1000;
        timeStampCounter += microseconds * timeStampCountsPerMicrosecond;
        performanceCounter += microseconds * frequency / 1'000'000;
        Log("sleep " + std::to_string(milliseconds));
    }

    SavedPriority SaveCallerPriority() override {
        Log("save");
        return {7, -2};
    }
    void RaiseCallerPriority(int priorityClass, int threadPriority) override {
        Log("raise " + std::to_string(priorityClass) + " " + std::to_string(threadPriority));
    }
    void RestoreCallerPriority(const SavedPriority& saved) override {
        Log("restore " + std::to_string(saved.priorityClass) + " " +
            std::to_string(saved.threadPriority));
    }
    void SetWorkerPriority(std::thread::native_handle_type, int priority) override {
        Log("worker priority " + std::to_string(priority));
    }

    // Sets the running periodic timer's event, as one period ending would.
    // False when no timer runs.
    bool Tick() {
        std::lock_guard guard(lock_);
        if (running_ == nullptr) {
            return false;
        }
        running_->Set();
        return true;
    }

    // Waits (bounded, so that a fault fails the test instead of hanging it)
    // until the worker has tried to start the timer that many times.
    bool WaitForStarts(std::size_t count) {
        std::unique_lock guard(lock_);
        return timerChanged_.wait_for(guard, std::chrono::seconds(10),
                                      [&] { return starts_.size() >= count; });
    }

    std::vector<TimerStart> Starts() {
        std::lock_guard guard(lock_);
        return starts_;
    }
    std::vector<std::uint32_t> Stops() {
        std::lock_guard guard(lock_);
        return stops_;
    }
    std::vector<std::string> TakeLog() {
        std::lock_guard guard(lock_);
        return std::exchange(log_, {});
    }
    // Waits the worker has begun on the event it gave its periodic timer.
    int TimerEventWaits() {
        std::lock_guard guard(lock_);
        return timerEvent_ == nullptr ? 0 : timerEvent_->Waits();
    }
    // Waits on events that no periodic timer was given: the tick event.
    // Only while the worker that owns the events runs.
    int TickEventWaits() { return SumOverTickEvents(&FakeEvent::Waits); }
    // Of those, the waits that ended by their timeout rather than a signal.
    int TickEventTimeouts() { return SumOverTickEvents(&FakeEvent::Timeouts); }

  private:
    int SumOverTickEvents(int (FakeEvent::*count)()) {
        std::lock_guard guard(lock_);
        int sum = 0;
        for (FakeEvent* event : events_) {
            if (event != timerEvent_) {
                sum += (event->*count)();
            }
        }
        return sum;
    }

    void Log(std::string entry) {
        std::lock_guard guard(lock_);
        log_.push_back(std::move(entry));
    }

    std::mutex lock_;
    std::condition_variable timerChanged_;
    std::vector<TimerStart> starts_;
    std::vector<std::uint32_t> stops_;
    std::vector<std::string> log_;
    std::vector<FakeEvent*> events_;
    FakeEvent* timerEvent_ = nullptr;
    FakeEvent* running_ = nullptr;
    std::uint32_t nextId_ = 1;
};

}  // namespace tallis::testing
