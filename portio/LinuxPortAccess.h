#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "portio/LinuxPortSystem.h"

namespace tallis {

// Port access on Linux for the parallel ports at given base addresses.
//
// The caller names the bases to claim: the desktop program both standard ones
// (it starts on LPT 1 and the user may switch to LPT 2), the command-line tool
// the one --port it was given. For each base, the kernel's parallel-port device
// is preferred: the /dev/parportN whose /proc/sys/dev/parport/parportN/base-addr
// is that base is opened and claimed exclusively, and base, base + 1 and
// base + 2 map to its data, status and control registers (ppdev passes raw
// register values: no bit is inverted). Only when no such device exists (no
// parport driver loaded, or an address it does not manage) does it fall back
// to ioperm and the processor's port instructions, on x86, which needs root.
// A device that exists but cannot be opened or is busy is a failure: another
// program owns the port.
//
// Started is true when at least one base was claimed. Accesses to
// addresses outside every claimed base do nothing (reads give 0xFF), so a
// program without access writes no port and does not crash.
class LinuxPortAccess {
  public:
    explicit LinuxPortAccess(LinuxPortSystem& system, std::string procRoot = "/proc",
                             std::string devRoot = "/dev");
    ~LinuxPortAccess();
    LinuxPortAccess(const LinuxPortAccess&) = delete;
    LinuxPortAccess& operator=(const LinuxPortAccess&) = delete;

    // Releases earlier claims, then claims each base. Returns Started.
    bool Startup(std::span<const std::uint16_t> bases);
    // Releases every claim.
    void Exit();

    bool Started() const { return !claims_.empty(); }
    bool HasPort(std::uint16_t base) const;
    // The base was claimed through its /dev/parportN device rather than directly.
    bool ThroughDevice(std::uint16_t base) const;
    // What the last start-up could not claim and why, one clause per base;
    // empty when it claimed every base.
    const std::string& StartupFailure() const { return startupFailure_; }

    void WriteByte(std::uint16_t port, std::uint8_t value);
    std::uint8_t ReadByte(std::uint16_t port);
    // ppdev requests that failed during accesses since construction.
    std::uint64_t FailedAccesses() const { return failedAccesses_; }

  private:
    // A claimed base; fd is the ppdev device, or -1 for direct port access.
    struct Claim {
        std::uint16_t base;
        int fd;
    };

    void ClaimBase(std::uint16_t base);
    void ClaimDevice(std::uint16_t base, int number);
    void ClaimDirect(std::uint16_t base);
    void AddFailure(std::uint16_t base, const std::string& reason);
    const Claim* ClaimFor(std::uint16_t port) const;

    LinuxPortSystem& system_;
    std::string procRoot_;
    std::string devRoot_;
    std::vector<Claim> claims_;
    std::string startupFailure_;
    std::uint64_t failedAccesses_ = 0;
};

}  // namespace tallis
