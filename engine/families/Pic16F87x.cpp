#include "engine/families/Pic16F87x.h"

#include <algorithm>

#include "image/ChipImage.h"

namespace tallis {

namespace {

// DS39025's cycle times; the standard waits are the ones that have always
// worked on real boards.
constexpr CycleTime kProgramWord{.minimumUs = 4000, .standardUs = 5000, .externallyTimed = false};
// Command 8: 8 ms for this family, 10 ms for its A sibling; the larger, as the
// sources do not all tell the two apart.
constexpr CycleTime kEraseProgram{
    .minimumUs = 10000, .standardUs = 10000, .externallyTimed = false};
constexpr CycleTime kConfigProgram{.minimumUs = 4000, .standardUs = 9000, .externallyTimed = false};
constexpr CycleTime kCodeProtectDisable{
    .minimumUs = 8000, .standardUs = 10000, .externallyTimed = false};
// After the final 1, 7 of a bulk erase, before programming mode is left:
// no programming document gives a time, but PICkit 2 waits about 10.9 ms and
// the classic erase 10 ms, so every profile waits 10 ms.
constexpr std::uint32_t kAfterBulkEraseUs = 10000;

// First CP1:CP0 value -> first protected address: 11 none, 10 the last 256
// words, 01 the upper half, 00 everything.
std::uint16_t ProtectedFrom(unsigned pair, std::uint16_t programWords) {
    switch (pair & 3U) {
        case 3:
            return programWords;
        case 2:
            return static_cast<std::uint16_t>(programWords - 0x100);
        case 1:
            return static_cast<std::uint16_t>(programWords / 2);
        default:
            return 0;
    }
}

}  // namespace

void Pic16F87x::Erase(ProgrammingSession& session, const Device& device) const {
    CodeProtectDisableErase(session);
    session.Restart();
    EraseLeftovers(session, device);
    session.Restart();
}

// The code-protect-disable erase at 0x2007 clears program memory and the
// configuration word, whatever the protection was.
void Pic16F87x::CodeProtectDisableErase(ProgrammingSession& session) const {
    session.GoTo(kConfigWordAddress);
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(CycleWait(session.Timing(), kCodeProtectDisable));
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
    session.Wait(kAfterBulkEraseUs);
}

// The code-protect-disable erase leaves an unprotected data EEPROM as it was,
// and the sources disagree on whether it clears the ID locations and the
// debug vector; whatever of them is not erased is erased location by location.
void Pic16F87x::EraseLeftovers(ProgrammingSession& session, const Device& device) const {
    for (const RegionKind kind : {RegionKind::Id, RegionKind::DebugVector}) {
        const MemoryRegion* region = FindRegion(device.regions, kind);
        if (region == nullptr) {
            continue;
        }
        for (std::uint32_t address = region->start; address < region->End(); ++address) {
            session.GoTo(static_cast<std::uint16_t>(address));
            if (session.ReadWord() != region->Blank()) {
                WriteConfigSpaceWord(session, static_cast<std::uint16_t>(address), region->Blank());
            }
        }
    }
    const MemoryRegion* eeprom = FindRegion(device.regions, RegionKind::Eeprom);
    for (std::uint16_t address = 0; eeprom != nullptr && address < eeprom->size; ++address) {
        session.GoTo(address);
        if (session.ReadDataByte() != eeprom->Blank()) {
            WriteEepromByte(session, address, static_cast<std::uint8_t>(eeprom->Blank()));
        }
    }
}

void Pic16F87x::WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                std::span<const std::uint16_t> words) const {
    LoadRow(session, rowStart, words);
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kProgramWord));
}

void Pic16F87x::WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                std::uint16_t word) const {
    session.LoadConfiguration(word);
    session.GoTo(address);
    session.Send(kBeginProgrammingOnlyCycle);
    session.Wait(CycleWait(session.Timing(), kConfigProgram));
}

// Both CP1:CP0 copies (bits 13:12 and 5:4) should agree; the stronger one wins.
ProtectedRange Pic16F87x::ProtectedProgram(const Device& device, std::uint16_t configWord) const {
    const std::uint16_t from = std::min(ProtectedFrom(configWord >> 12U, device.programWords),
                                        ProtectedFrom(configWord >> 4U, device.programWords));
    return {from, device.programWords};
}

CycleTime Pic16F87x::EraseProgramCycle() const {
    return kEraseProgram;
}

}  // namespace tallis
