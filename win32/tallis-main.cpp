#include <windows.h>

#include "app/RealTarget.h"
#include "app/WindowSettings.h"
#include "win32/RegistrySettingsStore.h"
#include "win32/Win32Application.h"

// tallis.exe: the programmer on the computer's parallel port, through the
// port driver that Options chose (kept in the settings). "tallis.exe
// FILE.hex" opens the file at start.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    const std::vector<std::wstring> arguments = tallis::win32::CommandLineArguments();
    return tallis::win32::RunApplication(
        [] {
            const tallis::PortDriver driver =
                tallis::LoadWindowSettings(tallis::win32::RegistrySettingsStore(L"tallis"))
                    .portDriver;
            return std::make_unique<tallis::RealTarget>(tallis::kStandardPortBases, driver);
        },
        L"tallis", arguments.empty() ? std::wstring() : arguments.back(), showCommand);
}
