#include <windows.h>

#include "app/SimTarget.h"
#include "win32/Controls.h"
#include "win32/Win32Application.h"

// tallis-sim.exe: the same program driving a simulated board and chip in real
// time. It takes tallis-cli's --sim-chip, --sim-board, --sim-state,
// --sim-config-latches, --sim-877-eeprom-erase-at-config, --sim-vpp-after-run, --sim-vdd and
// --sim-insertions (the socket during Device > Production), and a HEX file
// to open at start.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace tallis;
    SimLaunchOptions options;
    std::wstring fileToOpen;
    const std::vector<std::wstring> arguments = win32::CommandLineArguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == L"--sim-chip" && hasValue) {
            options.chip = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-board" && hasValue) {
            options.board = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-config-latches" && hasValue) {
            options.configLatches = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-877-eeprom-erase-at-config" && hasValue) {
            options.eepromEraseAtConfig = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-vpp-after-run" && hasValue) {
            options.vppAfterRun = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-vdd" && hasValue) {
            options.vdd = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-insertions" && hasValue) {
            options.insertions = win32::Narrow(arguments[++i]);
        } else if (argument == L"--sim-state" && hasValue) {
            options.state = arguments[++i];
        } else {
            fileToOpen = argument;
        }
    }
    std::string problem;
    std::unique_ptr<SimTarget> target = MakeSimTarget(options, problem);
    if (!target) {
        MessageBoxW(nullptr, win32::Widen("tallis-sim: " + problem).c_str(), L"TALLIS", MB_OK);
        return 2;
    }
    return win32::RunApplication([&target] { return std::unique_ptr<Target>(std::move(target)); },
                                 L"tallis-sim", fileToOpen, showCommand);
}
