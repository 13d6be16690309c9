#pragma once

#include "device/Device.h"

namespace tallis {

// The classic run's chip choice (the window's two chip buttons): which of the
// two classic algorithms it speaks.
enum class ChipType { Pic16F877, Pic16F877A };

// The only conversions between a device row and the classic choice: the
// classic algorithm that the device's family speaks, and the device each
// choice stands for.
ChipType ClassicChipOf(const Device& device);
// Whether the classic commands serve the device: the 87x and 87xA only.
bool HasClassicCommands(const Device& device);
const Device& ClassicDevice(ChipType chip);

}  // namespace tallis
