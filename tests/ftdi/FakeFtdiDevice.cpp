#include "FakeFtdiDevice.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "sim/ChipIds.h"
#include "sim/SimulatedFtdiTarget.h"

namespace tallis::testing {

namespace {

using sim::SimulatedFtdiTarget;

std::string Setting(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

struct State {
    std::unique_ptr<SimulatedFtdiTarget> target;
    bool open = false;
    unsigned long long bytesWritten = 0;
};

State& TheState() {
    static State state;
    return state;
}

SimulatedFtdiTarget& Target() {
    State& state = TheState();
    if (!state.target) {
        const Device* chip = FindDevice(Setting("TALLIS_FAKE_FTDI_CHIP", "16f877a"));
        const board::FtdiWiring* wiring =
            board::FindFtdiWiring(Setting("TALLIS_FAKE_FTDI_WIRING", "ft232r-hv"));
        if (chip == nullptr || wiring == nullptr) {
            std::fputs("fake FTDI device: unknown TALLIS_FAKE_FTDI_CHIP or _WIRING\n", stderr);
            std::abort();
        }
        state.target = std::make_unique<SimulatedFtdiTarget>(
            sim::FtdiTargetOptions{.device = chip,
                                   .deviceId = sim::ChipIdWord(chip->name, 1),
                                   .wiring = wiring,
                                   .usb = &sim::kFt232rUsb,
                                   .time = sim::TimeSource::RealTime});
    }
    return *state.target;
}

void Report() {
    SimulatedFtdiTarget& target = Target();
    const std::string state = Setting("TALLIS_FAKE_FTDI_STATE", "");
    if (!state.empty()) {
        target.SaveHex(state);
    }
    const std::string path = Setting("TALLIS_FAKE_FTDI_REPORT", "");
    if (path.empty()) {
        return;
    }
    char outputs[8];
    std::snprintf(outputs, sizeof outputs, "0x%02X", unsigned{target.Board().Outputs()});
    std::ofstream(path) << "violations: " << target.Violations().Total() << "\n"
                        << "vpp: " << (target.Board().VppOn() ? "on" : "off") << "\n"
                        << "outputs: " << outputs << "\n"
                        << "chip mode: " << sim::ChipModeName(target.Chip().Mode()) << "\n"
                        << target.Violations().Describe();
}

}  // namespace

bool FakeFtdiDevice::Present() {
    return std::getenv("TALLIS_FAKE_FTDI_ABSENT") == nullptr;
}

std::string FakeFtdiDevice::Serial() {
    return Setting("TALLIS_FAKE_FTDI_SERIAL", "FT0TALLIS");
}

bool FakeFtdiDevice::Open() {
    State& state = TheState();
    if (state.open) {
        return false;
    }
    const std::string path = Setting("TALLIS_FAKE_FTDI_STATE", "");
    if (!path.empty()) {
        Target().LoadHex(path);
    }
    state.open = true;
    return true;
}

bool FakeFtdiDevice::Close() {
    State& state = TheState();
    if (!state.open) {
        return false;
    }
    state.open = false;
    Report();
    return true;
}

bool FakeFtdiDevice::IsOpen() {
    return TheState().open;
}

sim::SimulatedFtdi& FakeFtdiDevice::Usb() {
    return Target().Usb();
}

int FakeFtdiDevice::Write(std::span<const std::uint8_t> bytes) {
    static const unsigned long long unplugAfter =
        std::strtoull(Setting("TALLIS_FAKE_FTDI_UNPLUG", "0").c_str(), nullptr, 10);
    State& state = TheState();
    state.bytesWritten += bytes.size();
    if (unplugAfter != 0 && state.bytesWritten > unplugAfter && !Usb().Unplugged()) {
        Usb().Unplug();
    }
    return Usb().Write(bytes);
}

}  // namespace tallis::testing
