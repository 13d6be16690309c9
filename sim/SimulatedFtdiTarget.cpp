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

// The system's sleeps, and its yields on a busy machine, overshoot by tens
// of microseconds to milliseconds, while the bus time of one packet is 12 to
// 53 us: a real-time charge sleeps only what lies beyond that slack and spins
// for the rest, so that the USB side is no slower than the model says (a
// slower one would lengthen every pulse the chip sees).
constexpr std::uint64_t kSleepSlackNs = 2'000'000;

void WaitUntil(SimClock& clock, std::uint64_t untilNs) {
    const std::uint64_t now = clock.NowNs();
    if (untilNs > now + kSleepSlackNs) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(untilNs - now - kSleepSlackNs));
    }
    while (clock.NowNs() < untilNs) {
    }
}

SimulatedFtdi::Charge ChargeFor(SimClock& clock, bool realTime) {
    if (realTime) {
        return [&clock](std::uint64_t ns) { WaitUntil(clock, clock.NowNs() + ns); };
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
