#include "cli/SelfTestReport.h"

#include <algorithm>
#include <cstdio>

#include "app/AtomicFile.h"
#include "app/FileNames.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

namespace tallis {

namespace {

const char* StatusText(StepStatus status) {
    switch (status) {
        case StepStatus::Passed:
            return "passed";
        case StepStatus::Failed:
            return "FAILED";
        case StepStatus::Skipped:
            return "skipped";
        case StepStatus::NotRun:
            return "not run";
    }
    return "";
}

std::string Verdict(const SelfTestResult& result) {
    if (result.declined) {
        return "stopped before the erase: not confirmed";
    }
    if (result.interrupted) {
        return "interrupted; the chip was left with VPP off";
    }
    if (result.Passed()) {
        const auto skipped = std::ranges::count_if(result.steps, [](const SelfTestStep& step) {
            return step.status == StepStatus::Skipped;
        });
        return skipped == 0 ? "PASSED, all " + std::to_string(result.steps.size()) + " steps"
                            : "PASSED, " + std::to_string(result.steps.size() - skipped) +
                                  " steps; " + std::to_string(skipped) + " not for this chip";
    }
    std::string failed;
    for (const SelfTestStep& step : result.steps) {
        if (step.status == StepStatus::Failed) {
            failed += (failed.empty() ? "" : "; ") + step.name;
        }
    }
    return "FAILED: " + failed;
}

}  // namespace

// "  passed    12.345 s  identify (classic timing): PIC16F877A revision 1 ...".
std::string StepLine(const SelfTestStep& step) {
    if (step.status == StepStatus::NotRun) {
        return "  not run               " + step.name;
    }
    char head[48];
    std::snprintf(head, sizeof head, "  %-7s %9.3f s  ", StatusText(step.status),
                  static_cast<double>(step.durationUs) / 1e6);
    return head + step.name + ": " + step.detail;
}

std::string OperatingSystemText() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    const bool x64 = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    return std::string("Windows ") + (x64 ? "x86-64" : "x86");
#else
    utsname name{};
    if (uname(&name) != 0) {
        return "unknown";
    }
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
#endif
}

std::string SelfTestReportText(const SelfTestSetting& setting, const SelfTestResult& result) {
    std::string text = "TALLIS self-test report\n\n";
    text += "TALLIS version:    " + setting.version + "\n";
    text += "Operating system:  " + setting.operatingSystem + "\n";
    text += "Port:              " + setting.port + "\n";
    text += "Port access:       " + setting.accessPath + "\n";
    text += "Timer calibration: " + setting.timerCalibration + "\n";
    text += "Device:            " + (result.chip.empty() ? "none identified" : result.chip) + "\n";
    text += "Result:            " + Verdict(result) + "\n\nSteps:\n";
    for (const SelfTestStep& step : result.steps) {
        text += StepLine(step) + "\n";
        if (!step.differences.empty()) {
            text += "      first differences:\n";
            for (const std::string& difference : step.differences) {
                text += "        " + difference + "\n";
            }
        }
    }
    return text;
}

std::string WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    AtomicFile file(path);
    if (std::string error = file.Create(); !error.empty()) {
        return error;
    }
    file.Stream() << text;
    return file.Commit();
}

}  // namespace tallis
