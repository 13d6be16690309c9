#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/ChipMemory.h"

namespace tallis::fuzz {

// A second, deliberately plain reading of what a program-and-verify run does
// with a HEX text on a sound chip, written apart from the engine and the
// image reader so that the two can be compared.
//
// The rules it applies: the whole text is first read without the chip, and
// a text that would not end at a sound end record leaves the chip untouched
// (NotIntelHex, ChecksumError, EndOfText or RefusedRecord, one message); only
// text before LastIndex starts records; CR and LF between records are passed
// over; ':', byte count, address, type, data and checksum must all lie in the
// text, or it is a checksum error; the checksum covers the type; only type 01
// ends the run; types other than 00-05 are refused, and so are extended
// addresses (02, 04) that are not two bytes of 0, and program-memory records
// that run past 0x1FFF; the rest of a non-data record's line is skipped up to
// the next ':'; each data word goes by its own address: program words are
// ANDed into flash (14 bits) unless code protection covers it, then read back
// and compared in full, the configuration word is written, everything else
// skipped, with a warning first for ID locations and data EEPROM; the
// configuration word is read back and compared in the bits the chip
// implements; program words after the configuration word, or below the
// address counter, go to program memory after a fresh entry into programming
// mode, which brings the counter back to 0.
enum class ExpectedEnd {
    Completed,
    NotIntelHex,
    VerifyError,
    ChecksumError,
    EndOfText,
    RefusedRecord
};

const char* ExpectedEndName(ExpectedEnd end);

struct ReferenceResult {
    ExpectedEnd end = ExpectedEnd::EndOfText;
    bool refused = false;  // the chip was never touched
    std::string warning;   // shown before the erase; empty for none
    std::string message;
    sim::ChipMemory memory{};
    std::uint32_t programWrites = 0;
    std::uint32_t configWrites = 0;
    std::uint64_t increments = 0;  // Increment Address commands sent to reach records
    std::uint32_t records = 0;     // record starts handled
};

// The word count shown after Open, by the counting rule.
std::uint16_t ReferenceWordCount(std::string_view text);

// The run over `text` (the stored characters) on a chip of `type` that held
// `before`; the erase at the start leaves program memory and the configuration
// word blank and keeps the ID words.
ReferenceResult ReferenceProgramRun(std::string_view text, sim::TargetType type,
                                    const sim::ChipMemory& before);

// The texts the run shows, spelled out here once more on purpose.
std::string ReferenceDownloadMessage(std::uint16_t wordCount);
std::string ReferenceVerifyMessage(std::uint16_t address);
std::string ReferenceConfigVerifyMessage(std::uint16_t expected, std::uint16_t read);

}  // namespace tallis::fuzz
