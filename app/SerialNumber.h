#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/ChipImage.h"

namespace tallis {

// How a serial number becomes the values of its locations.
enum class SerialFormat {
    Dec,  // ASCII decimal digits, zero-padded: 1234 in 4 bytes is '1' '2' '3' '4'
    Hex,  // the number in binary: 8 bits a byte (7 bits an ID word)
    Bcd,  // packed BCD: two decimal digits a byte (one an ID word)
};

enum class SerialPlace {
    Id,      // the four ID words, 7 bits each, the most significant in the first
    Eeprom,  // data EEPROM bytes from an address
    Retlw,   // program words from an address, each RETLW of a byte (0x34nn)
};

// Where the number goes: --serial-at id, eeprom:ADDR[:BYTES][:be] or
// retlw:ADDR[:BYTES][:be]. Bytes go least significant first (at ADDR)
// unless big-endian; the ID words always most significant first.
struct SerialLocation {
    SerialPlace place = SerialPlace::Id;
    std::uint16_t address = 0;
    unsigned units = 4;  // bytes, or the four ID words
    bool bigEndian = false;
};

struct SerialPlan {
    std::uint64_t start = 0;
    std::uint64_t step = 1;
    SerialLocation at;
    SerialFormat format = SerialFormat::Dec;
};

// "START[:STEP]" into the plan's start and step; false when it is not that.
bool ParseSerialStart(std::string_view text, SerialPlan& plan);
// The location, or why it is not one.
std::optional<SerialLocation> ParseSerialLocation(std::string_view text, std::string& problem);
std::optional<SerialFormat> ParseSerialFormat(std::string_view text);

// The value of each location, in address order (ID0 first); nothing when
// the number does not fit them.
std::optional<std::vector<std::uint16_t>> EncodeSerial(std::uint64_t number, SerialFormat format,
                                                       const SerialLocation& at);

// The image with the values in place.
void PlaceSerial(ChipImage& image, const SerialLocation& at,
                 const std::vector<std::uint16_t>& values);

// The first of the number's locations that the file itself fills ("EEPROM
// 0x10"), or nothing.
std::optional<std::string> LocationFilledByFile(const ChipImage& file, const SerialLocation& at);

}  // namespace tallis
