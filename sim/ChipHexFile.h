#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sim/ChipMemory.h"

namespace tallis::sim {

// A simulated chip's memory as an Intel HEX file in the usual PIC layout
// (image/ChipImageHex.h) with every location of the memory map of the device
// the chip type stands for present (all 8192 program words, IDs, device ID,
// configuration words, the debug vector or calibration word the map has, all
// 256 EEPROM bytes). A file is read by the same regions.

struct HexStatus {
    bool ok = true;
    std::string message;  // why it failed, with the line number
    explicit operator bool() const { return ok; }
};

std::string FormatChipHex(const ChipMemory& memory, TargetType type);

// Parses a whole file into memory. Addresses the file does not mention are
// erased; words keep 14 bits, EEPROM bytes 8. The device ID is kept from the
// memory passed in. On any error memory is left untouched.
HexStatus ParseChipHex(std::string_view text, TargetType type, ChipMemory& memory);

HexStatus SaveChipHex(const ChipMemory& memory, TargetType type, const std::filesystem::path& path);
HexStatus LoadChipHex(const std::filesystem::path& path, TargetType type, ChipMemory& memory);

}  // namespace tallis::sim
