#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/BoardFile.h"
#include "board/FtdiWiring.h"
#include "cli/ProductionOptions.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/ChipType.h"
#include "portio/PortDriver.h"
#include "sim/InterfaceBoard.h"

namespace tallis {

enum class CliCommand {
    // The classic commands of the desktop program.
    Program,
    Erase,
    Reset,
    // The chip operations.
    Identify,
    Read,
    Verify,
    BlankCheck,
    Write,
    // Every operation on a spare chip, with a report to send back.
    SelfTest,
    // No chip at all: the device table, the parallel ports, the boards.
    ListDevices,
    Ports,
    Boards,
};

// A fault of the simulated board or chip, for seeing what each diagnosis looks like.
enum class SimFault { None, NoChip, DataStuckLow, Unprogrammable, Unerasable };

bool IsChipOperation(CliCommand command);

// Everything the command line asks for, checked and converted.
struct CliOptions {
    CliCommand command = CliCommand::Program;
    std::filesystem::path firmwarePath;  // program, verify, write; read's output ("-": stdout)

    // The chip asked for; nullptr for auto (identify, then use what answered).
    const Device* device = nullptr;
    // The classic commands' algorithm: the asked device's family.
    ChipType chip = ChipType::Pic16F877A;
    std::uint16_t portBase = 0x378;
    int lptNumber = 1;       // 1 or 2 for lpt1/lpt2, 0 for a port given by address
    bool forcePort = false;  // an address of the PC's own devices is taken anyway
    // --board: the interface board's wiring; boardFile owns it when it was
    // read from a board file. `boards NAME|FILE` shows this board.
    const board::BoardWiring* board = &board::kDefaultBoard;
    std::shared_ptr<const board::OwnedBoard> boardFile;
    bool boardNamed = false;  // boards: a board was named, so its pin table is shown
    // --port ftdi[:WHICH]: a board on an FTDI chip's bit-bang port instead; WHICH
    // picks the device (empty: the only one there is).
    std::optional<std::string> ftdiDevice;
    // --board's board when it is on an FTDI chip (boardFile owns it when it
    // was read from a file); ft232r-hv with --port ftdi and no board named.
    const board::FtdiWiring* ftdiWiring = nullptr;
    std::string simFtdiChip;                   // --sim-ftdi; empty: the board's chip
    PortDriver portDriver = PortDriver::Auto;  // Windows: InpOut or zlportio.sys

    bool simulate = false;
    const Device* simDevice = nullptr;  // --sim-chip, else --chip's device, else PIC16F877A
    SimFault simFault = SimFault::None;
    std::uint16_t simFaultAddress = 0;  // of the unprogrammable or unerasable word
    std::optional<std::filesystem::path> simStatePath;
    bool realTime = false;
    sim::BoardTiming simBoard;          // --sim-board: ideal unless "slow" is asked for
    sim::ChipSettings simChipSettings;  // --sim-config-latches and the like
    // --sim-board's board, or else --board's: how the simulated board decodes the pins.
    const board::BoardWiring* simWiring = &board::kDefaultBoard;
    std::shared_ptr<const board::OwnedBoard> simWiringFile;

    std::optional<std::filesystem::path> tracePath;
    bool quiet = false;
    bool fast = false;              // the chip operations at the chip's minimum times
    bool writeCalibration = false;  // write: a calibration word of the file replaces the chip's
    // write and verify: the file's calibration (the 12F629/675's OSCCAL and
    // band-gap bits) is written and compared instead of the chip's kept
    bool calibrationFromFile = false;
    // --lvp: enter by low voltage (PGM) on a board that has VPP too.
    bool lowVoltage = false;
    // write: a configuration word that clears LVP is written over a board without VPP.
    bool allowLvpOff = false;

    // selftest: no confirmation prompt; where the report goes; the example
    // for the classic run (none: the one built into the program); how much.
    bool assumeYes = false;
    std::filesystem::path reportPath = "tallis-selftest.txt";
    std::optional<std::filesystem::path> examplePath;
    bool quickSelfTest = false;  // the chip operations with the fast profile only
    // program and erase: the device ID first, and a blank check after erase.
    bool idCheck = true;
    // identify's checksum; write's production run.
    ProductionOptions production;
    // blank-check: the regions it reads (--only); all of the chip by default.
    std::vector<RegionKind> blankScope = kWholeChip;
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
