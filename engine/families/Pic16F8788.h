#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F87/88 (DS39607): four write latches written by a program-only cycle
// that the host ends with End Programming, command 8 as an externally timed
// row erase (32 program words or one EEPROM byte), Chip Erase as the only
// erase that clears code protection, Load Configuration that ignores its
// word, and two configuration words.
class Pic16F8788 final : public ChipFamily {
  public:
    std::string_view Key() const override { return "87/88"; }
    void Erase(ProgrammingSession& session, const Device& device) const override;
    void WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                         std::span<const std::uint16_t> words) const override;
    void WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                         std::uint16_t word) const override;
    ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord) const override;
    void RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                           std::span<const std::uint16_t> words) const override;
    void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                              std::uint16_t word) const override;
    void WriteEepromByte(ProgrammingSession& session, std::uint16_t address,
                         std::uint8_t value) const override;

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    static void EndedCycle(ProgrammingSession& session, SerialCommand command,
                           const CycleTime& cycle);
};

}  // namespace tallis
