#include "image/ImageChecksum.h"

#include <cstdio>

namespace tallis {

namespace {

// Each configuration word counts under the bits the chip implements, so a
// file and the chip written from it agree whatever the file's unused bits say.
std::uint16_t ConfigMask(const Device& device, std::size_t index) {
    return index == 0 ? device.configImplemented : device.config2Implemented;
}

}  // namespace

std::uint16_t ImageChecksum(const ChipImage& image, const Device& device) {
    std::uint32_t sum = 0;
    for (std::size_t address = 0; address < device.programWords; ++address) {
        sum += image.program[address].value_or(kErasedWord);
    }
    for (const MemoryRegion& region : device.regions) {
        if (region.kind != RegionKind::Config) {
            continue;
        }
        for (std::size_t index = 0; index < region.size && index < kMaxConfigWords; ++index) {
            sum += image.config[index].value_or(kErasedWord) & ConfigMask(device, index);
        }
    }
    return static_cast<std::uint16_t>(sum & 0xFFFFU);
}

std::string ChecksumText(std::uint16_t checksum) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned{checksum});
    return text;
}

}  // namespace tallis
