#include "app/SimTarget.h"

#include <fstream>
#include <sstream>

#include "app/AtomicFile.h"
#include "app/FileNames.h"
#include "app/HighResEngineTimer.h"
#include "image/ChipImageHex.h"
#include "sim/SimulatedDevice.h"

namespace tallis {

namespace {

class VirtualEngineTimer : public EngineTimer {
  public:
    explicit VirtualEngineTimer(sim::VirtualClock& clock) : clock_(clock) {}

    void Delay(std::uint32_t microseconds) override {
        if (enabled_) {
            clock_.Delay(microseconds);
        }
    }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    void Calibrate(std::uint32_t) override {}

  private:
    sim::VirtualClock& clock_;
    bool enabled_ = false;
};

sim::TargetOptions SimulationOptions(const SimTargetOptions& options) {
    sim::TargetOptions simulation;
    if (options.device != nullptr) {
        simulation = options.revision != 0
                         ? sim::TargetOptionsFor(*options.device, options.revision)
                         : sim::TargetOptions{.type = sim::TypeOf(*options.device),
                                              .device = options.device};
    }
    simulation.base = options.base;
    simulation.time = options.time;
    simulation.portAccessCostNs = sim::kRealPortAccessNs;
    simulation.board = options.board;
    return simulation;
}

}  // namespace

SimTarget::SimTarget(const SimTargetOptions& options) : simulation_(SimulationOptions(options)) {}

std::unique_ptr<EngineTimer> SimTarget::MakeTimer() {
    if (simulation_.RealTime()) {
        return std::make_unique<HighResEngineTimer>();
    }
    return std::make_unique<VirtualEngineTimer>(simulation_.Clock());
}

namespace {

// The chip whose memory a state file holds, by the device ID saved in it;
// nullptr when the file names none (or none that is supported).
const Device* DeviceOfStateFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const HexParseResult parsed = ParseChipImageHex(text.str());
    return parsed && parsed.image->deviceId ? DeviceWithId(*parsed.image->deviceId) : nullptr;
}

}  // namespace

std::string SimTarget::UseStateFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        const Device* simulated = DeviceWithId(simulation_.Chip().Memory().DeviceId());
        if (const Device* saved = DeviceOfStateFile(path); saved != nullptr && saved != simulated) {
            // Loaded into another chip, part of it would be lost, or misplaced.
            return PathText(path) + " holds the memory of a " + std::string(saved->name) +
                   ", not of the simulated " + std::string(simulated->name) + "; use --sim-chip " +
                   std::string(saved->option) + " or another file";
        }
        if (sim::HexStatus loaded = simulation_.LoadHex(path); !loaded) {
            return "cannot load the simulated chip's memory from " + PathText(path) + ": " +
                   loaded.message;
        }
    }
    // Tried now rather than at the end, when the chip's memory would be lost.
    if (std::string problem = AtomicFile(path).Check(); !problem.empty()) {
        return "cannot write the simulated chip's memory to " + PathText(path) + ": " + problem;
    }
    statePath_ = path;
    return {};
}

std::string SimTarget::Exit() {
    if (!statePath_) {
        return {};
    }
    AtomicFile file(*statePath_);
    std::string error = file.Create();
    if (error.empty()) {
        file.Stream().close();
        sim::HexStatus saved = simulation_.SaveHex(file.TemporaryPath());
        error = saved ? file.Commit() : saved.message;
    }
    if (!error.empty()) {
        return "cannot save the simulated chip's memory to " + PathText(*statePath_) + ": " + error;
    }
    return {};
}

std::unique_ptr<SimTarget> MakeSimTarget(const SimLaunchOptions& options, std::string& problem) {
    const Device* device = FindDevice(options.chip.empty() ? "16f877a" : options.chip);
    if (device == nullptr) {
        problem =
            "--sim-chip must be one of " + DeviceOptionList() + ", got '" + options.chip + "'";
        return nullptr;
    }
    const std::optional<sim::BoardTiming> board =
        sim::BoardTimingNamed(options.board.empty() ? "ideal" : options.board);
    if (!board) {
        problem = "--sim-board must be ideal or slow, got '" + options.board + "'";
        return nullptr;
    }
    auto target = std::make_unique<SimTarget>(SimTargetOptions{.device = device, .board = *board});
    if (!options.state.empty()) {
        problem = target->UseStateFile(options.state);
        if (!problem.empty()) {
            return nullptr;
        }
    }
    return target;
}

}  // namespace tallis
