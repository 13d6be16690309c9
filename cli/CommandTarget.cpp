#include "cli/CommandTarget.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/AtomicFile.h"
#include "cli/FileNames.h"
#include "portio/DriverPortIo.h"
#include "portio/PortAccess.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedTarget.h"
#include "timing/EngineTimerSettings.h"
#include "timing/HighResTimer.h"

namespace tallis {

namespace {

// The timer as the main window sets it up at start-up: its stored settings,
// enabled, then calibrated for three seconds. The command runs alone on this
// thread, so the thread waits at a raised priority where the system grants it.
// Throws TimerError when the timer cannot measure time.
std::unique_ptr<HighResTimer> StartRealTimer(bool onTerminal) {
    HighResTimerSettings settings = kEngineTimerSettings;
    settings.raiseWaitingThread = true;
    auto timer = std::make_unique<HighResTimer>(SystemTimerPlatform(), settings);
    if (onTerminal) {
        std::fputs("Timer Calibrating.....\n", stdout);
        std::fflush(stdout);
    }
    timer->SetEnabled(true);
    timer->Calibrate(kStartupCalibrationMs);
    return timer;
}

// "time-stamp counter, 2893.412 counts per microsecond, 1 ms timer period".
std::string CalibrationText(const HighResTimer& timer) {
    char text[128];
    std::snprintf(text, sizeof text, "%s, %.3f counts per microsecond, %d ms timer period",
                  timer.UsesTimeStampCounter() ? "time-stamp counter" : "performance counter",
                  timer.CountSpeed(), static_cast<int>(timer.Settings().periodMs));
    return text;
}

std::uint64_t SteadyNowUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

sim::TargetOptions SimOptionsOf(const CliOptions& options) {
    sim::TargetOptions target = sim::TargetOptionsFor(*options.simDevice);
    target.base = options.portBase;
    target.time = options.realTime ? sim::TimeSource::RealTime : sim::TimeSource::Virtual;
    target.portAccessCostNs = sim::kRealPortAccessNs;
    target.board = options.simBoard;
    return target;
}

// --sim: the simulated board and chip at the chosen port, in virtual time or
// behind the real timer.
class SimCommandTarget : public CommandTarget {
  public:
    SimCommandTarget(const CliOptions& options, bool onTerminal)
        : options_(options), onTerminal_(onTerminal), target_(SimOptionsOf(options)) {
        switch (options.simFault) {
            case SimFault::NoChip:
                target_.SetBoardFault(sim::BoardFault::NoTarget);
                break;
            case SimFault::DataStuckLow:
                target_.SetBoardFault(sim::BoardFault::DataStuckLow);
                break;
            case SimFault::Unprogrammable:
                target_.SetUnprogrammableWord(options.simFaultAddress);
                break;
            case SimFault::Unerasable:
                target_.SetUnerasableWord(options.simFaultAddress);
                break;
            case SimFault::None:
                break;
        }
    }

    std::string Prepare() override {
        if (!options_.simStatePath) {
            return {};
        }
        const std::filesystem::path& path = *options_.simStatePath;
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            if (sim::HexStatus loaded = target_.LoadHex(path); !loaded) {
                return "cannot load the simulated chip's memory from " + PathText(path) + ": " +
                       loaded.message;
            }
        }
        if (!CanWrite(path)) {
            return "cannot write the simulated chip's memory to " + PathText(path);
        }
        return {};
    }

    std::string Start() override {
        if (options_.realTime) {
            try {
                realTimer_ = StartRealTimer(onTerminal_);
            } catch (const TimerError& error) {
                return error.what();
            }
        }
        return {};
    }

    PortIo& Port() override { return target_.Port(); }
    Delayer& Timer() override {
        if (realTimer_) {
            return *realTimer_;
        }
        return target_.Clock();
    }

