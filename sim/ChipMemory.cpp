#include "sim/ChipMemory.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sim/ChipIds.h"

namespace tallis::sim {

namespace {

// 87x code protection, one CP1:CP0 pair: 11 none, 10 the last 256 words,
// 01 the upper half, 00 everything. Returns the first protected address.
std::uint16_t ProtectedFrom87x(unsigned pair, std::uint16_t programWords) {
    switch (pair & 3U) {
        case 3:
            return programWords;
        case 2:
            return static_cast<std::uint16_t>(programWords - 0x100);
        case 1:
            return static_cast<std::uint16_t>(programWords / 2);
        default:
            return 0x0000;
    }
}

// The revision a simulated chip reports in the low bits of its device ID.
constexpr std::uint16_t kRevision87x = 0x6;
constexpr std::uint16_t kRevision87xA = 0x3;
constexpr std::uint16_t kRevision88x = 0x5;
constexpr std::uint16_t kRevision62xA = 0x2;
constexpr std::uint16_t kRevision84A = 0x1;
// DS30262 register 3-1: ten copies of CP over bits 13:4.
constexpr std::uint16_t kCp84A = 0x3FF0;

// DS41287 register 4-1: CP is bit 6, CPD bit 7; register 4-2: bits 10:8 of
// the second word are implemented.
constexpr std::uint16_t kCp88x = 0x0040;
constexpr std::uint16_t kCpd88x = 0x0080;
constexpr std::uint16_t kConfig2Implemented88x = 0x0700;

// DS39607: CP is bit 13 of CONFIG1 (register 4-1); CONFIG2 implements bits
// 1:0 (register 4-2); four revision bits (table 4-1).
constexpr std::uint16_t kCp8788 = 0x2000;
constexpr std::uint16_t kConfig2Implemented8788 = 0x0003;
constexpr std::uint16_t kRevision8788 = 0x5;

}  // namespace

const char* TargetTypeName(TargetType type) {
    switch (type) {
        case TargetType::Pic16F877:
            return "PIC16F877";
        case TargetType::Pic16F877A:
            return "PIC16F877A";
        case TargetType::Pic16F887:
            return "PIC16F887";
        case TargetType::Pic16F628A:
            return "PIC16F628A";
        case TargetType::Pic16F84A:
            return "PIC16F84A";
        case TargetType::Pic16F88:
            return "PIC16F88";
    }
    return "?";
}

const Device& DeviceOf(TargetType type) {
    return *FindDevice(TargetTypeName(type));
}

TargetType TypeOf(const Device& device) {
    if (device.family == "87x") {
        return TargetType::Pic16F877;
    }
    if (device.family == "87xA") {
        return TargetType::Pic16F877A;
    }
    if (device.family == "88x") {
        return TargetType::Pic16F887;
    }
    if (device.family == "62xA") {
        return TargetType::Pic16F628A;
    }
    if (device.family == "84A") {
        return TargetType::Pic16F84A;
    }
    if (device.family == "87/88") {
        return TargetType::Pic16F88;
    }
    throw std::invalid_argument("the simulator has no model of the " + std::string(device.family) +
                                " family of " + std::string(device.name));
}

std::uint16_t DefaultDeviceId(TargetType type) {
    return DefaultDeviceId(DeviceOf(type));
}

std::uint16_t DefaultDeviceId(const Device& device) {
    switch (TypeOf(device)) {
        case TargetType::Pic16F877:
            return ChipIdWord(device.name, kRevision87x);
        case TargetType::Pic16F877A:
            return ChipIdWord(device.name, kRevision87xA);
        case TargetType::Pic16F887:
            break;
        case TargetType::Pic16F628A:
            return ChipIdWord(device.name, kRevision62xA);
        case TargetType::Pic16F84A:
            return ChipIdWord(device.name, kRevision84A);
        case TargetType::Pic16F88:
            return ChipIdWord(device.name, kRevision8788);
    }
    return ChipIdWord(device.name, kRevision88x);
}

ChipMemory ChipMemory::Blank(TargetType type, std::uint16_t deviceId) {
    ChipMemory memory{};
    memory.program.fill(kErasedWord);
    memory.config.fill(kErasedWord);
    memory.eeprom.fill(kErasedByte);
    memory.config[kDeviceIdAddress - kConfigSpaceStart] = deviceId & kWordMask;
    memory.ConfigWord() = NormalizeConfigWord(type, kErasedWord);
    if (type == TargetType::Pic16F887) {
        memory.CalibrationWord() = kFactoryCalibration88x;
    }
    return memory;
}

std::uint16_t NormalizeConfigWord(TargetType type, std::uint16_t word) {
    return NormalizeConfigWord(DeviceOf(type), word);
}

std::uint16_t NormalizeConfigWord(const Device& device, std::uint16_t word) {
    return static_cast<std::uint16_t>((word | ~device.configImplemented) & kWordMask);
}

std::uint16_t NormalizeConfigWord2(std::uint16_t word) {
    return static_cast<std::uint16_t>((word | ~kConfig2Implemented88x) & kWordMask);
}

std::uint16_t NormalizeConfigWord2(TargetType type, std::uint16_t word) {
    if (type == TargetType::Pic16F887) {
        return NormalizeConfigWord2(word);
    }
    if (type == TargetType::Pic16F88) {
        return static_cast<std::uint16_t>((word | ~kConfig2Implemented8788) & kWordMask);
    }
    return word;
}

bool IsCodeProtected(TargetType type, std::uint16_t configWord, std::uint16_t address) {
    return IsCodeProtected(DeviceOf(type), configWord, address);
}

bool IsCodeProtected(const Device& device, std::uint16_t configWord, std::uint16_t address) {
    if (address >= device.programWords) {
        return false;
    }
    // DS39589 and DS41196: CP is bit 13 on the 87xA and the 62xA.
    if (TypeOf(device) == TargetType::Pic16F877A || TypeOf(device) == TargetType::Pic16F628A) {
        return (configWord & 0x2000) == 0;
    }
    if (TypeOf(device) == TargetType::Pic16F887) {
        return (configWord & kCp88x) == 0;
    }
    if (TypeOf(device) == TargetType::Pic16F88) {
        return (configWord & kCp8788) == 0;
    }
    // Copies meant to be equal but not: the strictest reading, any copy at 0
    // protects everything.
    if (TypeOf(device) == TargetType::Pic16F84A) {
        return (configWord & kCp84A) != kCp84A;
    }
    // Both pairs (bits 13:12 and 5:4) are meant to be equal; the stronger one wins.
    const std::uint16_t from = std::min(ProtectedFrom87x(configWord >> 12, device.programWords),
                                        ProtectedFrom87x(configWord >> 4, device.programWords));
    return address >= from;
}

bool IsDataProtected(std::uint16_t configWord) {
    return (configWord & 0x0100) == 0;
}

// The 84A has no CPD: its CP blocks EEPROM writes but not reads (DS30262
// section 4.0).
bool IsDataProtected(TargetType type, std::uint16_t configWord) {
    if (type == TargetType::Pic16F84A) {
        return false;
    }
    return type == TargetType::Pic16F887 ? (configWord & kCpd88x) == 0
                                         : IsDataProtected(configWord);
}

}  // namespace tallis::sim
