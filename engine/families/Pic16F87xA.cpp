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
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kProgramRow));
    session.Send(kEndProgramming);
    session.Wait(CycleWait(session.Timing(), kEndProgrammingQuiet));
}

void Pic16F87xA::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                 std::uint16_t word) const {
    WriteConfigSpaceWord(session, address, word);
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
