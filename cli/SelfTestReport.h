#pragma once

#include <filesystem>
#include <string>

#include "cli/SelfTest.h"

namespace tallis {

// Where the self-test ran. Nothing private: no user or host names, no folders.
struct SelfTestSetting {
    std::string version;          // TALLIS's
    std::string operatingSystem;  // "Linux 6.1.0-18-amd64 x86_64"
    std::string port;             // "LPT 1 (0x378)" or "0x3BC"
    std::string accessPath;       // "ppdev", "direct", "driver", "simulated"
    std::string timerCalibration;
};

// The operating system's name, release and machine type.
std::string OperatingSystemText();

// One step as a line of the report and of the console.
std::string StepLine(const SelfTestStep& step);

// The report as one text: the setting, the chip, then every step with its
// result, duration and the first differences of a failed one.
std::string SelfTestReportText(const SelfTestSetting& setting, const SelfTestResult& result);

// Writes text to a temporary file beside path and renames it over path, so a
// reader never sees half a report. Returns an empty string or what failed.
std::string WriteWholeFile(const std::filesystem::path& path, const std::string& text);

}  // namespace tallis
