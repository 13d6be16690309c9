// Reading the report the fake FTDI device writes at close (FakeFtdiDevice.h):
// "key: value" lines, for the tests through the fake libftdi and through the
// stand-in ftd2xx.dll.
#pragma once

#include <string>

namespace tallis {

// The value of "key: value", or "(missing)" when the report has no such line.
inline std::string FakeFtdiReportValue(const std::string& report, const std::string& key) {
    const std::size_t at = report.find(key + ": ");
    if (at == std::string::npos) {
        return "(missing)";
    }
    const std::size_t from = at + key.size() + 2;
    return report.substr(from, report.find('\n', from) - from);
}

}  // namespace tallis
