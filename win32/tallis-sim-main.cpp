#include <windows.h>

#include "ui/SimTarget.h"
#include "win32/Controls.h"
#include "win32/Win32Application.h"

// tallis-sim.exe: the same program driving a simulated board and chip in real
// time. "--sim-board slow" gives the board slow RB7 and VPP edges; a last
// argument that is not an option names a file to open at start.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace tallis;
    sim::BoardTiming board;
    std::wstring fileToOpen;
    const std::vector<std::wstring> arguments = win32::CommandLineArguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != L"--sim-board") {
            fileToOpen = arguments[i];
            continue;
        }
        const auto named = i + 1 < arguments.size()
                               ? sim::BoardTimingNamed(win32::Narrow(arguments[i + 1]))
                               : std::nullopt;
        if (!named) {
            MessageBoxW(nullptr, L"--sim-board takes ideal or slow", L"tallis-sim", MB_OK);
            return 2;
        }
        board = *named;
        ++i;
    }
    return win32::RunApplication(
        [board] { return std::make_unique<SimTarget>(sim::TimeSource::RealTime, board); },
        fileToOpen, showCommand);
}
