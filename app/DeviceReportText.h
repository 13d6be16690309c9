#pragma once

#include <string>

#include "app/OperationFlow.h"

namespace tallis {

// A Device command's report in the desktop's words.
struct DeviceReportText {
    std::string message;  // the message box; empty for none
    std::string status;   // the status-bar line
};

// asked is the chip the command was asked for (nullptr: detected).
DeviceReportText DescribeDeviceReport(DeviceCommandKind kind, const OperationReport& report,
                                      const Device* asked);

}  // namespace tallis
