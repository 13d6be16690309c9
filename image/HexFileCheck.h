#pragma once

#include <cstdint>
#include <string>

#include "image/FirmwareImage.h"
#include "image/WordAddressClass.h"

namespace tallis {

// What stops a program-and-verify run from starting.
enum class HexFileFault {
    None,
    NotIntelHex,        // a record start that is not ':', or a text with no character
    ChecksumError,      // a record's checksum does not match, or the record was cut short
    NoEndRecord,        // the text ends without an end record
    UnknownRecordType,  // a type the format does not define
    ExtendedAddress,    // an extended address other than 0: memory no PIC16 has
    PastProgramMemory,  // a program-memory record that runs on past 0x1FFF
    PastChipMemory,     // program-memory data beyond the chosen chip's program memory
    ConflictingWord,    // a location given again with another value
};

struct HexFileCheck {
    HexFileFault fault = HexFileFault::None;
    int line = 0;            // of the record at fault, from 1; 0 when no record is to blame
    std::string recordType;  // the type characters of an unknown record type
    // PastChipMemory: the chip's last program word; ConflictingWord: the location.
    std::uint16_t address = 0;
    // The first line with a word whose bits 14-15 are set, which the run
    // leaves out (the chip's words have 14 bits); 0 when none.
    int highBitsLine = 0;
    // NotIntelHex: what stands where a record should start is a space or tab
    // after a record on the same line; the run passes over only the one
    // character after a checksum, so a second one is not a line end to it.
    bool blanksAfterRecord = false;
    bool hasIdWords = false;           // words for the ID locations, which the run skips
    bool hasEepromWords = false;       // words for the data EEPROM, which the run skips
    bool hasSecondConfigWord = false;  // configuration word 2 of another chip, skipped too

    bool Sound() const { return fault == HexFileFault::None; }
};

// Walks the whole text once with the run's own reading rules (HexRecordReader,
// the same steps between records) without touching any port, so that a text
// the run would give up on, or whose data would land in the wrong place, is
// refused before the chip is erased. Text after the end record is not read,
// as the run does not read it either. With programWords, program memory ends
// there (the chosen chip's size) instead of at 0x2000.
HexFileCheck CheckHexFile(const FirmwareImage& image,
                          std::uint16_t programWords = kProgramMemoryEnd);

}  // namespace tallis
