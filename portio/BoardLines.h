#pragma once

#include <cstdint>

// The interface board's wiring to the parallel port's registers: the one
// place both the engine (which drives it) and the simulated board (which
// models it) take the bits from.
namespace tallis::board {

// Data register (base).
inline constexpr std::uint8_t kDataClock = 0x01;  // RB6
inline constexpr std::uint8_t kDataRun = 0x02;    // clear: MCLR low, the target in reset
inline constexpr std::uint8_t kDataVpp = 0x08;    // with kDataRun: MCLR at the programming voltage

// Control register (base + 2).
inline constexpr std::uint8_t kControlHoldDataLow = 0x01;  // clear: RB7 released (open drain)

// Status register (base + 1).
inline constexpr std::uint8_t kStatusDataIn = 0x40;  // the RB7 line

}  // namespace tallis::board
