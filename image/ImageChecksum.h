#pragma once

#include <cstdint>
#include <string>

#include "device/Device.h"
#include "image/ChipImage.h"

namespace tallis {

// The checksum other programmers show for a file or a chip, so that the two
// can be compared: the 16-bit sum (carries beyond bit 15 dropped) of every
// program memory word of the device, a location the image lacks counting as
// erased (0x3FFF), plus each configuration word ANDed with its implemented
// bits (the erased word under the same mask when the image lacks it). IDs,
// EEPROM, the debug vector and the device ID do not enter it.
std::uint16_t ImageChecksum(const ChipImage& image, const Device& device);

// Four upper-case hexadecimal digits: "1F3A".
std::string ChecksumText(std::uint16_t checksum);

}  // namespace tallis
