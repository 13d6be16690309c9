#include "ui/DesktopWindows.h"

namespace tallis {

DesktopWindows::DesktopWindows(Target& target, Dialogs& dialogs, SettingsStore* settings)
    : Main(target, dialogs, settings),
      About(Main, dialogs),
      Options(Main),
      Calibration(),
      Memory() {
    Main.AttachWindows(About, Options, Calibration, Memory);
}

}  // namespace tallis
