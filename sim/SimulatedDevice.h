#pragma once

#include "device/Device.h"
#include "sim/SimulatedTarget.h"

namespace tallis::sim {

// The simulated chip that stands for a device: the model of its family, with
// the device's own ID (and a revision) at 0x2006. The only place where
// devices meet the simulated chip's types.
TargetOptions TargetOptionsFor(const Device& device, std::uint16_t revision = 1);

}  // namespace tallis::sim
