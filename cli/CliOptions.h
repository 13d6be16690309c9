#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/ChipType.h"
#include "sim/InterfaceBoard.h"

namespace tallis {

enum class CliCommand { Program, Erase, Reset, Ports };

// Everything the command line asks for, checked and converted.
struct CliOptions {
    CliCommand command = CliCommand::Program;
    std::filesystem::path firmwarePath;  // program only

    ChipType chip = ChipType::Pic16F877A;
    std::uint16_t portBase = 0x378;
    int lptNumber = 1;       // 1 or 2 for lpt1/lpt2, 0 for a port given by address
    bool forcePort = false;  // an address of the PC's own devices is taken anyway

    bool simulate = false;
    ChipType simChip = ChipType::Pic16F877A;  // the --chip value unless --sim-chip says otherwise
    std::optional<std::filesystem::path> simStatePath;
    bool realTime = false;
    sim::BoardTiming simBoard;  // --sim-board: ideal unless "slow" is asked for

    std::optional<std::filesystem::path> tracePath;
    bool quiet = false;
};

// A parse either yields options or ends the program at once (help, version,
// usage error) with the exit code and what was printed for it.
struct CliParseResult {
    std::optional<CliOptions> options;
    int exitCode = 0;
};

// Parses argv; help and version go to stdout, usage errors to stderr.
CliParseResult ParseCliOptions(int argc, const char* const* argv);

}  // namespace tallis
