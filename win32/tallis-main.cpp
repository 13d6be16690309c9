#include <windows.h>

#include "app/RealTarget.h"
#include "win32/Win32Application.h"

// tallis.exe: the programmer on the computer's parallel port, through the
// port driver. "tallis.exe FILE.hex" opens the file at start.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    const std::vector<std::wstring> arguments = tallis::win32::CommandLineArguments();
    return tallis::win32::RunApplication(
        [] { return std::make_unique<tallis::RealTarget>(); }, L"tallis",
        arguments.empty() ? std::wstring() : arguments.back(), showCommand);
}
