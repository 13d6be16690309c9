#pragma once

#include <memory>

#include "app/SimTarget.h"

namespace tallis {

struct LaunchOptions;

// tallis-sim's target from its command line, in real time; on a problem it
// says why on stderr and returns nothing.
std::unique_ptr<Target> StartSimTarget(const LaunchOptions& options);

}  // namespace tallis