    std::string Finish() override {
        const sim::ViolationLog& log = target_.Violations();
        if (!log.Empty()) {
            // A dry run is there to show such mistakes; they do not change
            // what the command reported.
            std::fprintf(stderr, "tallis-cli: the simulated chip saw protocol violations:\n%s",
                         log.DescribeViolations().c_str());
        }
        ReportHazards(log);
        if (!options_.simStatePath) {
            return {};
        }
        // Saved whole or not at all: a failed save keeps the memory saved before.
        AtomicFile file(*options_.simStatePath);
        std::string error = file.Create();
        if (error.empty()) {
            file.Stream().close();
            sim::HexStatus saved = target_.SaveHex(file.TemporaryPath());
            error = saved ? file.Commit() : saved.message;
        }
        if (!error.empty()) {
            return "cannot save the simulated chip's memory to " +
                   PathText(*options_.simStatePath) + ": " + error;
        }
        return {};
    }

    std::string AccessPath() const override { return "simulated"; }
    std::string TimerCalibration() const override {
        return realTimer_ ? CalibrationText(*realTimer_) : "none (virtual time)";
    }
    std::uint64_t NowUs() override { return target_.Time().NowNs() / 1000; }

  private:
    // What a real chip accepts but a real board may suffer from: one line per
    // kind with its count, never an error.
    static void ReportHazards(const sim::ViolationLog& log) {
        for (std::size_t k = 0; k < sim::kHazardKinds; ++k) {
            const auto kind = static_cast<sim::HazardKind>(k);
            const std::size_t count = log.HazardCount(kind);
            const auto first = std::ranges::find(log.Hazards(), kind, &sim::Hazard::kind);
            if (count == 0 || first == log.Hazards().end()) {
                continue;
            }
            std::fprintf(stderr,
                         "tallis-cli: the simulated chip noted %zu %s (not an error): %s: %s\n",
                         count, count == 1 ? "hazard" : "hazards", sim::HazardKindName(kind),
                         first->detail.c_str());
        }
    }

    const CliOptions& options_;
    bool onTerminal_;
    sim::SimulatedTarget target_;
    std::unique_ptr<HighResTimer> realTimer_;
};

// The parallel port and the real timer, with the port client's start-up and
// exit around the command.
class HardwareCommandTarget : public CommandTarget {
  public:
    HardwareCommandTarget(const CliOptions& options, bool onTerminal)
        : options_(options), onTerminal_(onTerminal) {}

    ~HardwareCommandTarget() override {
        if (started_) {
            EndPortAccess();
        }
    }

    std::string Prepare() override { return {}; }

    std::string Start() override {
        const std::uint16_t bases[] = {options_.portBase};
        started_ = StartPortAccess(bases);
        if (!started_ || !PortAvailable(options_.portBase)) {
            return "no access to the parallel port: " + PortAccessFailure() + kAccessHint;
        }
        try {
            timer_ = StartRealTimer(onTerminal_);
        } catch (const TimerError& error) {
            return error.what();
        }
        return {};
    }

    PortIo& Port() override { return port_; }
    Delayer& Timer() override { return *timer_; }

    std::string Finish() override {
        timer_.reset();
        if (started_) {
            EndPortAccess();
            started_ = false;
        }
        return {};
    }

    std::string AccessPath() const override { return PortAccessKind(options_.portBase); }
    std::string TimerCalibration() const override {
        return timer_ ? CalibrationText(*timer_) : "not calibrated";
    }
    std::uint64_t NowUs() override { return SteadyNowUs(); }

  private:
#ifdef _WIN32
    static constexpr const char* kAccessHint =
        " (put zlportio.sys in the folder of tallis-cli.exe and run it as administrator)";
#else
    static constexpr const char* kAccessHint = "";
#endif

    const CliOptions& options_;
    bool onTerminal_;
    bool started_ = false;
    DriverPortIo port_;
    std::unique_ptr<HighResTimer> timer_;
};

}  // namespace

std::unique_ptr<CommandTarget> MakeCommandTarget(const CliOptions& options, bool onTerminal) {
    if (options.simulate) {
        return std::make_unique<SimCommandTarget>(options, onTerminal);
    }
    return std::make_unique<HardwareCommandTarget>(options, onTerminal);
}

}  // namespace tallis
