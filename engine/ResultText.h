#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "device/Device.h"
#include "engine/LineCheck.h"
#include "engine/OperationResult.h"

namespace tallis {

// The chip operations' results in words, shared by the front ends.

// printf-style formatting into a string; the texts here are short lines.
template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// After an erase, write or verify that left the chip other than it should be:
// the supply erasing and writing need (DS39025F Table 2-2, DS39589B Table
// 2-1), which nothing on the port can measure.
inline constexpr const char* kEraseWriteSupplyText =
    "the chip erases and writes only with a supply (VDD) of 4.5-5.5 V, though it reads with "
    "less: check the target's supply";

// "PIC16F877A revision 1 (device ID 0x0E21)".
std::string ChipText(const Device& device, std::uint16_t idWord);
// "program memory 0x0005", "ID 0x2001", "configuration word 0x2007", "EEPROM byte 0x01".
std::string LocationText(MemorySpace space, std::uint16_t address);
// "program memory 0x0005: expected 0x0005, read 0x2D55".
std::string DifferenceText(const Difference& difference);
// A refused write's reason: "the file would change the calibration word
// 0x2009 (0x3FFF in the file, 0x2E5A in the chip)".
std::string CalibrationKeptText(const Difference& difference);
// A chip whose factory calibration word read erased before an erase, and
// that no file replaced.
inline constexpr const char* kCalibrationLostText =
    "the oscillator calibration was lost earlier; see the data sheet for recalibration";
// A configuration word that would clear LVP over a board without VPP, and
// what that would do.
std::string LvpOffText(const Difference& difference);
// What an identify that did not find the chip asked for means and what to
// check; empty for other outcomes.
std::string IdentifyProblem(const OperationResult& result, const Device* asked);
// What a failed line check found, and that nothing was sent; empty for None.
std::string LineFaultText(LineFault fault);
// What code protection hid from a read or verify, one name a part:
// "program memory 0x0000-0x1FFF", "the data EEPROM"; empty when nothing.
std::vector<std::string> ProtectedAreas(const OperationResult& result);

}  // namespace tallis
