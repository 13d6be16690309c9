#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "sim/ChipHexFile.h"
#include "sim/FtdiBoard.h"
#include "sim/PicChip.h"
#include "sim/SimClock.h"
#include "sim/SimulatedFtdi.h"
#include "sim/SimulatedTarget.h"
#include "sim/Violation.h"
#include "sim/VirtualClock.h"

namespace tallis::sim {

struct FtdiTargetOptions {
    const Device* device = nullptr;  // nullptr: the PIC16F877A
    std::uint16_t deviceId = 0;      // 0: the device's default
    const board::FtdiWiring* wiring = &board::kFt232rHighVoltage;
    const FtdiUsbModel* usb = &kFt232rUsb;
    TimeSource time = TimeSource::Virtual;
};

// An FTDI chip, the board on its pins and the PIC, wired together: what
// tests, the benchmark and the command-line tool's --sim on an FTDI board
// need. In virtual time every USB transfer advances the clock by what the bus
// would take; in real time it sleeps that long.
class SimulatedFtdiTarget {
  public:
    explicit SimulatedFtdiTarget(const FtdiTargetOptions& options = {});
    SimulatedFtdiTarget(const SimulatedFtdiTarget&) = delete;
    SimulatedFtdiTarget& operator=(const SimulatedFtdiTarget&) = delete;

    SimulatedFtdi& Usb() { return usb_; }
    FtdiBoard& Board() { return board_; }
    PicChip& Chip() { return chip_; }
    ViolationLog& Violations() { return log_; }
    SimClock& Time() { return *clock_; }
    bool RealTime() const { return realTime_; }
    // The virtual clock to hand to the engine; throws std::logic_error in real time.
    VirtualClock& Clock();

    HexStatus SaveHex(const std::filesystem::path& path);
    HexStatus LoadHex(const std::filesystem::path& path);

  private:
    bool realTime_;
    std::unique_ptr<SimClock> clock_;
    ViolationLog log_;
    PicChip chip_;
    FtdiBoard board_;
    SimulatedFtdi usb_;
};

}  // namespace tallis::sim
