#include "app/SimTarget.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "app/HighResEngineTimer.h"

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

std::optional<sim::TargetType> SimChipNamed(std::string name) {
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name.empty() || name == "16f877a") {
        return sim::TargetType::Pic16F877A;
    }
    if (name == "16f877") {
        return sim::TargetType::Pic16F877;
    }
    return std::nullopt;
}

}  // namespace

SimTarget::SimTarget(sim::TimeSource time, sim::TargetType type, sim::BoardTiming board)
    : simulation_(sim::TargetOptions{
          .type = type,
          .time = time,
          .portAccessCostNs = time == sim::TimeSource::Virtual ? sim::kRealPortAccessNs : 0,
          .board = board}) {}

std::unique_ptr<EngineTimer> SimTarget::MakeTimer() {
    if (simulation_.RealTime()) {
        return std::make_unique<HighResEngineTimer>();
    }
    return std::make_unique<VirtualEngineTimer>(simulation_.Clock());
}

std::string SimTarget::UseStateFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        if (sim::HexStatus loaded = simulation_.LoadHex(path); !loaded) {
            return "cannot load the simulated chip's memory from " + path.string() + ": " +
                   loaded.message;
        }
    } else {
        // Tried now rather than at the end, when the chip's memory would be lost.
        const bool writable = static_cast<bool>(std::ofstream(path, std::ios::binary));
        std::filesystem::remove(path, error);
        if (!writable) {
            return "cannot write the simulated chip's memory to " + path.string();
        }
    }
    statePath_ = path;
    return {};
}

void SimTarget::Exit() {
    if (!statePath_) {
        return;
    }
    if (sim::HexStatus saved = simulation_.SaveHex(*statePath_); !saved) {
        std::fprintf(stderr, "tallis-sim: cannot save the simulated chip's memory to %s: %s\n",
                     statePath_->string().c_str(), saved.message.c_str());
    }
}

std::unique_ptr<SimTarget> MakeSimTarget(const SimLaunchOptions& options, std::string& problem) {
    const std::optional<sim::TargetType> type = SimChipNamed(options.chip);
    if (!type) {
        problem = "--sim-chip must be 16f877 or 16f877a, got '" + options.chip + "'";
        return nullptr;
    }
    const std::optional<sim::BoardTiming> board =
        sim::BoardTimingNamed(options.board.empty() ? "ideal" : options.board);
    if (!board) {
        problem = "--sim-board must be ideal or slow, got '" + options.board + "'";
        return nullptr;
    }
    auto target = std::make_unique<SimTarget>(sim::TimeSource::RealTime, *type, *board);
    if (!options.state.empty()) {
        problem = target->UseStateFile(options.state);
        if (!problem.empty()) {
            return nullptr;
        }
    }
    return target;
}

}  // namespace tallis
