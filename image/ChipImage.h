#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "image/WordAddressClass.h"

namespace tallis {

inline constexpr std::uint16_t kMaxProgramWords = 0x2000;
inline constexpr std::uint16_t kMaxEepromBytes = 256;

// The chips' word addresses beyond program memory and their erased values, as
// the programming interface counts them (the configuration word's is
// kConfigWordAddress, beside the HEX file's address classes).
inline constexpr std::uint16_t kIdAddress = 0x2000;  // IDs 0x2000-0x2003
inline constexpr std::uint16_t kDebugVectorAddress = 0x2004;
inline constexpr std::uint16_t kDeviceIdAddress = 0x2006;
inline constexpr std::uint16_t kWordMask = 0x3FFF;
inline constexpr std::uint16_t kErasedWord = 0x3FFF;
inline constexpr std::uint8_t kErasedByte = 0xFF;

// Everything a HEX file can hold for these chips; every location present or absent.
struct ChipImage {
    std::array<std::optional<std::uint16_t>, kMaxProgramWords>
        program;                                      // word address 0x0000-0x1FFF
    std::array<std::optional<std::uint16_t>, 4> ids;  // 0x2000-0x2003
    std::optional<std::uint16_t> debugVector;         // 0x2004
    // 0x2006: only from a chip read; never written to a chip.
    std::optional<std::uint16_t> deviceId;
    std::optional<std::uint16_t> config;  // 0x2007
    std::array<std::optional<std::uint8_t>, kMaxEepromBytes>
        eeprom;  // HEX byte address 0x4200 + 2 x n

    bool operator==(const ChipImage&) const = default;
};

}  // namespace tallis
