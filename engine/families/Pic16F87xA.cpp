#include "engine/families/Pic16F87xA.h"

namespace tallis {

namespace {

// DS39589's cycle times; the standard waits are the ones that have always
// worked on real boards.
constexpr CycleTime kProgramRow{.minimumUs = 1000, .standardUs = 2000, .externallyTimed = true};
// TDIS after End Programming: the standard profile's 60 us bit waits around
// every command exceed it, so it has no wait of its own there.
constexpr CycleTime kEndProgrammingQuiet{
    .minimumUs = 100, .standardUs = 0, .externallyTimed = true};
// A configuration-space write may be a retry with the standard waits, after
// which the operation goes on at its own profile's: TDIS is waited in full.
constexpr CycleTime kEndProgrammingQuietInFull{
    .minimumUs = 100, .standardUs = 100, .externallyTimed = true};
constexpr CycleTime kEraseProgram{
    .minimumUs = 10000, .standardUs = 10000, .externallyTimed = false};
// Chip Erase: 8 ms in DS39589B, 10 ms in DS39589C; the larger, which is also
// the least that established programmers wait.
constexpr CycleTime kChipEraseCycle{
    .minimumUs = 10000, .standardUs = 10000, .externallyTimed = false};

}  // namespace

// Chip Erase with the address in configuration space takes the IDs too.
void Pic16F87xA::Erase(ProgrammingSession& session, const Device&) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.Send(kChipErase);
    session.Wait(CycleWait(session.Timing(), kChipEraseCycle));
    session.Restart();
}

void Pic16F87xA::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                 std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    ProgramOnly(session, kEndProgrammingQuiet);
}

void Pic16F87xA::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                 std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
}

// Whether configuration space has one latch or goes through the eight row
// latches, DS39589B leaves open. A word loaded at its own address and written
// by a program-only cycle lands there under both: every latch not loaded
// holds 0x3FFF, and programming 0x3FFF clears no bit of the words beside it.
// Programming only clears bits, so the word must have been erased. Load
// Configuration first puts the chip's address at 0x2000 whatever it was, as
// the one-latch write always did.
void Pic16F87xA::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                      std::uint16_t word) const {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.GoTo(address);
    session.LoadWord(word);
    ProgramOnly(session, kEndProgrammingQuietInFull);
}

// Begin Programming Only for what the latches hold, ended by the host.
void Pic16F87xA::ProgramOnly(ProgrammingSession& session, const CycleTime& quiet) {
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kProgramRow));
    session.Send(kEndProgramming);
    session.Wait(CycleWait(session.Timing(), quiet));
}

// CP at 0 protects all of program memory.
ProtectedRange Pic16F87xA::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const bool all = (configWord & device.ConfigMask("CP")) == 0;
    return {0, all ? device.programWords : std::uint16_t{0}};
}

CycleTime Pic16F87xA::EraseProgramCycle() const {
    return kEraseProgram;
}

}  // namespace tallis
