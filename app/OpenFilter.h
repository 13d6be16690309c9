#pragma once

namespace tallis {

// The Open dialog's filter as the program stores it: description|pattern pairs.
inline constexpr const char* kHexFileFilter = "Intel hex  file|*.hex|All  files|*.*";

// The production log's file dialog: the filter and the extension for the
// log's format.
struct LogFileDialog {
    const char* filter;
    const char* extension;
};
inline constexpr LogFileDialog kJsonLinesLog{"JSON Lines log|*.jsonl|All  files|*.*", "jsonl"};
inline constexpr LogFileDialog kCsvLog{"CSV log|*.csv|All  files|*.*", "csv"};

}  // namespace tallis
