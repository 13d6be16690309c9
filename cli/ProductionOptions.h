#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ProductionLog.h"
#include "app/SerialNumber.h"

namespace tallis {

// One board of several at once: its parallel port's base, its LPT number (0
// for a port given by address).
struct BoardPort {
    std::uint16_t base = 0;
    int lptNumber = 0;
};

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
    unsigned simFaultyChip = 0;   // --sim-fault-chip: 1-based; 0: every chip has the fault
    unsigned simFaultyBoard = 0;  // --sim-fault-board: 1-based --port; 0: every board

    // --serial, --serial-at, --serial-format: a number in each chip.
    std::optional<SerialPlan> serial;
    std::filesystem::path serialFile;  // --serial-file, else beside the HEX file
    bool serialOverwrite = false;      // the file's own data at the number's place is replaced

    // --log, --log-format: a line per chip appended to a file.
    std::optional<std::filesystem::path> logPath;
    LogFormat logFormat = LogFormat::JsonLines;

    // Several --port: one session per board, each on its own thread; empty
    // for one board.
    std::vector<BoardPort> boards;

    // Whether write goes through the production run (one chip or many).
    bool Any() const {
        return repeat || serial.has_value() || logPath.has_value() || !boards.empty();
    }
};

}  // namespace tallis
