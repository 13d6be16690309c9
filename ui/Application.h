#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace tallis {

class Target;

// What tallis and tallis-sim take on their command line.
struct LaunchOptions {
    QString file;  // a HEX file to open at start; empty for none
    // tallis-sim only, as tallis-cli's options of the same names.
    QString simChip;
    QString simState;
    QString simBoard;
    QString simConfigLatches;
    QString simEepromEraseAtConfig;
    QString simVppAfterRun;
    QString simVdd;
    QString simInsertions;
};

// Makes the target; on a problem it says why on stderr and returns nothing.
using TargetStarter = std::function<std::unique_ptr<Target>(const LaunchOptions&)>;

// The program's life, shared by tallis and tallis-sim, which differ only in the
// target they start (and tallis-sim's options for it): the application object
// and its command line, the port client's start-up (making the target) before
// any window, then the windows, the file from the command line, the event
// loop, and the port client's exit step once the loop has ended, before the
// windows go. Exit status 2 for a command line that cannot be used.
int RunApplication(int argc, char** argv, const TargetStarter& startTarget, bool simulated = false);

}  // namespace tallis
