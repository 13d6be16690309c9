#pragma once

#include <string_view>
#include <vector>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"

namespace tallis {

// The images the self-test writes, reads back and compares, in that order:
// all program memory and EEPROM; a few words at row and page edges; the EEPROM
// and ID locations alone; a configuration word without code protection.
inline constexpr std::string_view kSelfTestImageNames[] = {
    "full memory",
    "sparse",
    "EEPROM and IDs",
    "configuration word",
};
// Those images for one device, in the same order.
std::vector<ChipImage> SelfTestImages(const Device& device);

// What a write must add to the chip's erase for a blank check to pass: every
// EEPROM byte and ID location written erased, since the 87x erase keeps the
// EEPROM of an unprotected chip (and perhaps the IDs).
ChipImage ErasedImage(const Device& device);

// Compares a whole-chip read with what was written: every location the image
// holds must read back, and program memory it does not hold must read erased
// (a write that lands at a wrong address shows there; EEPROM the image does not
// hold may keep older bytes, since the 87x erase keeps them). The first
// OperationResult::kMaxDifferences, in address order.
std::vector<Difference> ReadBackDifferences(const Device& device, const ChipImage& written,
                                            const ChipImage& read);

}  // namespace tallis
