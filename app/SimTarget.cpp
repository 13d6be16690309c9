#include "app/SimTarget.h"

#include <charconv>
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
    simulation.chip = options.chip;
    simulation.wiring = options.wiring;
    return simulation;
}

}  // namespace

SimTarget::SimTarget(const SimTargetOptions& options)
    : ownedWiring_(options.owned), simulation_(SimulationOptions(options)) {}

SimBoardChoice ChooseSimBoard(std::string_view text, const board::BoardWiring& otherwise) {
    SimBoardChoice choice;
    choice.wiring = &otherwise;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (const std::optional<sim::BoardTiming> timing = sim::BoardTimingNamed(item)) {
            choice.timing = *timing;
            continue;
        }
        board::BoardChoice board = board::ChooseBoard(item);
        if (board.board == nullptr) {
            choice.problem = "--sim-board: " + board.problem;
            return choice;
        }
        choice.wiring = board.board;
        choice.owned = std::move(board.owned);
    }
    return choice;
}

std::unique_ptr<FtdiTarget> SimTarget::OpenFtdi(std::string_view, const board::FtdiWiring& wiring,
                                                std::string&) {
    return MakeFtdiTargetAround(simulation_.Chip(), simulation_.Violations(), simulation_.Time(),
                                simulation_.RealTime(), wiring);
}

std::vector<ftdi::FtdiListing> SimTarget::FtdiDevices(std::string& problem) {
    problem.clear();
    return {{.index = 0,
             .type = "simulated",
             .serial = "SIM0001",
             .description = "the chip the FTDI board was built for, simulated",
             .problem = {}}};
}

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

// A chip serial number from the state file's name (FNV-1a): the same file
// names the same chip on every platform.
std::uint32_t SerialOf(const std::filesystem::path& path) {
    std::uint32_t hash = 2166136261U;
    for (const char c : path.filename().generic_string()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619U;
    }
    return hash;
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
    } else {
        // A new file is a new chip: its factory trims are its own, as on real
        // parts, so that calibration lost to the wrong file shows.
        sim::PicChip& chip = simulation_.Chip();
        chip.LoadMemory(
            sim::ChipMemory::Blank(chip.Type(), chip.Memory().DeviceId(), SerialOf(path)));
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

void SimTarget::BeginProductionRun() {
    if (insertions_) {
        sim::InsertionSchedule schedule = *insertions_;
        schedule.startNs = simulation_.Time().NowNs();
        simulation_.UseSocket(schedule, faultyChip_);
    }
}

namespace {

std::optional<unsigned> Number(std::string_view text) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const char* const kSimInsertionsRule =
    "must be CHIPS[:PRESENT_MS:ABSENT_MS] with at least one chip and a time present";

sim::InsertionSchedule SimInsertions::Schedule(std::uint64_t startNs) const {
    constexpr std::uint64_t kMsNs = 1'000'000;
    return {.chips = chips,
            .presentNs = presentMs * kMsNs,
            .absentNs = absentMs * kMsNs,
            .startNs = startNs};
}

std::optional<SimInsertions> ParseSimInsertions(std::string_view text) {
    const std::size_t first = text.find(':');
    const auto chips = Number(text.substr(0, first));
    if (!chips || *chips == 0) {
        return std::nullopt;
    }
    SimInsertions insertions{.chips = *chips};
    if (first == std::string_view::npos) {
        return insertions;
    }
    const std::size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const auto present = Number(text.substr(first + 1, second - first - 1));
    const auto absent = Number(text.substr(second + 1));
    if (!present || !absent || *present == 0) {
        return std::nullopt;
    }
    insertions.presentMs = *present;
    insertions.absentMs = *absent;
    return insertions;
}

std::unique_ptr<SimTarget> MakeSimTarget(const SimLaunchOptions& options, std::string& problem) {
    const Device* device = FindDevice(options.chip.empty() ? "16f877a" : options.chip);
    if (device == nullptr) {
        problem =
            "--sim-chip must be one of " + DeviceOptionList() + ", got '" + options.chip + "'";
        return nullptr;
    }
    SimBoardChoice board = ChooseSimBoard(options.board);
    if (!board.problem.empty()) {
        problem = board.problem;
        return nullptr;
    }
    const std::optional<sim::ConfigLatches> latches =
        sim::ConfigLatchesNamed(options.configLatches.empty() ? "single" : options.configLatches);
    if (!latches) {
        problem = "--sim-config-latches must be single or row, got '" + options.configLatches + "'";
        return nullptr;
    }
    const std::optional<sim::EepromEraseAtConfig> eepromErase = sim::EepromEraseAtConfigNamed(
        options.eepromEraseAtConfig.empty() ? "erases" : options.eepromEraseAtConfig);
    if (!eepromErase) {
        problem = "--sim-877-eeprom-erase-at-config must be erases or ignores, got '" +
                  options.eepromEraseAtConfig + "'";
        return nullptr;
    }
    const std::optional<double> vdd =
        sim::SupplyVoltageNamed(options.vdd.empty() ? "5.0" : options.vdd);
    if (!vdd) {
        problem = "--sim-vdd must be a voltage from 2.0 to 5.5, got '" + options.vdd + "'";
        return nullptr;
    }
    const std::optional<sim::VppAfterRun> vppAfterRun =
        sim::VppAfterRunNamed(options.vppAfterRun.empty() ? "refused" : options.vppAfterRun);
    if (!vppAfterRun) {
        problem =
            "--sim-vpp-after-run must be refused or enters, got '" + options.vppAfterRun + "'";
        return nullptr;
    }
    std::optional<SimInsertions> insertions;
    if (!options.insertions.empty()) {
        insertions = ParseSimInsertions(options.insertions);
        if (!insertions) {
            problem = std::string("--sim-insertions ") + kSimInsertionsRule + ", got '" +
                      options.insertions + "'";
            return nullptr;
        }
    }
    const sim::ChipSettings chip = {.configLatches = *latches,
                                    .eepromEraseAtConfig = *eepromErase,
                                    .vddVolts = *vdd,
                                    .vppAfterRun = *vppAfterRun};
    auto target = std::make_unique<SimTarget>(SimTargetOptions{.device = device,
                                                               .board = board.timing,
                                                               .chip = chip,
                                                               .wiring = board.wiring,
                                                               .owned = std::move(board.owned)});
    if (insertions) {
        target->UseInsertions(insertions->Schedule());
    }
    if (!options.state.empty()) {
        problem = target->UseStateFile(options.state);
        if (!problem.empty()) {
            return nullptr;
        }
    }
    return target;
}

}  // namespace tallis
