#pragma once

#include "engine/families/ChipFamily.h"

namespace tallis {

// PIC16F873A/874A/876A/877A (DS39589): an eight-word row latch, program-only
// cycles ended by the host with End Programming, and Chip Erase.
class Pic16F87xA final : public ChipFamily {
  public:
    std::string_view Key() const override { return "87xA"; }
    void Erase(ProgrammingSession& session, const Device& device) const override;
    void WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                         std::span<const std::uint16_t> words) const override;
    void WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                         std::uint16_t word) const override;
    void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                              std::uint16_t word) const override;
    ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord) const override;

  protected:
    CycleTime EraseProgramCycle() const override;

  private:
    static void ProgramOnly(ProgrammingSession& session, const CycleTime& quiet);
};

}  // namespace tallis
