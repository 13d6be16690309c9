#include "engine/families/Pic16F8788.h"

namespace tallis {

namespace {

// DS39607 table 7-1 at VDD 4.5-5.5 V, which Chip Erase needs anyway. The
// standard waits are those established programmers give these chips.
// Begin Programming Only (24) until End Programming: TPROG1.
constexpr CycleTime kProgramCycle{.minimumUs = 1000, .standardUs = 2000, .externallyTimed = true};
// Begin Erase (8) until End Programming: TPROG2.
constexpr CycleTime kRowEraseCycle{.minimumUs = 1000, .standardUs = 2000, .externallyTimed = true};
// Chip Erase, timed by the chip: TPROG4.
constexpr CycleTime kChipEraseCycle{
    .minimumUs = 8000, .standardUs = 10000, .externallyTimed = false};
// After End Programming: the document gives no TDIS; the 87xA's 100 us, which
// established programmers wait here too. Waited in full by the standard
// profile as well: a retry writes with its waits and the operation goes on
// at its own profile's, whose next command may follow at once.
constexpr CycleTime kEndProgrammingQuiet{
    .minimumUs = 100, .standardUs = 100, .externallyTimed = true};
// Command 8 is Begin Erase on this family, not an erase-and-program cycle.
constexpr SerialCommand kBeginErase = kBeginEraseProgrammingCycle;

}  // namespace

// Chip Erase with the address in configuration space takes program memory,
// the EEPROM, the IDs and both configuration words, and with them every
// protection: the bulk erases would do nothing on a protected part.
void Pic16F8788::Erase(ProgrammingSession& session, const Device&) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.Send(kChipErase);
    session.Wait(CycleWait(session.Timing(), kChipEraseCycle));
    session.Restart();
}

void Pic16F8788::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                 std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    EndedCycle(session, kBeginProgrammingOnlyCycle, kProgramCycle);
}

// The erase row is 32 words, eight latch rows: erasing it would take words
// around this one. Programming the row again completes bits a weak cycle
// left set, and End Programming has reset the other latches to 0x3FFF.
void Pic16F8788::RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                   std::span<const std::uint16_t> words) const {
    WriteProgramRow(session, rowStart, words);
}

// Load Configuration ignores its word, so every word is loaded at its own
// address; End Programming leaves the other latches at 0x3FFF, which
// programs nothing into the words beside it.
void Pic16F8788::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                      std::uint16_t word) const {
    session.GoTo(address);
    session.LoadWord(word);
    EndedCycle(session, kBeginProgrammingOnlyCycle, kProgramCycle);
}

void Pic16F8788::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                 std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
}

// The byte is erased by Begin Erase, then programmed: right whether a
// program-only cycle replaces a byte or only clears its bits. The byte is
// loaded again for the second cycle, since End Programming may have reset
// the data latch along with the program latches.
void Pic16F8788::WriteEepromByte(ProgrammingSession& session, std::uint16_t address,
                                 std::uint8_t value) const {
    session.GoTo(address);
    session.LoadDataByte(value);
    EndedCycle(session, kBeginErase, kRowEraseCycle);
    session.LoadDataByte(value);
    EndedCycle(session, kBeginProgrammingOnlyCycle, kProgramCycle);
}

// A cycle the host times and ends with End Programming, then the quiet time
// after it.
void Pic16F8788::EndedCycle(ProgrammingSession& session, SerialCommand command,
                            const CycleTime& cycle) {
    session.Send(command);
    session.Wait(CycleWait(session.Timing(), cycle));
    session.Send(kEndProgramming);
    session.Wait(CycleWait(session.Timing(), kEndProgrammingQuiet));
}

// CP at 0 protects all of program memory.
ProtectedRange Pic16F8788::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const bool all = (configWord & device.ConfigMask("CP")) == 0;
    return {0, all ? device.programWords : std::uint16_t{0}};
}

// Command 8 erases: the family has no erase-and-program cycle, and every
// write above is its own.
CycleTime Pic16F8788::EraseProgramCycle() const {
    return kRowEraseCycle;
}

}  // namespace tallis
