#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "device/Device.h"
#include "image/ChipImage.h"
#include "image/ChipImageHex.h"

namespace tallis {

struct ChipImageLoad {
    std::optional<ChipImage> image;
    std::string error;  // "FILE: line 3: bad checksum ..." or why it cannot be read
    std::string text;   // the file as read, to check it again against a device's sizes
};

// Reads and strictly parses a HEX file for verify and write.
ChipImageLoad LoadChipImageFile(const std::filesystem::path& path, ImageBounds bounds);

// The loaded file parsed again against the sizes of the chip that answered:
// empty when it fits, else "FILE: line 3: word address 0x1000 is outside ...".
std::string FileFitError(const std::filesystem::path& path, const ChipImageLoad& loaded,
                         ImageBounds bounds);

// Writes the image as Intel HEX to the file, or to standard output for "-",
// each location where the chip's layout puts it (a 12F675's OSCCAL at word
// 0x3FF). Returns an empty string or what went wrong.
std::string SaveChipImageFile(const std::filesystem::path& path, const ChipImage& image,
                              std::span<const MemoryRegion> layout = WidestLayout());
bool IsStandardOutput(const std::filesystem::path& path);

// "10 program words, 4 IDs, 3 EEPROM bytes and the configuration word": what
// the image holds of the device's memory. Program words are those the
// operations write: a calibration word at the top of program memory (the
// 12F629/675's OSCCAL), which they keep, is not one of them.
std::string ImageContents(const ChipImage& image, const Device& device);

}  // namespace tallis
