#include "app/FtdiTarget.h"

#include <cctype>
#include <chrono>
#include <thread>
#include <utility>

#include "app/AtomicFile.h"
#include "app/BoardText.h"
#include "app/FileNames.h"
#include "app/SimulatedBitBangDevice.h"
#include "ftdi/FtdiDevices.h"
#include "sim/ChipIds.h"

namespace tallis {

namespace {

// The host's sleep: never shorter than asked, which is all a wait of a
// millisecond or more needs.
class SleepingDelayer final : public Delayer {
  public:
    void Delay(std::uint32_t microseconds) override {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    }
};

// In virtual time the engine's sleeps advance the simulation's clock.
std::unique_ptr<Delayer> SimulatedSleep(sim::SimClock& clock, bool realTime) {
    class VirtualSleep final : public Delayer {
      public:
        explicit VirtualSleep(sim::VirtualClock& clock) : clock_(clock) {}
        void Delay(std::uint32_t microseconds) override { clock_.Delay(microseconds); }

      private:
        sim::VirtualClock& clock_;
    };
    if (realTime) {
        return std::make_unique<SleepingDelayer>();
    }
    return std::make_unique<VirtualSleep>(static_cast<sim::VirtualClock&>(clock));
}

// The simulated chip's memory between runs, as the simulated parallel board keeps it.
class SimFtdiTarget final : public FtdiTarget {
  public:
    SimFtdiTarget(std::unique_ptr<sim::SimulatedFtdiTarget> simulation,
                  const board::FtdiWiring& wiring, const ftdi::BitBangChip& chip)
        : FtdiTarget(std::make_unique<SimulatedBitBangDevice>(simulation->Usb()),
                     SimulatedSleep(simulation->Time(), simulation->RealTime()), wiring, chip),
          simulation_(std::move(simulation)) {}

    std::string UseStateFile(const std::filesystem::path& path) {
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            if (sim::HexStatus loaded = simulation_->LoadHex(path); !loaded) {
                return "cannot load the simulated chip's memory from " + PathText(path) + ": " +
                       loaded.message;
            }
        }
        if (std::string problem = AtomicFile(path).Check(); !problem.empty()) {
            return "cannot write the simulated chip's memory to " + PathText(path) + ": " + problem;
        }
        statePath_ = path;
        return {};
    }

    std::string Finish() override {
        FtdiTarget::Finish();
        if (!statePath_) {
            return {};
        }
        AtomicFile file(*statePath_);
        std::string error = file.Create();
        if (error.empty()) {
            file.Stream().close();
            sim::HexStatus saved = simulation_->SaveHex(file.TemporaryPath());
            error = saved ? file.Commit() : saved.message;
        }
        if (!error.empty()) {
            return "cannot save the simulated chip's memory to " + PathText(*statePath_) + ": " +
                   error;
        }
        return {};
    }

    sim::SimulatedFtdiTarget* Simulation() override { return simulation_.get(); }

  private:
    std::unique_ptr<sim::SimulatedFtdiTarget> simulation_;
    std::optional<std::filesystem::path> statePath_;
};

// A simulated FTDI chip and its board in front of a chip simulated elsewhere,
// as if that chip were moved to the FTDI board's socket.
class SocketFtdiTarget final : public FtdiTarget {
  public:
    struct Socket {
        Socket(sim::PicChip& chip, sim::ViolationLog& log, sim::SimClock& clock, bool realTime,
               const board::FtdiWiring& wiring, const sim::FtdiUsbModel& model)
            : board(&chip, log, wiring), usb(model, board, clock, ChargeOf(clock, realTime)) {}

        static sim::SimulatedFtdi::Charge ChargeOf(sim::SimClock& clock, bool realTime) {
            if (realTime) {
                return [](std::uint64_t ns) {
                    std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
                };
            }
            return [&clock](std::uint64_t ns) {
                static_cast<sim::VirtualClock&>(clock).AdvanceNs(ns);
            };
        }

        sim::FtdiBoard board;
        sim::SimulatedFtdi usb;
    };

    SocketFtdiTarget(std::unique_ptr<Socket> socket, std::unique_ptr<Delayer> timer,
                     const board::FtdiWiring& wiring, const ftdi::BitBangChip& chip)
        : FtdiTarget(std::make_unique<SimulatedBitBangDevice>(socket->usb), std::move(timer),
                     wiring, chip),
          socket_(std::move(socket)) {}

  private:
    std::unique_ptr<Socket> socket_;
};

}  // namespace

