#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tallis {
class Target;
}

namespace tallis::win32 {

using TargetStarter = std::function<std::unique_ptr<Target>()>;

// The Win32 program: makes the target (its port client's start-up), the
// windows, runs the message loop and then the target's exit step. Its
// settings are kept under the program's name ("tallis", "tallis-sim"); a file
// named on the command line is opened at start. Returns the exit code.
int RunApplication(const TargetStarter& startTarget, const std::wstring& program,
                   const std::wstring& fileToOpen, int showCommand);

// The program's arguments as UTF-16, without the program's own name.
std::vector<std::wstring> CommandLineArguments();

}  // namespace tallis::win32
