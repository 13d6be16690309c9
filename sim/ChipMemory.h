#pragma once

#include <array>
#include <cstdint>

#include "device/Device.h"

namespace tallis::sim {

// The programming algorithms the target can speak, named after the chip
// each stands for when no other device is chosen.
enum class TargetType { Pic16F877, Pic16F877A, Pic16F887, Pic16F628A, Pic16F84A, Pic16F88 };

const char* TargetTypeName(TargetType type);

// The device row a type stands for (PIC16F877 or PIC16F877A), and the type
// that speaks a device's algorithm: the simulator's model of the family the
// row names. Throws std::invalid_argument for a family it has no model of.
const Device& DeviceOf(TargetType type);
TargetType TypeOf(const Device& device);

// Address map in 14-bit words, as the programming interface counts them. The
// arrays hold the largest part; a smaller one uses their start.
inline constexpr std::uint16_t kProgramWords = 0x2000;      // 0x0000-0x1FFF
inline constexpr std::uint16_t kConfigSpaceStart = 0x2000;  // IDs 0x2000-0x2003
inline constexpr std::uint16_t kDebugVectorAddress = 0x2004;
inline constexpr std::uint16_t kDeviceIdAddress = 0x2006;
inline constexpr std::uint16_t kConfigWordAddress = 0x2007;
inline constexpr std::uint16_t kConfigWord2Address = 0x2008;      // the 88x's second
inline constexpr std::uint16_t kCalibrationWordAddress = 0x2009;  // the 88x's factory trims
inline constexpr std::uint16_t kConfigSpaceWords = 10;            // 0x2000-0x2009 are stored
inline constexpr std::uint16_t kEepromBytes = 256;
inline constexpr std::uint16_t kErasedWord = 0x3FFF;
inline constexpr std::uint8_t kErasedByte = 0xFF;
inline constexpr std::uint16_t kWordMask = 0x3FFF;

// Everything the chip remembers across power cycles.
struct ChipMemory {
    std::array<std::uint16_t, kProgramWords> program;
    // Words 0x2000-0x2009: IDs 0-3, two reserved words, device ID, configuration
    // word, then on the 88x the second configuration word and the calibration word.
    std::array<std::uint16_t, kConfigSpaceWords> config;
    std::array<std::uint8_t, kEepromBytes> eeprom;

    // A blank chip of the given type: all erased, with its device ID.
    static ChipMemory Blank(TargetType type, std::uint16_t deviceId);

    std::uint16_t& ConfigWord() { return config[kConfigWordAddress - kConfigSpaceStart]; }
    std::uint16_t ConfigWord() const { return config[kConfigWordAddress - kConfigSpaceStart]; }
    std::uint16_t DeviceId() const { return config[kDeviceIdAddress - kConfigSpaceStart]; }
    std::uint16_t& ConfigWord2() { return config[kConfigWord2Address - kConfigSpaceStart]; }
    std::uint16_t ConfigWord2() const { return config[kConfigWord2Address - kConfigSpaceStart]; }
    std::uint16_t& CalibrationWord() { return config[kCalibrationWordAddress - kConfigSpaceStart]; }
    std::uint16_t CalibrationWord() const {
        return config[kCalibrationWordAddress - kConfigSpaceStart];
    }

    bool operator==(const ChipMemory&) const = default;
};

// Default device ID of a simulated chip: the simulator's own ID for the chip
// (sim/ChipIds.h) with a plausible silicon revision.
std::uint16_t DefaultDeviceId(TargetType type);
std::uint16_t DefaultDeviceId(const Device& device);

// Configuration word as the chip stores it: 14 bits, unimplemented bits at 1.
std::uint16_t NormalizeConfigWord(TargetType type, std::uint16_t word);
std::uint16_t NormalizeConfigWord(const Device& device, std::uint16_t word);
// The 88x's second configuration word: only WRT1:0 and BOR4V (bits 10:8).
std::uint16_t NormalizeConfigWord2(std::uint16_t word);
// The second configuration word as the type stores it: the 88x's above, the
// 87/88's IESO and FCMEN (bits 1:0); unchanged on a type without one.
std::uint16_t NormalizeConfigWord2(TargetType type, std::uint16_t word);
// The calibration word a simulated 88x leaves the factory with: its own
// oscillator, POR and BOR trims (bit 13 reads 1).
inline constexpr std::uint16_t kFactoryCalibration88x = 0x2E5A;

// True when code protection, as set by this configuration word, covers the
// program-memory word at the address (reads 0 through the programming interface).
bool IsCodeProtected(TargetType type, std::uint16_t configWord, std::uint16_t address);
bool IsCodeProtected(const Device& device, std::uint16_t configWord, std::uint16_t address);

// True when the configuration word protects the data EEPROM (CPD, bit 8, at 0).
bool IsDataProtected(std::uint16_t configWord);
// The same for the type's configuration word (the 88x's CPD is bit 7).
bool IsDataProtected(TargetType type, std::uint16_t configWord);

}  // namespace tallis::sim
