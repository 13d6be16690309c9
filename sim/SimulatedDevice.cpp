#include "sim/SimulatedDevice.h"

namespace tallis::sim {

TargetOptions TargetOptionsFor(const Device& device, std::uint16_t revision) {
    TargetOptions options;
    options.type = TypeOf(device);
    options.device = &device;
    options.deviceId = static_cast<std::uint16_t>(device.deviceId | (revision & ~device.idMask));
    return options;
}

}  // namespace tallis::sim
