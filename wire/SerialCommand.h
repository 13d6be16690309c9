#pragma once

#include <cstdint>

namespace tallis {

// Serial programming commands (6-bit codes, LSb first).
enum SerialCommand : std::uint8_t {
    kLoadConfiguration = 0,
    kBulkEraseSetup1 = 1,
    kLoadDataProgramMemory = 2,
    kLoadDataDataMemory = 3,
    kReadDataProgramMemory = 4,
    kReadDataDataMemory = 5,
    kIncrementAddress = 6,
    kBulkEraseSetup2 = 7,
    kBeginEraseProgrammingCycle = 8,
    kBulkEraseProgramMemory = 9,
    kBulkEraseDataMemory = 11,
    kEndProgramming = 23,
    kBeginProgrammingOnlyCycle = 24,
    kChipErase = 31,
};

}  // namespace tallis
