#include "win32/Win32Application.h"

#include <windows.h>

#include <cstdio>

#include <commctrl.h>
#include <shellapi.h>

#include "app/Target.h"
#include "win32/Controls.h"
#include "win32/MainWindow.h"
#include "win32/RegistrySettingsStore.h"

namespace tallis::win32 {

int RunApplication(const TargetStarter& startTarget, const std::wstring& program,
                   const std::wstring& fileToOpen, int showCommand) {
    const std::unique_ptr<Target> target = startTarget();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_LINK_CLASS |
                                                       ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    int exitCode = 0;
    {
        RegistrySettingsStore settings(program);
        MainWindow mainWindow(*target, settings);
        mainWindow.Show(showCommand, fileToOpen);
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (mainWindow.TranslateShortcut(message) ||
                IsDialogMessageW(mainWindow.ActiveDialog(), &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode = static_cast<int>(message.wParam);
    }
    if (const std::string problem = target->Exit(); !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", Narrow(program).c_str(), problem.c_str());
    }
    return exitCode;
}

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> list;
    for (int i = 1; i < count; ++i) {
        list.emplace_back(arguments[i]);
    }
    LocalFree(arguments);
    return list;
}

}  // namespace tallis::win32
