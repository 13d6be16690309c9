#include "engine/families/Pic16F88x.h"

namespace tallis {

namespace {

// DS41287 table 6-1. The standard waits are those established programmers
// give these chips (10 ms erases, 5 ms and more for a program cycle).
// Command 8 on program memory, the IDs and the configuration words: TPROG1.
constexpr CycleTime kProgramCycle{.minimumUs = 3000, .standardUs = 5000, .externallyTimed = false};
// Command 8 on the data EEPROM erases the byte, then programs it: TPROG1 for data.
constexpr CycleTime kEepromCycle{.minimumUs = 6000, .standardUs = 8000, .externallyTimed = false};
// Bulk Erase Program Memory and Data Memory: TERA, at most 6 ms.
constexpr CycleTime kBulkEraseCycle{
    .minimumUs = 6000, .standardUs = 10000, .externallyTimed = false};
constexpr std::uint16_t kCalibrationAddress = 0x2009;

}  // namespace

// Bulk Erase Program Memory from 0x2000 takes program memory, both
// configuration words and the IDs (and the EEPROM while CPD is 0, as it
// removes protection); Bulk Erase Data Memory then the EEPROM. The address
// stays at 0x2000: only from 0x2009 would the erase take the calibration
// word. Leaving programming mode afterwards resets the write latches that
// Load Configuration touched.
void Pic16F88x::Erase(ProgrammingSession& session, const Device&) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    BulkErase(session, kBulkEraseProgramMemory);
    BulkErase(session, kBulkEraseDataMemory);
    session.Restart();
}

// Bulk Erase Program Memory from 0x2009 takes the calibration word too.
void Pic16F88x::EraseWithCalibration(ProgrammingSession& session, const Device& device) const {
    Erase(session, device);
    session.GoTo(kCalibrationAddress);
    BulkErase(session, kBulkEraseProgramMemory);
    session.Restart();
}

void Pic16F88x::BulkErase(ProgrammingSession& session, SerialCommand command) const {
    session.Send(command);
    session.Wait(CycleWait(session.Timing(), kBulkEraseCycle));
}

// The row's words fill the latches (a four- or eight-word block from a
// multiple of its size); command 8 programs them all.
void Pic16F88x::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
}

// No cycle of this family erases a row and writes it: programming the row
// again completes bits a weak cycle left set, and is all a retry can do
// without erasing the words around it.
void Pic16F88x::RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                  std::span<const std::uint16_t> words) const {
    WriteProgramRow(session, rowStart, words);
}

// One word at a time, the only method for configuration space. Its writes
// leave the latches loaded, and a later cycle would write them again
// wherever the address then is (the calibration word among them), so
// programming mode is left after each one.
void Pic16F88x::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                     std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
    session.Restart();
}

void Pic16F88x::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
}

// CP at 0 protects all of program memory.
ProtectedRange Pic16F88x::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const bool all = (configWord & device.ConfigMask("CP")) == 0;
    return {0, all ? device.programWords : std::uint16_t{0}};
}

CycleTime Pic16F88x::EraseProgramCycle() const {
    return kEepromCycle;
}

}  // namespace tallis