std::unique_ptr<FtdiTarget> MakeFtdiTargetAround(sim::PicChip& chip, sim::ViolationLog& log,
                                                 sim::SimClock& clock, bool realTime,
                                                 const board::FtdiWiring& wiring) {
    const std::string_view chipName = FtdiChipName(wiring);
    auto socket = std::make_unique<SocketFtdiTarget::Socket>(chip, log, clock, realTime, wiring,
                                                             *FindSimulatedFtdiChip(chipName));
    return std::make_unique<SocketFtdiTarget>(std::move(socket), SimulatedSleep(clock, realTime),
                                              wiring, *ftdi::FindBitBangChip(chipName));
}

FtdiTarget::FtdiTarget(std::unique_ptr<ftdi::BitBangDevice> device, std::unique_ptr<Delayer> timer,
                       const board::FtdiWiring& wiring, const ftdi::BitBangChip& chip)
    : device_(std::move(device)),
      timer_(timer ? std::move(timer) : std::make_unique<SleepingDelayer>()),
      lines_(std::make_unique<ftdi::BitBangTransport>(*device_, *timer_, wiring, chip)) {}

FtdiTarget::~FtdiTarget() = default;

std::string FtdiTarget::Start() {
    if (!lines_->Start()) {
        return "cannot start bit-bang mode on the FTDI chip: " + lines_->LastError();
    }
    return {};
}

std::string FtdiTarget::Finish() {
    lines_->Finish();
    return {};
}

const sim::FtdiUsbModel* FindSimulatedFtdiChip(std::string_view name) {
    for (const sim::FtdiUsbModel* model : {&sim::kFt232rUsb, &sim::kFt232hUsb, &sim::kFt2232hUsb}) {
        if (model->name == name) {
            return model;
        }
    }
    return nullptr;
}

std::optional<std::string> SelectorForBoard(std::string_view selector,
                                            const board::FtdiWiring& wiring, std::string& problem) {
    if (wiring.connector != board::FtdiConnector::Ft2232h) {
        return std::string(selector);
    }
    const bool namesChannel = selector.size() >= 2 && selector[selector.size() - 2] == ':';
    if (!namesChannel) {
        return wiring.channel == 'A' ? std::string(selector)
                                     : std::string(selector) + ":" + wiring.channel;
    }
    const char named = static_cast<char>(std::toupper(static_cast<unsigned char>(selector.back())));
    if (named != wiring.channel) {
        problem = "board " + std::string(wiring.name) + " is wired to channel " + wiring.channel +
                  " of the FT2232H, but the port names channel " + named;
        return std::nullopt;
    }
    return std::string(selector);
}

std::unique_ptr<FtdiTarget> OpenFtdiTarget(std::string_view selector,
                                           const board::FtdiWiring& wiring, std::string& problem) {
    const std::optional<std::string> onChannel = SelectorForBoard(selector, wiring, problem);
    if (!onChannel) {
        return nullptr;
    }
    ftdi::OpenedFtdi opened = ftdi::OpenFtdiDevice(*onChannel, problem);
    if (!opened.device) {
        return nullptr;
    }
    return std::make_unique<FtdiTarget>(std::move(opened.device), nullptr, wiring, *opened.chip);
}

std::unique_ptr<FtdiTarget> MakeSimFtdiTarget(const SimFtdiOptions& options, std::string& problem) {
    const std::string chipName =
        options.chip.empty() ? std::string(FtdiChipName(*options.wiring)) : options.chip;
    const sim::FtdiUsbModel* model = FindSimulatedFtdiChip(chipName);
    const ftdi::BitBangChip* chip = ftdi::FindBitBangChip(chipName);
    if (model == nullptr || chip == nullptr) {
        problem = "--sim-ftdi must be FT232R, FT232H or FT2232H, got '" + chipName + "'";
        return nullptr;
    }
    const Device& device = options.device != nullptr ? *options.device : *FindDevice("16f877a");
    auto simulation = std::make_unique<sim::SimulatedFtdiTarget>(
        sim::FtdiTargetOptions{.device = &device,
                               .deviceId = sim::ChipIdWord(device.name, 1),
                               .wiring = options.wiring,
                               .usb = model,
                               .time = options.time});
    auto target = std::make_unique<SimFtdiTarget>(std::move(simulation), *options.wiring, *chip);
    if (options.state) {
        problem = target->UseStateFile(*options.state);
        if (!problem.empty()) {
            return nullptr;
        }
    }
    return target;
}

}  // namespace tallis
