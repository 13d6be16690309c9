#pragma once

#include "device/Device.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim {

// The simulated chip that stands for a device: its own row (sizes,
// configuration bits), the model of its family's algorithm, and the
// simulator's own ID for it (sim/ChipIds.h) with the given silicon revision at
// 0x2006. The one place where the front ends
// and tests turn a device into a simulated target.
TargetOptions TargetOptionsFor(const Device& device, std::uint16_t revision = 1);

}  // namespace tallis::sim
