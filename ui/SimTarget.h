#pragma once

#include "sim/SimulatedTarget.h"
#include "ui/Target.h"

namespace tallis {

// The simulated interface board (ideal or slow) with a PIC16F877A on LPT 1, so that the
// program can be tried without hardware. Port access is always available.
//
// In real time the engine waits on the real timer and the chip checks those
// waits against the steady clock: that is tallis-sim. In virtual time the
// engine's waits advance the simulation's clock at once, for tests; that timer
// waits only once enabled, like the real one, and its calibration takes no time.
class SimTarget : public Target {
  public:
    explicit SimTarget(sim::TimeSource time, sim::BoardTiming board = {});

    PortIo& Port() override { return simulation_.Port(); }
    bool DriverStarted() const override { return true; }
    std::unique_ptr<EngineTimer> MakeTimer() override;
    void Exit() override {}

    sim::SimulatedTarget& Simulation() { return simulation_; }

  private:
    sim::SimulatedTarget simulation_;
};

}  // namespace tallis
