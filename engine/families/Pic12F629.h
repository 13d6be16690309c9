#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC12F629/675 (DS41191): one write latch, a program-only cycle timed by the
// chip, self-timed bulk erases of program and data memory that also remove
// code protection, and factory calibration that every bulk erase takes: the
// OSCCAL word at 0x3FF and the band-gap bits of the configuration word. The
// operations read both before an erase and write them back after it
// (engine/ChipOperations); this class only erases and writes.
class Pic12F629 final : public ChipFamily {
  public:
    std::string_view Key() const override { return "629"; }
    // The document describes VPP before VDD only. A chip configured for the
    // internal oscillator with GP3 as an input (FOSC 10x, MCLRE 0) runs its
    // program as soon as VDD rises and may drive GP0/GP1 before VPP arrives;
    // only a board that switches VDD can raise VPP first.
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
    bool EraseTakesCalibration() const override { return true; }

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    void BulkErase(ProgrammingSession& session, SerialCommand command) const;
};

}  // namespace tallis
