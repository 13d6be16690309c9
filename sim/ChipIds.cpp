#include "sim/ChipIds.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tallis::sim {

namespace {

// DS39025 (87x: five revision bits) and DS39589 (87xA: four).
constexpr ChipId kChipIds[] = {
    {"PIC16F873", 0x0960, 0x1F},
    {"PIC16F874", 0x0920, 0x1F},
    {"PIC16F876", 0x09E0, 0x1F},
    {"PIC16F877", 0x09A0, 0x1F},
    {"PIC16F873A", 0x0E40, 0x0F},
    {"PIC16F874A", 0x0E60, 0x0F},
    {"PIC16F876A", 0x0E00, 0x0F},
    {"PIC16F877A", 0x0E20, 0x0F},
    // DS41287 table 4-1: nine device bits, five revision bits.
    {"PIC16F882", 0x2000, 0x1F},
    {"PIC16F883", 0x2020, 0x1F},
    {"PIC16F884", 0x2040, 0x1F},
    {"PIC16F886", 0x2060, 0x1F},
    {"PIC16F887", 0x2080, 0x1F},
    // DS41196 table 3-2.
    {"PIC16F627A", 0x1040, 0x1F},
    {"PIC16F628A", 0x1060, 0x1F},
    {"PIC16F648A", 0x1100, 0x1F},
    // DS30262 table 3-1.
    {"PIC16F84A", 0x0560, 0x1F},
    // DS39607 table 4-1 gives four revision bits; established programmers
    // read five. The fifth is kept here: a host that takes it for a device
    // bit fails on a chip that sets it.
    {"PIC16F87", 0x0720, 0x1F},
    {"PIC16F88", 0x0760, 0x1F},
};

}  // namespace

std::span<const ChipId> ChipIds() {
    return kChipIds;
}

std::uint16_t ChipIdWord(std::string_view name, std::uint16_t revision) {
    const auto found = std::ranges::find(kChipIds, name, &ChipId::name);
    if (found == std::end(kChipIds)) {
        throw std::invalid_argument("the simulator has no device ID for " + std::string(name));
    }
    return static_cast<std::uint16_t>(found->id | (revision & found->revisionMask));
}

}  // namespace tallis::sim
