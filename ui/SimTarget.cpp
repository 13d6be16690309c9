#include "ui/SimTarget.h"

#include "ui/HighResEngineTimer.h"

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

}  // namespace

SimTarget::SimTarget(sim::TimeSource time, sim::BoardTiming board)
    : simulation_(sim::TargetOptions{
          .time = time,
          .portAccessCostNs = time == sim::TimeSource::Virtual ? sim::kRealPortAccessNs : 0,
          .board = board}) {}

std::unique_ptr<EngineTimer> SimTarget::MakeTimer() {
    if (simulation_.RealTime()) {
        return std::make_unique<HighResEngineTimer>();
    }
    return std::make_unique<VirtualEngineTimer>(simulation_.Clock());
}

}  // namespace tallis
