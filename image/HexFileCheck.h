#pragma once

#include <cstdint>
#include <string>

#include "image/FirmwareImage.h"

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
};

struct HexFileCheck {
    HexFileFault fault = HexFileFault::None;
    int line = 0;                 // of the record at fault, from 1; 0 when no record is to blame
    std::string recordType;       // the type characters of an unknown record type
    bool hasIdWords = false;      // words for the ID locations, which the run skips
    bool hasEepromWords = false;  // words for the data EEPROM, which the run skips
    bool hasSecondConfigWord = false;  // configuration word 2 of another chip, skipped too

    bool Sound() const { return fault == HexFileFault::None; }
};

// Walks the whole text once with the run's own reading rules (HexRecordReader,
// the same steps between records) without touching any port, so that a text
// the run would give up on, or whose data would land in the wrong place, is
// refused before the chip is erased. Text after the end record is not read,
// as the run does not read it either.
HexFileCheck CheckHexFile(const FirmwareImage& image);

}  // namespace tallis
