#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F84A (DS30262): one write latch, an erase-and-program and a
// program-only cycle timed by the chip, bulk erases ended by command 8 that a
// code-protected part ignores, and the code-protect-disable erase at 0x2007.
class Pic16F84A final : public ChipFamily {
  public:
    std::string_view Key() const override { return "84A"; }
    void Erase(ProgrammingSession& session, const Device& device) const override;
    void WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                         std::span<const std::uint16_t> words) const override;
    void WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                         std::uint16_t word) const override;
    ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord) const override;
    void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                              std::uint16_t word) const override;

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    void CodeProtectDisableErase(ProgrammingSession& session) const;
    void BulkErase(ProgrammingSession& session, SerialCommand command) const;
};

}  // namespace tallis
