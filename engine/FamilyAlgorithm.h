#pragma once

#include <cstdint>
#include <span>

#include "device/Device.h"
#include "engine/ProgrammingSession.h"

namespace tallis {

// What differs between the two families' programming algorithms. Everything
// else the operations take from the device's table row.

// Erases program memory, the ID locations, the data EEPROM and the
// configuration word. Ends at address 0.
void EraseChip(ProgrammingSession& session, const Device& device);
// Writes one latch row (87xA: 8 words at a multiple of 8; 87x: one word).
void WriteProgramRow(ProgrammingSession& session, const Device& device, std::uint16_t rowStart,
                     std::span<const std::uint16_t> words);
// An ID location or the debug vector: erased and written in one cycle.
void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address, std::uint16_t word);
// The configuration word at 0x2007, written after an erase.
void WriteConfigWord(ProgrammingSession& session, const Device& device, std::uint16_t word);
void WriteEepromByte(ProgrammingSession& session, std::uint8_t address, std::uint8_t value);

// Program memory [from, to) that this configuration word code-protects: it
// reads as 0 through the programming interface.
struct ProtectedRange {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
};
ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord);
// CPD (bit 8) at 0: the data EEPROM reads as 0.
bool EepromProtected(std::uint16_t configWord);

}  // namespace tallis
