#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "device/MemoryRegion.h"
#include "image/WordAddressClass.h"

namespace tallis {

// What an image can hold of each region kind: the most any device has. Where
// those locations lie is the device's regions' business (device/MemoryRegion.h).
inline constexpr std::uint16_t kMaxProgramWords = 0x2000;
inline constexpr std::uint16_t kMaxEepromBytes = 256;
inline constexpr std::size_t kMaxIds = 4;
inline constexpr std::size_t kMaxConfigWords = 2;
inline constexpr std::size_t kMaxCalibrationWords = 2;

// The chips' word addresses beyond program memory and their erased values, as
// the programming interface counts them (the configuration word's is
// kConfigWordAddress, beside the HEX file's address classes).
inline constexpr std::uint16_t kIdAddress = 0x2000;  // IDs 0x2000-0x2003
inline constexpr std::uint16_t kDebugVectorAddress = 0x2004;
inline constexpr std::uint16_t kDeviceIdAddress = 0x2006;
inline constexpr std::uint16_t kWordMask = 0x3FFF;
inline constexpr std::uint16_t kErasedWord = 0x3FFF;
inline constexpr std::uint8_t kErasedByte = 0xFF;

// Everything a HEX file can hold for a chip, by region kind and by index
// from the region's start; every location present or absent.
struct ChipImage {
    std::array<std::optional<std::uint16_t>, kMaxProgramWords> program;
    std::array<std::optional<std::uint16_t>, kMaxIds> ids;
    std::optional<std::uint16_t> debugVector;
    // Only from a chip read; never written to a chip.
    std::optional<std::uint16_t> deviceId;
    std::array<std::optional<std::uint16_t>, kMaxConfigWords> config;
    // Only from a chip read; never written to a chip from a file.
    std::array<std::optional<std::uint16_t>, kMaxCalibrationWords> calibration;
    std::array<std::optional<std::uint8_t>, kMaxEepromBytes> eeprom;

    // The word location `index` of a region of the kind; nullptr for EEPROM
    // (bytes) and past what the image can hold.
    std::optional<std::uint16_t>* Word(RegionKind kind, std::size_t index);
    const std::optional<std::uint16_t>* Word(RegionKind kind, std::size_t index) const;
    // How many locations of the kind the image can hold.
    static std::size_t Capacity(RegionKind kind);
    // Any location, an EEPROM byte widened; absent past what the image can hold.
    std::optional<std::uint16_t> Value(RegionKind kind, std::size_t index) const;
    // False when the image has no room for the location.
    bool Set(RegionKind kind, std::size_t index, std::uint16_t value);

    bool operator==(const ChipImage&) const = default;
};

}  // namespace tallis
