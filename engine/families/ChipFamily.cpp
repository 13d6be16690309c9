#include "engine/families/ChipFamily.h"

namespace tallis {

std::uint32_t CycleWait(const TimingProfile& timing, const CycleTime& cycle) {
    if (timing.cycles == CycleWaits::Standard) {
        return cycle.standardUs;
    }
    return WithMargin(cycle.minimumUs,
                      cycle.externallyTimed ? timing.externalMargin : timing.internalMargin);
}

void ChipFamily::RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                   std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    EraseAndProgram(session);
}

// Configuration space has one data latch: the word given with Load
// Configuration is what the cycle writes at the address current then.
void ChipFamily::WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                      std::uint16_t word) const {
    session.LoadConfiguration(word);
    session.GoTo(address);
    EraseAndProgram(session);
}

void ChipFamily::WriteEepromByte(ProgrammingSession& session, std::uint16_t address,
                                 std::uint8_t value) const {
    session.GoTo(address);
    session.LoadDataByte(value);
    EraseAndProgram(session);
}

void ChipFamily::EraseWithCalibration(ProgrammingSession& session, const Device& device) const {
    Erase(session, device);
}

bool ChipFamily::EepromProtected(const Device& device, std::uint16_t configWord) const {
    const std::uint16_t cpd = device.ConfigMask("CPD");
    return cpd != 0 && (configWord & cpd) == 0;
}

void ChipFamily::EraseAndProgram(ProgrammingSession& session) const {
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), EraseProgramCycle()));
}

void ChipFamily::LoadRow(ProgrammingSession& session, std::uint16_t rowStart,
                         std::span<const std::uint16_t> words) {
    session.GoTo(rowStart);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i != 0) {
            session.Increment();
        }
        session.LoadWord(words[i]);
    }
}

}  // namespace tallis
