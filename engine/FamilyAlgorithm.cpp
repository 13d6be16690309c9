#include "engine/FamilyAlgorithm.h"

#include <algorithm>

#include "image/ChipImage.h"

namespace tallis {

namespace {

constexpr std::uint16_t kCpdBit = 0x0100;
constexpr std::uint16_t kCp87xABit = 0x2000;

// 87xA: Chip Erase with the address in configuration space takes the IDs too.
void ChipErase87xA(ProgrammingSession& session) {
    session.LoadConfiguration(ProgrammingSession::kBlankWord);
    session.Send(kChipErase);
    session.Wait(session.Timing().chipEraseUs);
}

// 87x: the code-protect-disable erase at 0x2007 clears program memory and
// the configuration word, whatever the protection was.
void CodeProtectDisableErase87x(ProgrammingSession& session) {
    session.GoTo(kConfigWordAddress);
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(session.Timing().bulkEraseUs);
    session.Send(kBulkEraseSetup1);
    session.Send(kBulkEraseSetup2);
}

// 87x: the code-protect-disable erase leaves an unprotected data EEPROM as
// it was, and the sources disagree on whether it clears the ID locations and
// the debug vector; whatever of them is not erased is erased location by
// location.
void EraseLeftovers87x(ProgrammingSession& session, const Device& device) {
    for (std::uint16_t address = kIdAddress; address <= kDebugVectorAddress; ++address) {
        session.GoTo(address);
        if (session.ReadWord() != ProgrammingSession::kBlankWord) {
            WriteConfigSpaceWord(session, address, ProgrammingSession::kBlankWord);
        }
    }
    for (std::uint16_t address = 0; address < device.eepromBytes; ++address) {
        session.GoTo(address);
        if (session.ReadDataByte() != kErasedByte) {
            WriteEepromByte(session, static_cast<std::uint8_t>(address), kErasedByte);
        }
    }
}

// 87x, first CP1:CP0 value -> first protected address: 11 none, 10 the last
// 256 words, 01 the upper half, 00 everything.
std::uint16_t ProtectedFrom87x(unsigned pair, std::uint16_t programWords) {
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

void EraseChip(ProgrammingSession& session, const Device& device) {
    if (device.family == Family::Pic16F87xA) {
        ChipErase87xA(session);
        session.Restart();
    } else {
        CodeProtectDisableErase87x(session);
        session.Restart();
        EraseLeftovers87x(session, device);
        session.Restart();
    }
}

namespace {

// The internally timed cycle that erases what the latch addresses and writes it.
void EraseAndProgram(ProgrammingSession& session) {
    session.Send(kBeginEraseProgrammingCycle);
    session.Wait(session.Timing().eraseProgramUs);
}

// Loads the row's latches and leaves the address in the row, where the write
// cycle that follows takes it.
void LoadRow(ProgrammingSession& session, std::uint16_t rowStart,
             std::span<const std::uint16_t> words) {
    session.GoTo(rowStart);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i != 0) {
            session.Increment();
        }
        session.LoadWord(words[i]);
    }
}

}  // namespace

void WriteProgramRow(ProgrammingSession& session, const Device& device, std::uint16_t rowStart,
                     std::span<const std::uint16_t> words) {
    LoadRow(session, rowStart, words);
    session.Send(kBeginProgrammingOnlyCycle);
    if (device.family == Family::Pic16F87xA) {
        session.Wait(session.Timing().programRowUs);
        session.Send(kEndProgramming);
        session.Wait(session.Timing().endProgrammingQuietUs);
    } else {
        session.Wait(session.Timing().programWordUs);
    }
}

void RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                       std::span<const std::uint16_t> words) {
    LoadRow(session, rowStart, words);
    EraseAndProgram(session);
}

// Configuration space has one data latch: the word given with Load
// Configuration is what the cycle writes at the address current then.
void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address, std::uint16_t word) {
    session.LoadConfiguration(word);
    session.GoTo(address);
    EraseAndProgram(session);
}

void WriteConfigWord(ProgrammingSession& session, const Device& device, std::uint16_t word) {
    session.LoadConfiguration(word);
    session.GoTo(kConfigWordAddress);
    if (device.family == Family::Pic16F87xA) {
        EraseAndProgram(session);
    } else {
        session.Send(kBeginProgrammingOnlyCycle);
        session.Wait(session.Timing().configProgramUs);
    }
}

void WriteEepromByte(ProgrammingSession& session, std::uint8_t address, std::uint8_t value) {
    session.GoTo(address);
    session.LoadDataByte(value);
    EraseAndProgram(session);
}

ProtectedRange ProtectedProgram(const Device& device, std::uint16_t configWord) {
    if (device.family == Family::Pic16F87xA) {
        const bool all = (configWord & kCp87xABit) == 0;
        return {0, all ? device.programWords : std::uint16_t{0}};
    }
    // Both copies (bits 13:12 and 5:4) should agree; the stronger one wins.
    const std::uint16_t from = std::min(ProtectedFrom87x(configWord >> 12U, device.programWords),
                                        ProtectedFrom87x(configWord >> 4U, device.programWords));
    return {from, device.programWords};
}

bool EepromProtected(std::uint16_t configWord) {
    return (configWord & kCpdBit) == 0;
}

}  // namespace tallis
