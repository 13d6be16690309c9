#pragma once

#include <cstdint>
#include <string>

#include "device/Device.h"
#include "engine/OperationResult.h"

namespace tallis {

// "PIC16F877A revision 1 (device ID 0x0E21)".
std::string ChipText(const Device& device, std::uint16_t idWord);
// "program memory 0x0005", "ID 0x2001", "configuration word 0x2007", "EEPROM byte 0x01".
std::string LocationText(MemorySpace space, std::uint16_t address);
// "program memory 0x0005: expected 0x0005, read 0x2D55".
std::string DifferenceText(const Difference& difference);
// What an identify that did not find the chip asked for means and what to check.
std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked);
// The device table as --list-devices shows it.
std::string DeviceListText();

}  // namespace tallis
