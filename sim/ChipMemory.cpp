#include "sim/ChipMemory.h"

#include <algorithm>

namespace tallis::sim {

namespace {

// 877 code protection, one CP1:CP0 pair: 11 none, 10 upper 256 words,
// 01 upper half, 00 everything. Returns the first protected address.
std::uint16_t ProtectedFrom877(unsigned pair) {
    switch (pair & 3U) {
        case 3:
            return kProgramWords;
        case 2:
            return 0x1F00;
        case 1:
            return 0x1000;
        default:
            return 0x0000;
    }
}

}  // namespace

const char* TargetTypeName(TargetType type) {
    return type == TargetType::Pic16F877 ? "PIC16F877" : "PIC16F877A";
}

TypeFacts FactsFor(TargetType type) {
    if (type == TargetType::Pic16F877) {
        return TypeFacts{0x09A0, 0x001F, 0x0400};
    }
    return TypeFacts{0x0E20, 0x000F, 0x1030};
}

std::uint16_t DefaultDeviceId(TargetType type) {
    return type == TargetType::Pic16F877 ? 0x09A6 : 0x0E23;
}

ChipMemory ChipMemory::Blank(TargetType type, std::uint16_t deviceId) {
    ChipMemory memory{};
    memory.program.fill(kErasedWord);
    memory.config.fill(kErasedWord);
    memory.eeprom.fill(kErasedByte);
    memory.config[kDeviceIdAddress - kConfigSpaceStart] = deviceId & kWordMask;
    memory.ConfigWord() = NormalizeConfigWord(type, kErasedWord);
    return memory;
}

std::uint16_t NormalizeConfigWord(TargetType type, std::uint16_t word) {
    return static_cast<std::uint16_t>((word | FactsFor(type).unimplemented) & kWordMask);
}

bool IsCodeProtected(TargetType type, std::uint16_t configWord, std::uint16_t address) {
    if (address >= kProgramWords) {
        return false;
    }
    if (type == TargetType::Pic16F877A) {
        return (configWord & 0x2000) == 0;
    }
    // Both pairs (bits 13:12 and 5:4) are meant to be equal; the stronger one wins.
    const std::uint16_t from =
        std::min(ProtectedFrom877(configWord >> 12), ProtectedFrom877(configWord >> 4));
    return address >= from;
}

bool IsDataProtected(std::uint16_t configWord) {
    return (configWord & 0x0100) == 0;
}

}  // namespace tallis::sim
