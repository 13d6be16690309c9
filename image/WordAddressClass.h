#pragma once

#include <cstdint>

namespace tallis {

// HEX files carry byte addresses; the chip counts 14-bit words at word addresses
// (byte address / 2). These are the classes of word address that matter to us.
constexpr std::uint16_t kProgramMemoryEnd = 0x2000;   // program memory is 0x0000..0x1FFF
constexpr std::uint16_t kConfigWordAddress = 0x2007;  // the configuration word

enum class WordAddressClass {
    ProgramMemory,      // written and verified word by word
    ConfigurationWord,  // written in configuration mode
    Other,              // ID locations, data EEPROM and the like: read, never written
};

// A record's class is decided by its start address alone.
constexpr WordAddressClass ClassifyWordAddress(std::uint16_t wordAddress) {
    if (wordAddress < kProgramMemoryEnd) {
        return WordAddressClass::ProgramMemory;
    }
    if (wordAddress == kConfigWordAddress) {
        return WordAddressClass::ConfigurationWord;
    }
    return WordAddressClass::Other;
}

}  // namespace tallis
