#include "engine/families/Pic12F629.h"

namespace tallis {

namespace {

// DS41191 table 5-1 gives each cycle as a maximum the host must wait out. The
// standard waits are at or above what established programmers give these
// chips (2.5 to 3 ms a word, 9 to 11 ms an erase).
// Command 8 on program memory, the IDs and the configuration word: TPROG1.
constexpr CycleTime kProgramCycle{.minimumUs = 2500, .standardUs = 4000, .externallyTimed = false};
// Command 8 on the data EEPROM erases the byte, then programs it: TPROG1 for data.
constexpr CycleTime kEepromCycle{.minimumUs = 6000, .standardUs = 8000, .externallyTimed = false};
// Bulk Erase Program Memory and Data Memory: TERA, at most 8 ms (an earlier
// revision of the document gave 6 ms).
constexpr CycleTime kBulkEraseCycle{
    .minimumUs = 8000, .standardUs = 10000, .externallyTimed = false};

}  // namespace

// From configuration space Bulk Erase Program Memory takes program memory
// (OSCCAL with it), the configuration word (band-gap bits with it) and the
// IDs, and the EEPROM while CPD is 0, whatever the code protection. Bulk Erase
// Data Memory then takes the EEPROM. Leaving programming mode resets the
// address for what follows.
void Pic12F629::Erase(ProgrammingSession& session, const Device&) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    BulkErase(session, kBulkEraseProgramMemory);
    BulkErase(session, kBulkEraseDataMemory);
    session.Restart();
}

void Pic12F629::BulkErase(ProgrammingSession& session, SerialCommand command) const {
    session.Send(command);
    session.Wait(CycleWait(session.Timing(), kBulkEraseCycle));
}

void Pic12F629::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
}

// Command 8 programs program memory without erasing it: programming the
// word again completes bits a weak cycle left set.
void Pic12F629::RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                  std::span<const std::uint16_t> words) const {
    WriteProgramRow(session, rowStart, words);
}

// Load Data at the address, as the document's flowcharts have it.
void Pic12F629::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                     std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
}

void Pic12F629::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
}

// CP at 0 protects program memory but the OSCCAL word above it.
ProtectedRange Pic12F629::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const bool all = (configWord & device.ConfigMask("CP")) == 0;
    return {0, all ? device.WritableProgramWords() : std::uint16_t{0}};
}

// Command 8 on the data EEPROM.
CycleTime Pic12F629::EraseProgramCycle() const {
    return kEepromCycle;
}

}  // namespace tallis
