#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "portio/PortIo.h"
#include "sim/ChipHexFile.h"
#include "sim/InterfaceBoard.h"
#include "sim/PicChip.h"
#include "sim/SimClock.h"
#include "sim/SimulatedPort.h"
#include "sim/SteadyClock.h"
#include "sim/Violation.h"
#include "sim/VirtualClock.h"

namespace tallis::sim {

// What one access to a register of a real parallel port takes on the bus. In
// virtual time a target charged this per access sees the gaps a real port
// leaves between back-to-back writes; at no cost a data-line write right after
// a falling clock edge would land at the very instant of the edge.
inline constexpr std::uint64_t kRealPortAccessNs = 1000;

enum class TimeSource {
    Virtual,   // time moves only through Clock().Delay(): hand Clock() to the engine
    RealTime,  // the chip reads the steady clock; the host waits with its real timer
};

struct TargetOptions {
    TargetType type = TargetType::Pic16F877A;
    std::uint16_t base = 0x378;
    TimeSource time = TimeSource::Virtual;
    std::uint64_t portAccessCostNs = 0;  // virtual time only
    std::uint16_t deviceId = 0;          // 0: the device's default
    const Device* device = nullptr;      // any of the family; nullptr: the type's own row
    BoardTiming board = {};              // an ideal board unless given
    const board::BoardWiring* wiring = &board::kDefaultBoard;  // a row that lives for the program
    ChipSettings chip = {};  // the readings the chip's model takes where the sources differ
};

// Port, board, chip and clock wired together: what tests, the command-line
// tool's --sim and the desktop simulator need.
//
//   SimulatedTarget target({.type = TargetType::Pic16F877});
//   ParallelPortTransport lines(target.Port(), target.Clock());
//   ProgrammingSession session(lines, kClassicTiming);
//   ... run ...
//   EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
//   target.Chip().Memory().program[0];
//
// Not thread-safe: use it from one thread at a time.
class SimulatedTarget {
  public:
    explicit SimulatedTarget(const TargetOptions& options = {});
    SimulatedTarget(const SimulatedTarget&) = delete;
    SimulatedTarget& operator=(const SimulatedTarget&) = delete;

    tallis::PortIo& Port() { return port_; }
    SimulatedPort& SimPort() { return port_; }
    // The virtual clock to hand to the engine as its Delayer. Throws
    // std::logic_error on a real-time target.
    VirtualClock& Clock();
    SimClock& Time() { return *clock_; }
    bool RealTime() const { return realTime_; }
    InterfaceBoard& Board() { return board_; }
    PicChip& Chip() { return chip_; }
    ViolationLog& Violations() { return log_; }

    // Faults.
    void SetBoardFault(BoardFault fault) { board_.SetFault(fault); }
    void SetUnprogrammableWord(std::uint16_t address) {
        unprogrammable_ = address;
        chip_.SetUnprogrammableWord(address);
    }
    void SetUnerasableWord(std::uint16_t address) { chip_.SetUnerasableWord(address); }

    // Chip after chip: each chip of the schedule goes in blank, of the same
    // device; with faultyChip (0 for the first) only that chip keeps the
    // unprogrammable word set before.
    void UseSocket(const InsertionSchedule& schedule,
                   std::optional<unsigned> faultyChip = std::nullopt);

    // The chip's memory as an Intel HEX file.
    HexStatus SaveHex(const std::filesystem::path& path);
    HexStatus LoadHex(const std::filesystem::path& path);

  private:
    static std::unique_ptr<SimClock> MakeClock(const TargetOptions& options);

    bool realTime_;
    std::unique_ptr<SimClock> clock_;
    ViolationLog log_;
    PicChip chip_;
    InterfaceBoard board_;
    SimulatedPort port_;
    std::optional<std::uint16_t> unprogrammable_;
};

}  // namespace tallis::sim
