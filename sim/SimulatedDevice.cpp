#include "sim/SimulatedDevice.h"

#include "sim/ChipIds.h"

namespace tallis::sim {

TargetOptions TargetOptionsFor(const Device& device, std::uint16_t revision) {
    TargetOptions options;
    options.type = TypeOf(device);
    options.device = &device;
    options.deviceId = ChipIdWord(device.name, revision);
    return options;
}

}  // namespace tallis::sim
