#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/MemoryRegion.h"

namespace tallis {

// One value of a configuration field and what it does on the chip.
struct ConfigChoice {
    std::uint16_t value;  // within the field's mask
    std::string_view meaning;
};

// A named group of configuration-word bits.
struct ConfigField {
    std::string_view name;
    std::uint16_t mask;
    std::span<const ConfigChoice> choices;
};

enum class DeviceOperation : std::uint8_t {
    Identify,
    Read,
    Verify,
    BlankCheck,
    Write,
    Program,
    Erase,
    Reset,
};
inline constexpr DeviceOperation kDeviceOperations[] = {
    DeviceOperation::Identify,   DeviceOperation::Read,  DeviceOperation::Verify,
    DeviceOperation::BlankCheck, DeviceOperation::Write, DeviceOperation::Program,
    DeviceOperation::Erase,      DeviceOperation::Reset,
};
std::string_view DeviceOperationName(DeviceOperation op);  // "identify", "blank-check", ...

// One supported chip. Everything that differs between chips of a family is a
// field here, so adding a chip is adding a row to the table in Device.cpp.
struct Device {
    std::string_view name;    // "PIC16F877A"
    std::string_view option;  // "16f877a": the --chip / --sim-chip value
    // The key of the row's programming algorithm: the engine's family class
    // (engine/families) and the simulated chip's model are found by it.
    std::string_view family;          // "87x" or "87xA"
    std::uint16_t deviceId;           // word 0x2006 without the revision bits
    std::uint16_t idMask;             // 0x3FE0 (87x) or 0x3FF0 (87xA)
    std::uint16_t programWords;       // 4096 or 8192
    std::uint16_t eepromBytes;        // 128 or 256
    std::uint8_t latchWords;          // 1 (87x) or 8 (87xA)
    std::uint16_t configImplemented;  // implemented configuration-word bits
    std::span<const ConfigField> configFields;
    // Every region of the chip's memory (program memory and EEPROM of the
    // sizes above, IDs, debug vector, device ID, configuration and calibration
    // words), in HEX-file order.
    std::span<const MemoryRegion> regions;
    std::uint32_t testedOnHardware;  // one bit per DeviceOperation (1 << op)
    // The second configuration word (0x2008) of the chips that have one: its
    // fields and implemented bits, as configFields and configImplemented are
    // the first's.
    std::span<const ConfigField> config2Fields = {};
    std::uint16_t config2Implemented = 0x3FFF;
    // The fields of the factory calibration word, where the chip has one:
    // trims, each value its own (the fields list no choices).
    std::span<const ConfigField> calibrationFields = {};
    // Bits of the first configuration word that the factory sets and every
    // bulk erase clears with the calibration words (the 12F629/675's
    // band-gap trim): kept like them, never taken from a file unasked.
    std::uint16_t configCalibrationBits = 0;

    bool Matches(std::uint16_t idWord) const { return (idWord & idMask) == deviceId; }
    std::uint16_t Revision(std::uint16_t idWord) const {
        return static_cast<std::uint16_t>(idWord & ~idMask & 0x3FFF);
    }
    bool TestedOnHardware(DeviceOperation op) const {
        return (testedOnHardware >> static_cast<unsigned>(op) & 1U) != 0;
    }
    // The bits of the named configuration field ("CP", "CPD"); 0 when the
    // chip has no such field.
    std::uint16_t ConfigMask(std::string_view field) const;
    // Program memory as the operations write it: programWords less a
    // calibration word at its top (the 12F629/675's OSCCAL).
    std::uint16_t WritableProgramWords() const;
};

std::span<const Device> Devices();  // every supported chip, 87x first
// Every device's --chip value, comma-separated: "16f873, 16f874, ...".
std::string DeviceOptionList();
// The largest memory map of the supported chips: what a HEX file may hold
// before the chip it is for is known.
std::span<const MemoryRegion> WidestLayout();
// Case-insensitive: "PIC16F877A", "pic16f877a" or "16F877A". nullptr when unknown.
const Device* FindDevice(std::string_view nameOrOption);
// The chip whose ID (under its mask) the word read from 0x2006 holds; nullptr when none.
const Device* DeviceWithId(std::uint16_t idWord);

}  // namespace tallis
