#pragma once

#include <optional>
#include <string>

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
};

}  // namespace tallis
