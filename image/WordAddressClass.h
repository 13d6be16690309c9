#pragma once

#include <cstdint>

namespace tallis {

// HEX files carry byte addresses; the chip counts 14-bit words at word addresses
// (byte address / 2). These are the classes of word address that matter to us.
constexpr std::uint16_t kProgramMemoryEnd = 0x2000;   // program memory is 0x0000..0x1FFF
constexpr std::uint16_t kIdLocationsEnd = 0x2004;     // ID locations are 0x2000..0x2003
constexpr std::uint16_t kConfigWordAddress = 0x2007;  // the configuration word
constexpr std::uint16_t kDataEepromStart = 0x2100;    // data EEPROM is 0x2100..0x21FF
constexpr std::uint16_t kDataEepromEnd = 0x2200;
// Configuration word 2 of larger PIC16s (e.g. the 16F88x): no chip here has it.
constexpr std::uint16_t kSecondConfigWordAddress = 0x2008;

enum class WordAddressClass {
    ProgramMemory,      // written and verified word by word
    ConfigurationWord,  // written in configuration mode
    IdLocation,         // read, never written by the program-and-verify run
    DataEeprom,         // read, never written by the program-and-verify run
    Other,              // reserved words, the device ID, nothing at all: read, never written
};

constexpr WordAddressClass ClassifyWordAddress(std::uint16_t wordAddress) {
    if (wordAddress < kProgramMemoryEnd) {
        return WordAddressClass::ProgramMemory;
    }
    if (wordAddress < kIdLocationsEnd) {
        return WordAddressClass::IdLocation;
    }
    if (wordAddress == kConfigWordAddress) {
        return WordAddressClass::ConfigurationWord;
    }
    if (wordAddress >= kDataEepromStart && wordAddress < kDataEepromEnd) {
        return WordAddressClass::DataEeprom;
    }
    return WordAddressClass::Other;
}

}  // namespace tallis
