#include "cli/OperationText.h"

#include <cstdio>

namespace tallis {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string Name(const Device& device) {
    return std::string(device.name);
}

std::string TestedOperations(const Device& device) {
    std::string tested;
    for (DeviceOperation op : kDeviceOperations) {
        if (device.TestedOnHardware(op)) {
            tested += (tested.empty() ? "" : ",") + std::string(DeviceOperationName(op));
        }
    }
    return tested.empty() ? "none yet" : tested;
}

}  // namespace

std::string ChipText(const Device& device, std::uint16_t idWord) {
    return Format("%s revision %u (device ID 0x%04X)", Name(device).c_str(),
                  unsigned{device.Revision(idWord)}, unsigned{idWord});
}

std::string LocationText(MemorySpace space, std::uint16_t address) {
    switch (space) {
        case MemorySpace::Program:
            return Format("program memory 0x%04X", unsigned{address});
        case MemorySpace::Id:
            return Format("ID 0x%04X", unsigned{address});
        case MemorySpace::DebugVector:
            return Format("debug vector 0x%04X", unsigned{address});
        case MemorySpace::Config:
            return Format("configuration word 0x%04X", unsigned{address});
        case MemorySpace::Eeprom:
            return Format("EEPROM byte 0x%02X", unsigned{address});
    }
    return {};
}

std::string DifferenceText(const Difference& difference) {
    const char* format = difference.space == MemorySpace::Eeprom
                             ? "%s: expected 0x%02X, read 0x%02X"
                             : "%s: expected 0x%04X, read 0x%04X";
    return Format(format, LocationText(difference.space, difference.address).c_str(),
                  unsigned{difference.expected}, unsigned{difference.actual});
}

std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked) {
    switch (result.outcome) {
        case OperationOutcome::NoChip:
            return "no chip answered (device ID 0x3FFF): check that the chip sits in the socket "
                   "the right way round, that the target has power, and the cable";
        case OperationOutcome::DataLineLow:
            return "the data line RB7 is held low (device ID 0x0000): remove any load from RB7 "
                   "and check the board for a short";
        case OperationOutcome::UnknownChip:
            return Format("unknown device ID 0x%04X: not a supported chip (see --list-devices)",
                          unsigned{result.idWord});
        case OperationOutcome::WrongChip:
            return "found " + ChipText(*result.found, result.idWord) + ", not the " + Name(*asked) +
                   " asked for (--chip)";
        default:
            return {};
    }
}

std::string DeviceListText() {
    std::string text =
        Format("%-11s %-8s %-7s %-16s %-8s %-7s %-6s %s\n", "Device", "--chip", "Family",
               "ID (mask)", "Program", "EEPROM", "Latch", "Confirmed on hardware");
    for (const Device& device : Devices()) {
        const bool classic = device.family == Family::Pic16F87x;
        text += Format("%-11s %-8s %-7s 0x%04X (0x%04X)  %-8u %-7u %-6u %s\n", Name(device).c_str(),
                       std::string(device.option).c_str(), classic ? "87x" : "87xA",
                       unsigned{device.deviceId}, unsigned{device.idMask},
                       unsigned{device.programWords}, unsigned{device.eepromBytes},
                       unsigned{device.latchWords}, TestedOperations(device).c_str());
    }
    return text;
}

}  // namespace tallis
