#pragma once

#include "engine/ChipType.h"
#include "sim/ChipMemory.h"

namespace tallis::sim {

// The simulated chip that matches the chip type chosen for the engine. The two
// enums stay apart: the simulated chip is a model of its own, not the engine's.
inline TargetType TargetTypeOf(ChipType chip) {
    return chip == ChipType::Pic16F877 ? TargetType::Pic16F877 : TargetType::Pic16F877A;
}

}  // namespace tallis::sim
