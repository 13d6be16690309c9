#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

namespace tallis {

// An auto-reset event: Set releases at most one Wait, and a Set with nobody
// waiting stays pending until the next Wait takes it.
class TimerEvent {
  public:
    virtual ~TimerEvent() = default;
    virtual void Set() = 0;
    // Waits until the event is set or the time runs out (no time limit when
    // empty). True when the event was taken.
    virtual bool Wait(std::optional<std::uint32_t> timeoutMs) = 0;
};

// The machine underneath the high-resolution timer: processor identification,
// the two clocks, the periodic multimedia timer, events and priorities. The
// real one is chosen per operating system; tests inject a fake.
// Member names stay clear of the macros of windows.h (CreateEvent,
// ReadTimeStampCounter), which would rename them in the Windows file.
class TimerPlatform {
  public:
    // What RaiseCallerPriority changes, as the platform needs it to undo that.
    struct SavedPriority {
        int priorityClass = 0;
        int threadPriority = 0;
    };

    // Registers returned by the processor identification instruction.
    struct CpuidRegisters {
        std::uint32_t eax = 0;
        std::uint32_t ebx = 0;
        std::uint32_t ecx = 0;
        std::uint32_t edx = 0;
    };

    virtual ~TimerPlatform() = default;

    // True when bit 21 of the processor's flags register can be toggled.
    virtual bool CpuidSupported() = 0;
    virtual CpuidRegisters Cpuid(std::uint32_t leaf) = 0;
    virtual std::int64_t TimeStampCount() = 0;

    // Performance counter: counts per second, and the current count.
    virtual std::int64_t PerformanceFrequency() = 0;
    virtual std::int64_t PerformanceCount() = 0;

    virtual std::unique_ptr<TimerEvent> NewEvent() = 0;
    // Starts a timer that sets the event once every period. Returns its
    // identifier, or 0 when it could not be started.
    virtual std::uint32_t StartPeriodicTimer(std::int32_t periodMs, std::int32_t accuracyMs,
                                             TimerEvent& event) = 0;
    virtual void StopPeriodicTimer(std::uint32_t timerId) = 0;

    virtual void SleepMs(std::uint32_t milliseconds) = 0;

    // Priorities of the calling thread (and, where the platform has one, its
    // process class). Results of the underlying calls are not looked at.
    virtual SavedPriority SaveCallerPriority() = 0;
    virtual void RaiseCallerPriority(int priorityClass, int threadPriority) = 0;
    virtual void RestoreCallerPriority(const SavedPriority& saved) = 0;

    // Priority of the timer's worker thread.
    virtual void SetWorkerPriority(std::thread::native_handle_type worker, int priority) = 0;
};

// The real platform of the operating system the program was built for.
TimerPlatform& SystemTimerPlatform();

}  // namespace tallis
