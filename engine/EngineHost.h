#pragma once

#include "engine/ChipType.h"

namespace tallis {

// What the engine needs of its window. The chip type is asked at every step
// that depends on it, never cached, because the user may change it at any time.
class EngineHost {
  public:
    virtual ~EngineHost() = default;
    virtual ChipType SelectedChip() const = 0;
};

}  // namespace tallis
