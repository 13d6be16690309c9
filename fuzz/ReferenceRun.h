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
// The rules it applies: only text before LastIndex starts records; CR and LF
// between records are passed over; ':', byte count, address and type must all
// lie in the text, or the run ends with a checksum error; a byte count below 2
// ends the data; other types are skipped up to the next ':'; a record's class
// comes from its start address; words are low byte first, 16 bits, and a
// program word is ANDed into flash (14 bits) unless code protection covers it,
// then read back and compared in full; configuration words may come before
// program records, which then go to program memory after a fresh entry into
// programming mode; the checksum is checked after the words.
enum class ExpectedEnd { Completed, NotIntelHex, VerifyError, ChecksumError, EndOfText };

const char* ExpectedEndName(ExpectedEnd end);

struct ReferenceResult {
    ExpectedEnd end = ExpectedEnd::EndOfText;
    std::string message;  // empty for EndOfText
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

}  // namespace tallis::fuzz
