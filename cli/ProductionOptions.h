#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/ProductionLog.h"
#include "app/SerialNumber.h"

namespace tallis {

// What the command line asks for beyond one chip operation: the checksum of
// identify, and write's production run.
struct ProductionOptions {
    bool identifyChecksum = false;  // identify --checksum: read the chip to sum it

    // write --repeat: chip after chip until stopped or count chips are done.
    bool repeat = false;
    unsigned count = 0;  // 0: until Ctrl-C
    bool stopOnFailure = false;

    // --sim-insertions: the simulated socket is filled and emptied on a schedule.
    unsigned simChips = 0;
    unsigned simPresentMs = 0;
    unsigned simAbsentMs = 0;
    unsigned simFaultyChip = 0;  // --sim-fault-chip: 1-based; 0: every chip has the fault

    // --serial, --serial-at, --serial-format: a number in each chip.
    std::optional<SerialPlan> serial;
    std::filesystem::path serialFile;  // --serial-file, else beside the HEX file
    bool serialOverwrite = false;      // the file's own data at the number's place is replaced

    // --log, --log-format: a line per chip appended to a file.
    std::optional<std::filesystem::path> logPath;
    LogFormat logFormat = LogFormat::JsonLines;

    // Whether write goes through the production run (one chip or many).
    bool Any() const { return repeat || serial.has_value() || logPath.has_value(); }
};

}  // namespace tallis
