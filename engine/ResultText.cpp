#include "engine/ResultText.h"

#include <cstdio>

namespace tallis {

std::string ChipText(const Device& device, std::uint16_t idWord) {
    return FormatText("%s revision %u (device ID 0x%04X)", std::string(device.name).c_str(),
                      unsigned{device.Revision(idWord)}, unsigned{idWord});
}

std::string LocationText(MemorySpace space, std::uint16_t address) {
    switch (space) {
        case MemorySpace::Program:
            return FormatText("program memory 0x%04X", unsigned{address});
        case MemorySpace::Id:
            return FormatText("ID 0x%04X", unsigned{address});
        case MemorySpace::DebugVector:
            return FormatText("debug vector 0x%04X", unsigned{address});
        case MemorySpace::Config:
            return FormatText("configuration word 0x%04X", unsigned{address});
        case MemorySpace::DeviceId:
            return FormatText("device ID 0x%04X", unsigned{address});
        case MemorySpace::Calibration:
            return FormatText("calibration word 0x%04X", unsigned{address});
        case MemorySpace::Eeprom:
            return FormatText("EEPROM byte 0x%02X", unsigned{address});
    }
    return {};
}

std::string DifferenceText(const Difference& difference) {
    const char* format = difference.space == MemorySpace::Eeprom
                             ? "%s: expected 0x%02X, read 0x%02X"
                             : "%s: expected 0x%04X, read 0x%04X";
    return FormatText(format, LocationText(difference.space, difference.address).c_str(),
                      unsigned{difference.expected}, unsigned{difference.actual});
}

std::string CalibrationKeptText(const Difference& difference) {
    return FormatText(
        "the file would change the factory-set %s (0x%04X in the file, 0x%04X in "
        "the chip); nothing was written",
        LocationText(difference.space, difference.address).c_str(), unsigned{difference.expected},
        unsigned{difference.actual});
}

std::string LvpOffText(const Difference& difference) {
    return FormatText(
        "the file's configuration word 0x%04X clears LVP (low-voltage programming): this board "
        "has no VPP, so once it is written neither it nor any other board without VPP could "
        "ever enter the chip again; nothing was written",
        unsigned{difference.expected});
}

std::string IdentifyProblem(const OperationResult& result, const Device* asked) {
    switch (result.outcome) {
        case OperationOutcome::NoChip:
            return "no chip answered (device ID 0x3FFF): check that the chip sits in the socket "
                   "the right way round, that the target has power, and the cable";
        case OperationOutcome::DataLineLow:
            return "the data line RB7 is held low (device ID 0x0000): remove any load from RB7 "
                   "and check the board for a short";
        case OperationOutcome::UnknownChip:
            return FormatText("unknown device ID 0x%04X: not a supported chip",
                              unsigned{result.idWord});
        case OperationOutcome::WrongChip:
            return "found " + ChipText(*result.found, result.idWord) + ", not the " +
                   std::string(asked->name) + " asked for";
        default:
            return {};
    }
}

std::string LineFaultText(LineFault fault) {
    switch (fault) {
        case LineFault::NotHeldLow:
            return "line check failed: the data line (RB7) reads 1 while held low: no board, or "
                   "the line is unconnected or inverted; nothing was sent to the chip";
        case LineFault::StuckLow:
            return "line check failed: the data line (RB7) stays low when released: shorted to "
                   "ground or held by the board; nothing was sent to the chip";
        case LineFault::RisesTooSlowly:
            return "line check failed: the data line (RB7) takes more than " +
                   std::to_string(LineCheckResult::kMaxRiseUs) +
                   " us to rise when released: its pull-up is missing or too weak; nothing was "
                   "sent to the chip";
        case LineFault::None:
            break;
    }
    return {};
}

std::vector<std::string> ProtectedAreas(const OperationResult& result) {
    std::vector<std::string> areas;
    if (result.ProgramProtected()) {
        areas.push_back(FormatText("program memory 0x%04X-0x%04X", unsigned{result.protectedFrom},
                                   unsigned{result.protectedTo - 1U}));
    }
    if (result.eepromProtected) {
        areas.emplace_back("the data EEPROM");
    }
    return areas;
}

}  // namespace tallis
