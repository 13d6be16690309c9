// The timer's platform on Windows: the performance counter, the multimedia
// timer setting an event, and the process and thread priority calls.

#include <windows.h>
// windows.h first: the multimedia header relies on its types.
#include <mmsystem.h>
#include <pthread.h>

#include "timing/TimerPlatform.h"
#include "timing/X86Processor.h"

namespace tallis {

namespace {

class Win32Event final : public TimerEvent {
  public:
    Win32Event() : handle_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~Win32Event() override { CloseHandle(handle_); }

    void Set() override { SetEvent(handle_); }
    bool Wait(std::optional<std::uint32_t> timeoutMs) override {
        return WaitForSingleObject(handle_, timeoutMs ? *timeoutMs : INFINITE) == WAIT_OBJECT_0;
    }
    HANDLE Handle() const { return handle_; }

  private:
    HANDLE handle_;
};

HANDLE ThreadHandle(std::thread::native_handle_type thread) {
#if defined(__MINGW32__)
    return static_cast<HANDLE>(pthread_gethandle(thread));
#else
    return thread;
#endif
}

class Win32TimerPlatform final : public TimerPlatform {
  public:
    bool CpuidSupported() override { return x86::CpuidSupported(); }
    CpuidRegisters Cpuid(std::uint32_t leaf) override { return x86::Cpuid(leaf); }
    std::int64_t TimeStampCount() override { return x86::TimeStampCount(); }

    std::int64_t PerformanceFrequency() override {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart;
    }
    std::int64_t PerformanceCount() override {
        LARGE_INTEGER count{};
        QueryPerformanceCounter(&count);
        return count.QuadPart;
    }

    std::unique_ptr<TimerEvent> NewEvent() override { return std::make_unique<Win32Event>(); }

    std::uint32_t StartPeriodicTimer(std::int32_t periodMs, std::int32_t accuracyMs,
                                     TimerEvent& event) override {
        // With TIME_CALLBACK_EVENT_SET the "callback" is the event to set.
        auto callback = reinterpret_cast<LPTIMECALLBACK>(static_cast<Win32Event&>(event).Handle());
        return timeSetEvent(static_cast<UINT>(periodMs), static_cast<UINT>(accuracyMs), callback, 0,
                            TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    }

    void StopPeriodicTimer(std::uint32_t timerId) override {
        if (timerId != 0) {
            timeKillEvent(timerId);
        }
    }

    void SleepMs(std::uint32_t milliseconds) override { Sleep(milliseconds); }

    SavedPriority SaveCallerPriority() override {
        return {static_cast<int>(GetPriorityClass(GetCurrentProcess())),
                GetThreadPriority(GetCurrentThread())};
    }

    void RaiseCallerPriority(int priorityClass, int threadPriority) override {
        SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(priorityClass));
        SetThreadPriority(GetCurrentThread(), threadPriority);
    }

    void RestoreCallerPriority(const SavedPriority& saved) override {
        SetThreadPriority(GetCurrentThread(), saved.threadPriority);
        SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(saved.priorityClass));
    }

    void SetWorkerPriority(std::thread::native_handle_type worker, int priority) override {
        SetThreadPriority(ThreadHandle(worker), priority);
    }
};

}  // namespace

TimerPlatform& SystemTimerPlatform() {
    static Win32TimerPlatform platform;
    return platform;
}

}  // namespace tallis
