#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F882/883/884/886/887 (DS41287): program-only cycles timed by the chip
// over a four- or eight-word latch, self-timed bulk erases of program and
// data memory, two configuration words and a factory calibration word at
// 0x2009 that no erase of this class reaches.
class Pic16F88x final : public ChipFamily {
  public:
    std::string_view Key() const override { return "88x"; }
    // DS41287 section 3.0: VPP before VDD is valid for every configuration
    // and required with the internal oscillator and MCLRE 0.
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
    void EraseWithCalibration(ProgrammingSession& session, const Device& device) const override;

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    void BulkErase(ProgrammingSession& session, SerialCommand command) const;
};

}  // namespace tallis
