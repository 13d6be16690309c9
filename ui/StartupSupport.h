#pragma once

namespace tallis {

// Raises the calling thread (the one doing the engine's work) above normal
// priority, so that the engine's busy waits are disturbed less.
void RaiseEngineThreadPriority();

}  // namespace tallis
