#include "cli/OperationText.h"

#include <cstdio>

namespace tallis {

namespace {

std::string Name(const Device& device) {
    return std::string(device.name);
}

std::string TestedOperations(const Device& device) {
    std::string tested;
    for (DeviceOperation op : kDeviceOperations) {
        if (device.TestedOnHardware(op)) {
            if (!tested.empty()) {
                tested += ',';
            }
            tested += DeviceOperationName(op);
        }
    }
    return tested.empty() ? "none yet" : tested;
}

}  // namespace

std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked) {
    std::string text = IdentifyProblem(result, asked);
    if (result.outcome == OperationOutcome::UnknownChip) {
        text += " (see --list-devices)";
    } else if (result.outcome == OperationOutcome::WrongChip) {
        text += " (--chip)";
    }
    return text;
}

std::string BoardChoiceHint(std::string_view board, std::string_view title) {
    const std::string name(board);
    std::string text = "the board chosen is " + name;
    if (!title.empty()) {
        text += ", " + std::string(title);
    }
    return text +
           "; if yours is wired otherwise, check the board choice (--board) and compare "
           "its pins with tallis-cli boards " +
           name;
}

bool MayBeWrongBoard(const OperationResult& result) {
    return result.outcome == OperationOutcome::NoChip ||
           result.outcome == OperationOutcome::DataLineLow;
}

std::string DeviceListText() {
    std::string text =
        FormatText("%-11s %-8s %-7s %-16s %-8s %-7s %-6s %s\n", "Device", "--chip", "Family",
                   "ID (mask)", "Program", "EEPROM", "Latch", "Confirmed on hardware");
    for (const Device& device : Devices()) {
        text +=
            FormatText("%-11s %-8s %-7s 0x%04X (0x%04X)  %-8u %-7u %-6u %s\n", Name(device).c_str(),
                       std::string(device.option).c_str(), std::string(device.family).c_str(),
                       unsigned{device.deviceId}, unsigned{device.idMask},
                       unsigned{device.programWords}, unsigned{device.eepromBytes},
                       unsigned{device.latchWords}, TestedOperations(device).c_str());
    }
    return text;
}

}  // namespace tallis
