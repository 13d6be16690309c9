#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tallis {

inline constexpr std::uint16_t kMaxProgramWords = 0x2000;
inline constexpr std::uint16_t kMaxEepromBytes = 256;

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
