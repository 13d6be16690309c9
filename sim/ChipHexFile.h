#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sim/ChipMemory.h"

namespace tallis::sim {

// A simulated chip's memory as an Intel HEX file, the usual PIC layout with
// words little-endian at byte address = 2 x word address:
//   0x0000-0x3FFF program memory (all 8192 words),
//   0x4000-0x400F IDs, reserved words, device ID, configuration word,
//   0x4200-0x43FF data EEPROM (one byte per word, high byte 0).
// No extended address records are written (everything is below 64 KiB).

struct HexStatus {
    bool ok = true;
    std::string message;  // why it failed, with the line number
    explicit operator bool() const { return ok; }
};

std::string FormatChipHex(const ChipMemory& memory);

// Parses a whole file into memory. Addresses the file does not mention are
// erased; words are masked to 14 bits, EEPROM words to 8. The device ID is
// kept from the memory passed in. On any error memory is left untouched.
HexStatus ParseChipHex(std::string_view text, TargetType type, ChipMemory& memory);

HexStatus SaveChipHex(const ChipMemory& memory, const std::filesystem::path& path);
HexStatus LoadChipHex(const std::filesystem::path& path, TargetType type, ChipMemory& memory);

}  // namespace tallis::sim
