#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tallis {

enum class LogFormat { JsonLines, Csv };

// One chip of a production run, as the log keeps it.
struct ChipLogEntry {
    std::string time;  // UTC, ISO 8601: "2026-12-08T11:52:53Z"
    std::string board;
    std::string port;
    unsigned chip = 0;   // 1 for the first chip of the run
    std::string device;  // empty when no supported chip answered
    std::optional<unsigned> revision;
    std::string file;  // the HEX file's name, without its folder
    std::string sha256;
    std::optional<std::uint64_t> serial;
    std::optional<std::string> checksum;  // of what was written, when it was
    bool passed = false;
    std::string problem;  // why it failed
    std::optional<std::string> firstDifference;
    double durationS = 0;
};

// "2026-12-08T11:52:53Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

// The entry as one line, with its line break: a JSON object, or CSV fields
// in the order of CsvHeader.
std::string LogLine(const ChipLogEntry& entry, LogFormat format);
std::string CsvHeader();

// A log that grows by whole lines: each goes to the end of the file in one
// write to a descriptor opened for appending, and is flushed to the disk
// before the next chip, so that the file never ends in half a line, whatever
// becomes of the program, and two runs may share it.
class ProductionLog {
  public:
    ProductionLog() = default;
    ~ProductionLog();
    ProductionLog(const ProductionLog&) = delete;
    ProductionLog& operator=(const ProductionLog&) = delete;

    // Opens or creates the file; a new or empty CSV file gets its header.
    // Returns an empty string or why the file cannot be written.
    std::string Open(const std::filesystem::path& path, LogFormat format);
    std::string Append(const ChipLogEntry& entry);

  private:
    std::string WriteLine(const std::string& line);

    std::filesystem::path path_;
    LogFormat format_ = LogFormat::JsonLines;
    int fd_ = -1;
};

}  // namespace tallis
