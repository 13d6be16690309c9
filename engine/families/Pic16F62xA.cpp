#include "engine/families/Pic16F62xA.h"

namespace tallis {

namespace {

// DS41196 table 4-1 gives each cycle as a maximum the host must wait out.
// The standard waits are those established programmers give these chips.
// Command 8 on program memory, the IDs and the configuration word: TPROG.
constexpr CycleTime kProgramCycle{.minimumUs = 4000, .standardUs = 5000, .externallyTimed = false};
// Command 8 on the data EEPROM: TDPROG.
constexpr CycleTime kEepromCycle{.minimumUs = 6000, .standardUs = 8000, .externallyTimed = false};
// Bulk Erase Program Memory and Data Memory: TERA.
constexpr CycleTime kBulkEraseCycle{
    .minimumUs = 6000, .standardUs = 10000, .externallyTimed = false};

}  // namespace

// From configuration space Bulk Erase Program Memory takes the IDs as well as
// program memory and the configuration word (and the EEPROM while CPD is 0),
// whatever the code protection; the document has the latch loaded with
// 0x3FFF before it. Bulk Erase Data Memory then takes the EEPROM.
void Pic16F62xA::Erase(ProgrammingSession& session, const Device&) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.LoadWord(ProgrammingSession::kBlankWord);
    BulkErase(session, kBulkEraseProgramMemory);
    BulkErase(session, kBulkEraseDataMemory);
    session.Restart();
}

void Pic16F62xA::BulkErase(ProgrammingSession& session, SerialCommand command) const {
    session.Send(command);
    session.Wait(CycleWait(session.Timing(), kBulkEraseCycle));
}

void Pic16F62xA::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                 std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
}

// The chip has no cycle that erases a word and writes it: programming it
// again completes bits a weak cycle left set.
void Pic16F62xA::RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                   std::span<const std::uint16_t> words) const {
    WriteProgramRow(session, rowStart, words);
}

// Load Data at the address, as the document's flowchart has it, rather than
// relying on Load Configuration's word.
void Pic16F62xA::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                      std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kProgramCycle));
}

void Pic16F62xA::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                 std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
}

// CP at 0 protects all of program memory.
ProtectedRange Pic16F62xA::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const bool all = (configWord & device.ConfigMask("CP")) == 0;
    return {0, all ? device.programWords : std::uint16_t{0}};
}

// Command 8 on the data EEPROM.
CycleTime Pic16F62xA::EraseProgramCycle() const {
    return kEepromCycle;
}

}  // namespace tallis
