#include "engine/families/Pic16F84A.h"

namespace tallis {

namespace {

// DS30262 table 5-1 gives each cycle as a maximum the host must wait out.
// Command 24, program only: program memory, the IDs, the configuration word.
constexpr CycleTime kProgramOnly{.minimumUs = 4000, .standardUs = 5000, .externallyTimed = false};
// Command 8, erase then program: an EEPROM byte, a word written again.
constexpr CycleTime kEraseProgram{.minimumUs = 8000, .standardUs = 10000, .externallyTimed = false};
// The bulk erases and the code-protect-disable erase: the table lists a 4 ms
// erase cycle, the text 10 ms; the longer. Programmers in the field wait 10 to
// 20 ms; the standard profile takes the 20.
constexpr CycleTime kErase{.minimumUs = 10000, .standardUs = 20000, .externallyTimed = false};

}  // namespace

// A protected part takes only the code-protect-disable erase, which clears
// program memory, the EEPROM and the configuration word; the document does not
// say it clears the IDs. So the bulk erases follow, now on an unprotected part:
// program memory from 0x2000 (the IDs with it; never the configuration word),
// then data memory. Each bulk erase is ended by command 8 after a load of a
// blank value, as the document has it.
void Pic16F84A::Erase(ProgrammingSession& session, const Device&) const {
    CodeProtectDisableErase(session);
    session.Restart();
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.LoadWord(ProgrammingSession::kBlankWord);
    BulkErase(session, kBulkEraseProgramMemory);
    session.LoadDataByte(0xFF);
    BulkErase(session, kBulkEraseDataMemory);
    session.Restart();
}

void Pic16F84A::CodeProtectDisableErase(ProgrammingSession& session) const {
    session.GoTo(kConfigWordAddress);
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kErase));
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
}

void Pic16F84A::BulkErase(ProgrammingSession& session, SerialCommand command) const {
    session.Send(command);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kErase));
}

void Pic16F84A::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kProgramOnly));
}

// Load Data at the address, rather than relying on Load Configuration's word;
// the erase left the word blank, so a program-only cycle writes it.
void Pic16F84A::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kProgramOnly));
}

void Pic16F84A::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                     std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    EraseAndProgram(session);
}

// The ten CP copies are meant to be equal; any one at 0 is taken to protect
// all of program memory.
ProtectedRange Pic16F84A::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const std::uint16_t cp = device.ConfigMask("CP");
    const bool all = (configWord & cp) != cp;
    return {0, all ? device.programWords : std::uint16_t{0}};
}

CycleTime Pic16F84A::EraseProgramCycle() const {
    return kEraseProgram;
}

}  // namespace tallis
