#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "image/ChipImage.h"

namespace tallis {

// How the memory view lays out a chip image: the texts of its cells, which
// words are blank, the configuration word's fields. Plain C++, shared by the
// views of every toolkit.
inline constexpr int kProgramWordsPerRow = 8;
inline constexpr int kEepromBytesPerRow = 16;

// An erased program word (0x3FFF) or one the image does not hold.
bool IsBlankWord(std::optional<std::uint16_t> word);
// "1A2B"; "----" for a location the image does not hold.
std::string WordText(std::optional<std::uint16_t> word);
// "1A"; "--" for a byte the image does not hold.
std::string ByteText(std::optional<std::uint8_t> byte);
// The byte as a printable ASCII character, '.' otherwise.
char ShownChar(std::optional<std::uint8_t> byte);

// One line of the Configuration tab.
struct ConfigLine {
    enum class Kind { ConfigWord, Field, Id, DeviceId, Calibration };
    Kind kind;
    std::string name;     // "Configuration word", "FOSC", "ID 2", "Device ID", "Calibration word 0"
    std::string value;    // "0x3F72", "0x2"
    std::string meaning;  // "HS oscillator", "PIC16F877A, revision 3"
    std::uint16_t address = 0;  // the word's address in configuration space
};

// Configuration space by the device's regions: the configuration words and
// the first one's named fields, the ID words, the device ID with its
// revision, and any calibration words.
std::vector<ConfigLine> ConfigLines(const ChipImage& image, const Device& device);

}  // namespace tallis
