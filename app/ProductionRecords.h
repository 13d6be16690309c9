#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "app/FileLock.h"
#include "app/ProductionLog.h"
#include "app/ProductionRun.h"
#include "app/SerialCounter.h"
#include "app/SerialNumber.h"

namespace tallis {

// What a production run keeps beyond the chips: a serial number in each
// (counted in serialFile) and a log line for each.
struct ProductionRecordSettings {
    std::string board;  // the board's name, for the log
    std::optional<SerialPlan> serial;
    std::filesystem::path serialFile;
    bool serialOverwrite = false;  // the file's own data at the number's place is replaced
    std::optional<std::filesystem::path> logPath;
    LogFormat logFormat = LogFormat::JsonLines;
};

// The serial counter's file when none is named: beside the HEX file, with
// .serial for its extension.
std::filesystem::path DefaultSerialFile(const std::filesystem::path& firmware);

// One chip as a board's run hands it over: the image it was given and the
// serial number in it.
struct WrittenChip {
    const ChipRun& run;
    const ChipImage& image;
    std::optional<std::uint64_t> serial;
    const std::string& port;
};

// "Chip 3: passed: PIC16F877A revision 1 (device ID 0x0E21), serial 1002,
// checksum 0115, 0.52 s" or "Chip 2: FAILED: <why>, 0.41 s".
std::string ChipRunLine(const WrittenChip& chip, const Device* asked);

// What every board of a run shares: the serial counter (locked for the run)
// and the log. Boards on their threads take turns. What goes wrong along the
// way (a number that does not fit, a log line that could not be written, a
// number found abandoned by an earlier run) is told to notice as it happens.
class ProductionRecords {
  public:
    using Notice = std::function<void(const std::string&)>;

    ProductionRecords(const ProductionRecordSettings& settings, const ChipImage& file,
                      const Device* asked, Notice notice);

    // Locks and reads the counter, opens the log. giveUp is asked while
    // another run holds the counter. Returns an empty string or the problem;
    // nothing has been written then.
    std::string Open(const std::filesystem::path& firmware, const std::string& fileText,
                     const std::function<bool()>& giveUp);

    // The file with the next serial number in place, recorded as attempted;
    // nothing (told to notice) when it cannot be.
    std::optional<ChipImage> ImageFor(std::optional<std::uint64_t>& serial);

    // The chip's log line, its serial number used or freed; shown (if given)
    // runs first, in the same turn. False when the log or the counter could
    // not be kept.
    bool Record(const WrittenChip& chip, const std::function<void()>& shown = {});

  private:
    std::string OpenCounter(const std::function<bool()>& giveUp);
    ChipLogEntry Entry(const WrittenChip& chip) const;

    ProductionRecordSettings settings_;
    const ChipImage& file_;
    const Device* asked_;
    Notice notice_;
    std::mutex mutex_;
    FileLock lock_;
    std::optional<SerialCounter> counter_;
    ProductionLog log_;
    ChipLogEntry base_;
    bool logging_ = false;
};

}  // namespace tallis
