#pragma once

#include "ui/AboutBox.h"
#include "ui/CalibrationWindow.h"
#include "ui/MainWindow.h"
#include "ui/MemoryView.h"
#include "ui/OptionsDialog.h"

namespace tallis {

class Dialogs;
class SettingsStore;
class Target;

// The program's four windows, made once, in the order the program needs: the
// main window first (its creation writes the port's idle state), then About,
// Options, "Time calibrate" and the memory view. They live until the program ends.
struct DesktopWindows {
    // Without a settings store nothing is remembered between runs.
    DesktopWindows(Target& target, Dialogs& dialogs, SettingsStore* settings = nullptr);

    MainWindow Main;
    AboutBox About;
    OptionsDialog Options;
    CalibrationWindow Calibration;
    MemoryView Memory;
};

}  // namespace tallis
