#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tallis::sim {

// The device IDs the simulated chips answer with at 0x2006, from the chips'
// data sheets. The judge keeps its own copy rather than the device table's,
// so that a wrong ID in that table fails the identify of the chip it names.
struct ChipId {
    std::string_view name;       // "PIC16F877A", as the device row names the chip
    std::uint16_t id;            // without the revision bits
    std::uint16_t revisionMask;  // the low bits that carry the silicon revision
};

std::span<const ChipId> ChipIds();

// The word a simulated chip of that name answers with: its ID and the
// revision in the revision bits. Throws std::invalid_argument for a chip the
// simulator has no ID for.
std::uint16_t ChipIdWord(std::string_view name, std::uint16_t revision);

}  // namespace tallis::sim
