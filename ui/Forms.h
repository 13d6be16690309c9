#pragma once

#include "ui/MemoryView.h"
#include "ui/Options.h"
#include "ui/Unit4.h"
#include "ui/Utallis.h"
#include "ui/help.h"

namespace tallis {

class Dialogs;
class SettingsStore;
class Target;

// The program's four windows, made once, in the order the program needs: the
// main window first (its creation writes the port's idle state), then About,
// Options, "Time calibrate" and the memory view. They live until the program ends.
struct Forms {
    // Without a settings store nothing is remembered between runs.
    Forms(Target& target, Dialogs& dialogs, SettingsStore* settings = nullptr);

    TForm1 Form1;
    TForm3 Form3;
    TForm2 Form2;
    TForm4 Form4;
    MemoryView Memory;
};

}  // namespace tallis
