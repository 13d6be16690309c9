#include "FakeParport.h"

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace tallis::testing {

namespace {

// The output lines of the control register (nStrobe, nAutoFd, nInit, nSelectIn).
constexpr std::uint8_t kControlOutputBits = 0x0F;

const char* MclrName(sim::MclrLevel level) {
    switch (level) {
        case sim::MclrLevel::Low:
            return "low";
        case sim::MclrLevel::High:
            return "high";
        case sim::MclrLevel::Vpp:
            return "vpp";
    }
    return "?";
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

}  // namespace

FakeParport::FakeParport(const FakeParportOptions& options)
    : options_(options),
      target_({.type = options.chip,
               .base = options.base,
               .time = sim::TimeSource::RealTime,
               .board = options.board,
               .wiring = options.wiring}) {
    target_.SetBoardFault(options.boardFault);
    if (options.unprogrammableWord) {
        target_.SetUnprogrammableWord(*options.unprogrammableWord);
    }
}

std::string FakeParport::LoadState() {
    std::error_code error;
    if (options_.statePath.empty() || !std::filesystem::exists(options_.statePath, error)) {
        return {};
    }
    sim::HexStatus loaded = target_.LoadHex(options_.statePath);
    return loaded ? std::string{} : options_.statePath + ": " + loaded.message;
}

std::string FakeParport::SaveState() {
    if (options_.statePath.empty()) {
        return {};
    }
    sim::HexStatus saved = target_.SaveHex(options_.statePath);
    return saved ? std::string{} : options_.statePath + ": " + saved.message;
}

int FakeParport::Open() {
    if (open_) {
        return EBUSY;
    }
    open_ = true;
    exclusive_ = registered_ = claimed_ = false;
    return 0;
}

void FakeParport::Close() {
    if (claimed_) {
        ++implicitReleases_;
    }
    open_ = exclusive_ = registered_ = claimed_ = false;
}

int FakeParport::Claim() {
    if (claimed_) {
        return EINVAL;
    }
    if (options_.portFault == PortFault::Busy) {
        return exclusive_ ? ENXIO : EBUSY;
    }
    registered_ = claimed_ = true;
    return 0;
}

int FakeParport::Ioctl(unsigned long request, void* argument) {
    if (request == PPCLAIM) {
        return Claim();
    }
    if (request == PPEXCL) {
        if (registered_) {
            return exclusive_ ? 0 : EINVAL;
        }
        exclusive_ = true;
        return 0;
    }
    if (!claimed_) {
        return EINVAL;
    }
    if (request == PPRELEASE) {
        claimed_ = false;
        return 0;
    }
    if (argument == nullptr) {
        return EFAULT;
    }
    const int error = RegisterRequest(request, *static_cast<std::uint8_t*>(argument));
    const std::uint64_t writes = target_.SimPort().Writes();
    if (options_.interruptAfterWrites == writes && (request == PPWDATA || request == PPWCONTROL)) {
        interruptDue_ = true;
    }
    return error;
}

bool FakeParport::TakeInterrupt() {
    return std::exchange(interruptDue_, false);
}

int FakeParport::RegisterRequest(unsigned long request, std::uint8_t& value) {
    sim::SimulatedPort& port = target_.SimPort();
    const std::uint16_t base = options_.base;
    switch (request) {
        case PPWDATA:
            port.WriteByte(base, value);
            return 0;
        case PPWCONTROL:
            port.WriteByte(static_cast<std::uint16_t>(base + 2), value & kControlOutputBits);
            return 0;
        case PPRDATA:
            value = port.DataRegister();
            return 0;
        case PPRCONTROL:
            value = port.ControlRegister();
            return 0;
        case PPRSTATUS:
            value = port.ReadByte(static_cast<std::uint16_t>(base + 1));
            return 0;
        default:
            return ENOTTY;
    }
}

std::string FakeParport::Report() {
    sim::SimulatedPort& port = target_.SimPort();
    const sim::ViolationLog& violations = target_.Violations();
    std::string report;
    auto line = [&report](const char* name, const std::string& value) {
        report += std::string(name) + ": " + value + "\n";
    };
    line("violations", std::to_string(violations.Total()));
    line("mclr", MclrName(target_.Board().Mclr()));
    line("data register", Hex(port.DataRegister()));
    line("control register", Hex(port.ControlRegister()));
    line("register writes", std::to_string(port.Writes()));
    line("claimed at exit", claimed_ ? "yes" : "no");
    line("released by close", std::to_string(implicitReleases_));
    line("programming mode entries", std::to_string(target_.Chip().ProgramModeEntries()));
    line("reset releases", std::to_string(target_.Chip().ResetReleases()));
    return report + violations.Describe();
}

std::string ReportValue(const std::string& report, const std::string& name) {
    const std::string key = name + ": ";
    for (std::size_t start = 0; start < report.size();) {
        std::size_t end = report.find('\n', start);
        end = end == std::string::npos ? report.size() : end;
        if (report.compare(start, key.size(), key) == 0) {
            return report.substr(start + key.size(), end - start - key.size());
        }
        start = end + 1;
    }
    return "(missing)";
}

}  // namespace tallis::testing
