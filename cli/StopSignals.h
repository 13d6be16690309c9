#pragma once

namespace tallis {

// Ctrl-C, SIGTERM and SIGHUP (on Windows the console's control events) only
// note that the run is to stop; the run looks at the note at its safe points
// and ends there with the chip safe. Further signals change nothing, so a
// second Ctrl-C cannot cut the clean-up short. Broken pipes and oversized
// files become write errors instead of ending the process.
void CatchStopSignals();

// The first stop signal that arrived, or 0.
int StopSignal();

// 128 + the signal's number, as shells report a process that a signal ended:
// 130 for SIGINT (Ctrl-C), 143 for SIGTERM, 129 for SIGHUP.
int ExitStatusForSignal(int signal);

// Tells a waiting Windows control handler that the clean-up is done, so the
// system may end the process when the console closes.
void StopSignalsCleanedUp();

}  // namespace tallis
