#pragma once

#include <string>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"

namespace tallis {

// The checksum line of a command's report (image/ImageChecksum.h says how it
// is computed), the same words in every front end.

// Of what a read took from the chip: "Checksum: 1F3A"; without a number when
// code protection kept program memory from being read.
std::string ChipChecksumLine(const ReadResult& read, const Device& device);

// Of a file as the device holds it: "Checksum: 1F3A (firmware.hex)". A file
// whose configuration word protects program memory gives a chip that can only
// be checked by this number, so the line says where it came from.
std::string FileChecksumLine(const ChipImage& file, const Device& device,
                             const std::string& fileName);

// Whether the configuration word the file holds protects program memory.
bool ProtectsProgram(const ChipImage& file, const Device& device);

}  // namespace tallis
