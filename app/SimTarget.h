#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/Target.h"
#include "sim/SimulatedTarget.h"

namespace tallis {

// The simulated interface board (ideal or slow) with a PIC16F877A (or
// PIC16F877) on LPT 1, so that the program can be tried without hardware. Port
// access is always available.
//
// In real time the engine waits on the real timer and the chip checks those
// waits against the steady clock: that is tallis-sim. In virtual time the
// engine's waits advance the simulation's clock at once, for tests; that timer
// waits only once enabled, like the real one, and its calibration takes no time.
class SimTarget : public Target {
  public:
    explicit SimTarget(sim::TimeSource time, sim::TargetType type = sim::TargetType::Pic16F877A,
                       sim::BoardTiming board = {});

    PortIo& Port() override { return simulation_.Port(); }
    bool DriverStarted() const override { return true; }
    std::unique_ptr<EngineTimer> MakeTimer() override;
    // Saves the chip's memory to the state file, if there is one.
    void Exit() override;
    // Every address is there; only the board's own port answers.
    bool ClaimPort(std::uint16_t) override { return true; }

    // The chip keeps its memory in this Intel HEX file between runs: loaded
    // now if it exists, saved by Exit. The problem, or empty.
    std::string UseStateFile(const std::filesystem::path& path);

    sim::SimulatedTarget& Simulation() { return simulation_; }

  private:
    sim::SimulatedTarget simulation_;
    std::optional<std::filesystem::path> statePath_;
};

// tallis-sim's options, as tallis-cli's of the same names; empty for the default.
struct SimLaunchOptions {
    std::string chip;             // --sim-chip: 16f877 or 16f877a
    std::string board;            // --sim-board: ideal or slow
    std::filesystem::path state;  // --sim-state: the chip's memory between runs
};

// tallis-sim's target, in real time; null with the problem (for "tallis-sim: "
// and the user) when an option cannot be used.
std::unique_ptr<SimTarget> MakeSimTarget(const SimLaunchOptions& options, std::string& problem);

}  // namespace tallis
