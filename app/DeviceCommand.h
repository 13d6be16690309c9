#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "engine/OperationProgress.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"
#include "wire/LineTransport.h"
#include "wire/TimingProfile.h"

namespace tallis {

// The Device menu's commands.
enum class DeviceCommandKind { Identify, Read, Verify, BlankCheck, WriteAll };

// What a Device command ended with, for the window to show.
struct DeviceCommandReport {
    OperationOutcome outcome = OperationOutcome::Completed;
    std::string message;                  // the message box
    std::string status;                   // the status-bar line
    const Device* device = nullptr;       // the chip identified, if any
    std::optional<ChipImage> chipImage;   // Read: what was read
    std::vector<Difference> differences;  // Verify, Write: where the chip is not the file
};

// Identifies the chip (asked: the chip choice, or nullptr to detect it), then
// runs the command in one programming session, which leaves the chip with VPP
// off on every way out. file is the open file's image, for Verify and Write all.
DeviceCommandReport RunDeviceCommand(DeviceCommandKind kind, LineTransport& lines,
                                     OperationProgress& progress, const Device* asked,
                                     const ChipImage* file, const TimingProfile& timing);

}  // namespace tallis
