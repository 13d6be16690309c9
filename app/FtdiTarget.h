#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "ftdi/BitBangChip.h"
#include "ftdi/BitBangDevice.h"
#include "ftdi/BitBangTransport.h"
#include "sim/SimulatedFtdiTarget.h"
#include "timing/Delayer.h"

namespace tallis {

// A board on an FTDI chip's bit-bang port: the lines to run a command over,
// the clock its long waits sleep on, and the device under them, simulated or
// real. Short waits are bytes, so no calibrated timer is needed: a wait the
// host sleeps is a millisecond or more.
class FtdiTarget {
  public:
    FtdiTarget(std::unique_ptr<ftdi::BitBangDevice> device, std::unique_ptr<Delayer> timer,
               const board::FtdiWiring& wiring, const ftdi::BitBangChip& chip);
    virtual ~FtdiTarget();

    // Synchronous bit-bang with the lines safe. An empty string or what failed.
    std::string Start();
    ftdi::BitBangTransport& Lines() { return *lines_; }
    // Every pin an input, then whatever the target keeps (the simulated
    // chip's memory). An empty string or what went wrong.
    virtual std::string Finish();
    virtual sim::SimulatedFtdiTarget* Simulation() { return nullptr; }

  private:
    std::unique_ptr<ftdi::BitBangDevice> device_;
    std::unique_ptr<Delayer> timer_;
    std::unique_ptr<ftdi::BitBangTransport> lines_;
};

// The FTDI device the selector names (what follows "ftdi:", see
// ftdi::OpenFtdiDevice), opened for this board: a board on channel B of an
// FT2232H opens that channel when the selector names none. Null with the
// problem, in words a user can act on.
std::unique_ptr<FtdiTarget> OpenFtdiTarget(std::string_view selector,
                                           const board::FtdiWiring& wiring, std::string& problem);
// The selector on the board's channel, or nothing with the problem when it
// names another channel.
std::optional<std::string> SelectorForBoard(std::string_view selector,
                                            const board::FtdiWiring& wiring, std::string& problem);

struct SimFtdiOptions {
    sim::TimeSource time = sim::TimeSource::Virtual;
    const Device* device = nullptr;  // nullptr: the PIC16F877A
    const board::FtdiWiring* wiring = &board::kFt232rHighVoltage;
    // FT232R, FT232H or FT2232H; empty: the chip the board was built for.
    std::string chip = {};
    std::optional<std::filesystem::path> state = {};
};

// The simulated FTDI chip, board and PIC; null with the problem when an
// option cannot be used (the state file cannot be read or written).
std::unique_ptr<FtdiTarget> MakeSimFtdiTarget(const SimFtdiOptions& options, std::string& problem);

// The simulated FTDI chip the board was built for, and the board, in front
// of a chip simulated elsewhere (the desktop's simulated target's): commands
// through it reach that chip's memory.
std::unique_ptr<FtdiTarget> MakeFtdiTargetAround(sim::PicChip& chip, sim::ViolationLog& log,
                                                 sim::SimClock& clock, bool realTime,
                                                 const board::FtdiWiring& wiring);

// The simulated FTDI chips by name (FT232R, FT232H, FT2232H).
const sim::FtdiUsbModel* FindSimulatedFtdiChip(std::string_view name);

}  // namespace tallis
