#pragma once

#include <string>

namespace tallis {

// The message of the start-up step when port access is unavailable: two texts
// joined with nothing between them. It names what is missing on this platform.
std::string MissingDriverText();

// Raises the calling thread (the one doing the engine's work) above normal
// priority, so that the engine's busy waits are disturbed less.
void RaiseEngineThreadPriority();

}  // namespace tallis
