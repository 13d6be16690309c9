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

// Compares a whole-chip read with what was written: every location the image
// holds must read back, and program memory and EEPROM it does not hold must
// read erased (a write that lands at a wrong address shows there). The first
// OperationResult::kMaxDifferences, in address order.
std::vector<Difference> ReadBackDifferences(const Device& device, const ChipImage& written,
                                            const ChipImage& read);

}  // namespace tallis
