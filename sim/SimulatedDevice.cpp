#include "sim/SimulatedDevice.h"

namespace tallis::sim {

TargetOptions TargetOptionsFor(const Device& device, std::uint16_t revision) {
    TargetOptions options;
    options.type =
        device.family == Family::Pic16F87x ? TargetType::Pic16F877 : TargetType::Pic16F877A;
    options.device = &device;
    options.deviceId = static_cast<std::uint16_t>(device.deviceId | (revision & ~device.idMask));
    return options;
}

}  // namespace tallis::sim
