#include "cli/StopSignals.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tallis {

namespace {

// Lock-free, so that the handlers may touch it.
std::atomic<int> stopSignal{0};
std::atomic<bool> cleanedUp{false};

void NoteStop(int signal) {
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
}

#ifdef _WIN32

constexpr int kSignalInterrupt = 2;
constexpr int kSignalTerminate = 15;
// The system ends the process soon after the handler returns from a close,
// log-off or shut-down event; the handler waits that long for the clean-up.
constexpr int kCloseWaitMs = 4000;
constexpr int kCloseWaitStepMs = 10;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        NoteStop(kSignalInterrupt);
        return TRUE;
    }
    NoteStop(kSignalTerminate);
    for (int waited = 0; waited < kCloseWaitMs && !cleanedUp; waited += kCloseWaitStepMs) {
        Sleep(kCloseWaitStepMs);
    }
    return TRUE;
}

#else

void OnStopSignal(int signal) {
    NoteStop(signal);
}

#endif

}  // namespace

void CatchStopSignals() {
    static_assert(std::atomic<int>::is_always_lock_free);
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a signal must not turn a write into a failure.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

int StopSignal() {
    return stopSignal;
}

int ExitStatusForSignal(int signal) {
    return 128 + signal;
}

void StopSignalsCleanedUp() {
    cleanedUp = true;
}

}  // namespace tallis
