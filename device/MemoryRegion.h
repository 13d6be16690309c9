#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tallis {

// What a region of a chip's memory holds; the operations read, write and
// compare each kind its own way.
enum class RegionKind : std::uint8_t {
    Program,      // program memory: written by latch rows
    Id,           // ID locations
    DebugVector,  // the in-circuit debugger's vector
    DeviceId,     // device ID and revision: read only
    Config,       // configuration words: written last, compared on their implemented bits
    Calibration,  // factory calibration (OSCCAL, oscillator and BOR trims): read, never written
    Eeprom,       // data EEPROM: bytes, a byte number as address
};

// One region of a chip's memory, as data of its device row: where it lies
// for the programming interface and in a HEX file, and what an erased
// location holds. Adding a region to a row needs no code.
struct MemoryRegion {
    RegionKind kind;
    std::uint16_t start;     // the first address as the programming interface counts it
    std::uint16_t size;      // locations
    std::uint8_t width;      // bits per location: 14 for words, 8 for EEPROM bytes
    std::uint32_t hexStart;  // HEX byte address of the first location; two bytes each, low first

    constexpr std::uint16_t Blank() const { return static_cast<std::uint16_t>((1U << width) - 1U); }
    constexpr std::uint32_t End() const { return std::uint32_t{start} + size; }
    constexpr bool Holds(std::uint32_t address) const {
        return address >= start && address < End();
    }
    constexpr std::uint32_t HexEnd() const { return hexStart + 2U * size; }
    constexpr bool HoldsHex(std::uint32_t byteAddress) const {
        return byteAddress >= hexStart && byteAddress < HexEnd();
    }
};

// The first region of the kind, or nullptr when the layout has none.
constexpr const MemoryRegion* FindRegion(std::span<const MemoryRegion> layout, RegionKind kind) {
    for (const MemoryRegion& region : layout) {
        if (region.kind == kind) {
            return &region;
        }
    }
    return nullptr;
}

}  // namespace tallis
