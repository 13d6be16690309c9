#include "sim/SimulatedFtdiTarget.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "sim/SteadyClock.h"

namespace tallis::sim {

namespace {

std::unique_ptr<SimClock> MakeClock(TimeSource time) {
    if (time == TimeSource::RealTime) {
        return std::make_unique<SteadyClock>();
    }
    return std::make_unique<VirtualClock>();
}

SimulatedFtdi::Charge ChargeFor(SimClock& clock, bool realTime) {
    if (realTime) {
        return [](std::uint64_t ns) { std::this_thread::sleep_for(std::chrono::nanoseconds(ns)); };
    }
    return [&clock](std::uint64_t ns) { static_cast<VirtualClock&>(clock).AdvanceNs(ns); };
}

}  // namespace

SimulatedFtdiTarget::SimulatedFtdiTarget(const FtdiTargetOptions& options)
    : realTime_(options.time == TimeSource::RealTime),
      clock_(MakeClock(options.time)),
      chip_(options.device != nullptr ? *options.device : DeviceOf(TargetType::Pic16F877A), *clock_,
            log_, options.deviceId),
      board_(&chip_, log_, *options.wiring),
      usb_(*options.usb, board_, *clock_, ChargeFor(*clock_, realTime_)) {}

VirtualClock& SimulatedFtdiTarget::Clock() {
    if (realTime_) {
        throw std::logic_error("a real-time simulated target has no virtual clock");
    }
    return static_cast<VirtualClock&>(*clock_);
}

HexStatus SimulatedFtdiTarget::SaveHex(const std::filesystem::path& path) {
    return SaveChipHex(chip_.Memory(), chip_.Type(), path);
}

HexStatus SimulatedFtdiTarget::LoadHex(const std::filesystem::path& path) {
    ChipMemory memory = chip_.Memory();
    HexStatus status = LoadChipHex(path, chip_.Type(), memory);
    if (status) {
        chip_.LoadMemory(memory);
    }
    return status;
}

}  // namespace tallis::sim
