#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/Target.h"
#include "board/BoardFile.h"
#include "device/Device.h"
#include "sim/ChipSocket.h"
#include "sim/SimulatedTarget.h"

namespace tallis {

// The simulated board and chip: any device of Devices(), its revision, the
// board's timing and the port's base.
struct SimTargetOptions {
    sim::TimeSource time = sim::TimeSource::RealTime;
    const Device* device = nullptr;  // nullptr: the PIC16F877A
    // The silicon revision in the device ID; 0: the simulated chip's own.
    std::uint16_t revision = 0;
    sim::BoardTiming board = {};
    std::uint16_t base = 0x378;
    sim::ChipSettings chip = {};
    // The board's wiring, as the simulated board decodes the port's pins;
    // owned: the board file it was read from, when it is not built in.
    const board::BoardWiring* wiring = &board::kDefaultBoard;
    std::shared_ptr<const board::OwnedBoard> owned = {};
};

// What --sim-board asks for: a comma-separated list of a timing (ideal or
// slow) and a board (a built-in board's name or a board file), each
// optional. The board is otherwise the one given, the timing ideal.
struct SimBoardChoice {
    sim::BoardTiming timing = {};
    const board::BoardWiring* wiring = &board::kDefaultBoard;
    std::shared_ptr<const board::OwnedBoard> owned = {};
    std::string problem;  // empty when the choice can be used
};
SimBoardChoice ChooseSimBoard(std::string_view text,
                              const board::BoardWiring& otherwise = board::kDefaultBoard);

// The simulated interface board and chip at one port, so that the programs
// can be tried without hardware. Port access is always available.
//
// In real time the engine waits on the real timer and the chip checks those
// waits against the steady clock: that is tallis-sim, and tallis-cli --sim
// --real-time. In virtual time the engine's waits advance the simulation's
// clock at once; that timer waits only once enabled, like the real one, and
// its calibration takes no time.
class SimTarget : public Target {
  public:
    explicit SimTarget(sim::TimeSource time) : SimTarget(SimTargetOptions{.time = time}) {}
    explicit SimTarget(const SimTargetOptions& options);

    PortIo& Port() override { return simulation_.Port(); }
    bool DriverStarted() const override { return true; }
    // Every address is there; only the board's own port answers.
    bool ClaimPort(std::uint16_t) override { return true; }
    std::unique_ptr<EngineTimer> MakeTimer() override;
    std::string AccessPath(std::uint16_t) const override { return "simulated"; }
    std::uint64_t NowUs() override { return simulation_.Time().NowNs() / 1000; }
    // Saves the chip's memory to the state file, if there is one: whole or
    // not at all, so that a failed save keeps the memory saved before.
    std::string Exit() override;
    // The simulated FTDI chip and board in front of the same simulated chip;
    // the selector is not looked at: there is one simulated device.
    std::unique_ptr<FtdiTarget> OpenFtdi(std::string_view selector, const board::FtdiWiring& wiring,
                                         std::string& problem) override;
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) override;

    // The chip keeps its memory in this Intel HEX file between runs: loaded
    // now if it exists, saved by Exit. The problem, or empty; either way
    // nothing has been sent to the port.
    std::string UseStateFile(const std::filesystem::path& path);

    // Chip after chip in the socket during a production run: the schedule
    // starts anew at each run's start. With faultyChip (0 for the first)
    // only that chip keeps the unprogrammable word set before.
    void UseInsertions(const sim::InsertionSchedule& schedule,
                       std::optional<unsigned> faultyChip = std::nullopt) {
        insertions_ = schedule;
        faultyChip_ = faultyChip;
    }
    void BeginProductionRun() override;

    sim::SimulatedTarget& Simulation() { return simulation_; }

  private:
    std::shared_ptr<const board::OwnedBoard> ownedWiring_;  // outlives the simulation
    sim::SimulatedTarget simulation_;
    std::optional<std::filesystem::path> statePath_;
    std::optional<sim::InsertionSchedule> insertions_;
    std::optional<unsigned> faultyChip_;
};

// --sim-insertions CHIPS[:PRESENT_MS:ABSENT_MS]: the simulated socket holds
// CHIPS new blank chips one after another, each for PRESENT_MS and then
// nothing for ABSENT_MS. Nothing when the text is not that.
struct SimInsertions {
    unsigned chips = 0;
    unsigned presentMs = 2000;
    unsigned absentMs = 1000;

    sim::InsertionSchedule Schedule(std::uint64_t startNs = 0) const;
};
std::optional<SimInsertions> ParseSimInsertions(std::string_view text);
extern const char* const kSimInsertionsRule;

// tallis-sim's options, as tallis-cli's of the same names; empty for the default.
struct SimLaunchOptions {
    std::string chip;                 // --sim-chip: any device of Devices()
    std::string board;                // --sim-board: ideal, slow, a board or a board file
    std::filesystem::path state;      // --sim-state: the chip's memory between runs
    std::string configLatches;        // --sim-config-latches: single or row
    std::string eepromEraseAtConfig;  // --sim-877-eeprom-erase-at-config: erases or ignores
    std::string vdd;                  // --sim-vdd: the supply in volts
    std::string vppAfterRun;          // --sim-vpp-after-run: refused or enters
    std::string insertions;           // --sim-insertions: the socket during production runs
};

// tallis-sim's target, in real time; null with the problem (for "tallis-sim: "
// and the user) when an option cannot be used.
std::unique_ptr<SimTarget> MakeSimTarget(const SimLaunchOptions& options, std::string& problem);

}  // namespace tallis
