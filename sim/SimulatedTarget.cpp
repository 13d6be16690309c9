#include "sim/SimulatedTarget.h"

#include <stdexcept>

namespace tallis::sim {

std::unique_ptr<SimClock> SimulatedTarget::MakeClock(const TargetOptions& options) {
    if (options.time == TimeSource::RealTime) {
        return std::make_unique<SteadyClock>();
    }
    return std::make_unique<VirtualClock>(options.portAccessCostNs);
}

SimulatedTarget::SimulatedTarget(const TargetOptions& options)
    : realTime_(options.time == TimeSource::RealTime),
      clock_(MakeClock(options)),
      chip_(options.device != nullptr ? *options.device : DeviceOf(options.type), *clock_, log_,
            options.deviceId, options.chip),
      board_(&chip_, *clock_, options.board, *options.wiring),
      port_(options.base, board_, *clock_, log_) {}

VirtualClock& SimulatedTarget::Clock() {
    if (realTime_) {
        throw std::logic_error("a real-time simulated target has no virtual clock");
    }
    return static_cast<VirtualClock&>(*clock_);
}

void SimulatedTarget::UseSocket(const InsertionSchedule& schedule,
                                std::optional<unsigned> faultyChip) {
    const ChipMemory blank = ChipMemory::Blank(chip_.Type(), chip_.Memory().DeviceId());
    board_.UseSocket(schedule, [this, blank, faultyChip](unsigned chip) {
        chip_.LoadMemory(blank);
        if (faultyChip) {
            chip_.SetUnprogrammableWord(chip == *faultyChip ? unprogrammable_ : std::nullopt);
        }
    });
}

HexStatus SimulatedTarget::SaveHex(const std::filesystem::path& path) {
    return SaveChipHex(chip_.Memory(), chip_.Type(), path);
}

HexStatus SimulatedTarget::LoadHex(const std::filesystem::path& path) {
    ChipMemory memory = chip_.Memory();
    HexStatus status = LoadChipHex(path, chip_.Type(), memory);
    if (status) {
        chip_.LoadMemory(memory);
    }
    return status;
}

}  // namespace tallis::sim
