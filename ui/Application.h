#pragma once

#include <functional>
#include <memory>

namespace tallis {

class Target;

using TargetStarter = std::function<std::unique_ptr<Target>()>;

// The program's life, shared by tallis and tallis-sim, which differ only in the
// target they start: the port client's start-up (making the target) before any
// window, then the application object, the windows, the event loop, and the
// port client's exit step once the loop has ended, before the windows go.
int RunApplication(int argc, char** argv, const TargetStarter& startTarget);

}  // namespace tallis
