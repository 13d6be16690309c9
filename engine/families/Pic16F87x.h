#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F873/874/876/877 (DS39025): one write latch, program-only cycles timed
// by the chip, and the code-protect-disable erase at 0x2007 for the whole chip.
class Pic16F87x final : public ChipFamily {
  public:
    std::string_view Key() const override { return "87x"; }
    void Erase(ProgrammingSession& session, const Device& device) const override;
    void WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                         std::span<const std::uint16_t> words) const override;
    void WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                         std::uint16_t word) const override;
    ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord) const override;

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    void CodeProtectDisableErase(ProgrammingSession& session) const;
    void EraseLeftovers(ProgrammingSession& session, const Device& device) const;
};

}  // namespace tallis
