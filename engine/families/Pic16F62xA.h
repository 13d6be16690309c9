#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F627A/628A/648A (DS41196): one write latch, a program-only cycle timed
// by the chip as its only write, and self-timed bulk erases of program and
// data memory that also remove code protection.
class Pic16F62xA final : public ChipFamily {
  public:
    std::string_view Key() const override { return "62xA"; }
    // DS41196 gives high-voltage entry with VPP before VDD only.
    bool NeedsVppBeforeVdd() const override { return true; }
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

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    void BulkErase(ProgrammingSession& session, SerialCommand command) const;
};

}  // namespace tallis
