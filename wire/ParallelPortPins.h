#pragma once

#include <cstdint>
#include <optional>

namespace tallis {

// The PC parallel port's registers, as offsets from its base address.
inline constexpr std::uint16_t kDataRegister = 0;
inline constexpr std::uint16_t kStatusRegister = 1;
inline constexpr std::uint16_t kControlRegister = 2;

// Where a DB-25 signal pin lives in the port's registers. pcInverted: the
// PC's own hardware turns the level over, so the register bit is the
// opposite of the pin's level (nStrobe, nAutoFeed, nSelectIn, Busy).
struct PortPin {
    std::uint16_t offset = 0;
    std::uint8_t mask = 0;
    bool pcInverted = false;
    bool output = false;
};

// Pins 1 to 17; nothing for the ground pins 18 to 25 or any other number.
std::optional<PortPin> ParallelPortPin(std::uint8_t db25Pin);

}  // namespace tallis
