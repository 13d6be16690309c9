#include "portio/LinuxPortAccess.h"

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "portio/ParportDirectory.h"

namespace tallis {

namespace {

constexpr std::uint16_t kRegisterCount = 3;
constexpr std::uint8_t kNothingRead = 0xFF;

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

std::string HexAddress(std::uint16_t base) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", unsigned{base});
    return text;
}

}  // namespace

LinuxPortAccess::LinuxPortAccess(LinuxPortSystem& system, std::string procRoot, std::string devRoot)
    : system_(system), procRoot_(std::move(procRoot)), devRoot_(std::move(devRoot)) {}

LinuxPortAccess::~LinuxPortAccess() {
    Exit();
}

bool LinuxPortAccess::Startup(std::span<const std::uint16_t> bases) {
    Exit();
    startupFailure_.clear();
    for (std::uint16_t base : bases) {
        if (!HasPort(base)) {
            ClaimBase(base);
        }
    }
    return Started();
}

void LinuxPortAccess::Exit() {
    for (const Claim& claim : claims_) {
        if (claim.fd >= 0) {
            system_.Ioctl(claim.fd, PPRELEASE, nullptr);
            system_.Close(claim.fd);
        } else {
            system_.Ioperm(claim.base, kRegisterCount, false);
        }
    }
    claims_.clear();
}

bool LinuxPortAccess::HasPort(std::uint16_t base) const {
    return std::any_of(claims_.begin(), claims_.end(),
                       [base](const Claim& claim) { return claim.base == base; });
}

bool LinuxPortAccess::ThroughDevice(std::uint16_t base) const {
    return std::any_of(claims_.begin(), claims_.end(),
                       [base](const Claim& claim) { return claim.base == base && claim.fd >= 0; });
}

void LinuxPortAccess::ClaimBase(std::uint16_t base) {
    if (std::optional<int> number = FindParportForBase(procRoot_, base)) {
        ClaimDevice(base, *number);
    } else {
        ClaimDirect(base);
    }
}

void LinuxPortAccess::ClaimDevice(std::uint16_t base, int number) {
    std::string device = devRoot_ + "/parport" + std::to_string(number);
    int fd = -1;
    if (int error = system_.Open(device, fd); error != 0) {
        std::string hint = error == EACCES   ? " (join the group that owns it, usually 'lp', or "
                                               "run as root)"
                           : error == ENOENT ? " (load the ppdev module: modprobe ppdev)"
                                             : "";
        AddFailure(base, device + " cannot be opened: " + ErrorText(error) + hint);
        return;
    }
    int error = system_.Ioctl(fd, PPEXCL, nullptr);
    const char* step = "PPEXCL";
    if (error == 0) {
        error = system_.Ioctl(fd, PPCLAIM, nullptr);
        step = "PPCLAIM";
    }
    if (error != 0) {
        system_.Close(fd);
        AddFailure(base, device + " is in use by another program (" + step + ": " +
                             ErrorText(error) + ")");
        return;
    }
    claims_.push_back({base, fd});
}

void LinuxPortAccess::ClaimDirect(std::uint16_t base) {
    if (int error = system_.Ioperm(base, kRegisterCount, true); error != 0) {
        AddFailure(base,
                   "no parallel-port device has this base address and direct port access "
                   "was refused: " +
                       ErrorText(error) + " (load parport_pc and ppdev, or run as root on x86)");
        return;
    }
    claims_.push_back({base, -1});
}

void LinuxPortAccess::AddFailure(std::uint16_t base, const std::string& reason) {
    if (!startupFailure_.empty()) {
        startupFailure_ += "; ";
    }
    startupFailure_ += "port " + HexAddress(base) + ": " + reason;
}

const LinuxPortAccess::Claim* LinuxPortAccess::ClaimFor(std::uint16_t port) const {
    for (const Claim& claim : claims_) {
        if (port >= claim.base && port - claim.base < kRegisterCount) {
            return &claim;
        }
    }
    return nullptr;
}

void LinuxPortAccess::WriteByte(std::uint16_t port, std::uint8_t value) {
    const Claim* claim = ClaimFor(port);
    if (claim == nullptr) {
        return;
    }
    if (claim->fd < 0) {
        system_.OutByte(port, value);
        return;
    }
    int error = 0;
    switch (port - claim->base) {
        case 0:
            error = system_.Ioctl(claim->fd, PPWDATA, &value);
            break;
        case 2:
            error = system_.Ioctl(claim->fd, PPWCONTROL, &value);
            break;
        default:  // The status register cannot be written.
            break;
    }
    if (error != 0) {
        ++failedAccesses_;
    }
}

std::uint8_t LinuxPortAccess::ReadByte(std::uint16_t port) {
    const Claim* claim = ClaimFor(port);
    if (claim == nullptr) {
        return kNothingRead;
    }
    if (claim->fd < 0) {
        return system_.InByte(port);
    }
    static constexpr unsigned long kReadRequests[kRegisterCount] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    std::uint8_t value = kNothingRead;
    if (system_.Ioctl(claim->fd, kReadRequests[port - claim->base], &value) != 0) {
        ++failedAccesses_;
        return kNothingRead;
    }
    return value;
}

}  // namespace tallis
