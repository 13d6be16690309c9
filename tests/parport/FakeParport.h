#pragma once

#include <cstdint>
#include <string>

#include "FakeParportOptions.h"
#include "sim/SimulatedTarget.h"

namespace tallis::testing {

// What the kernel's ppdev driver does for one /dev/parportN with the simulated
// interface board and chip behind it, paced by the steady clock:
//   - PPEXCL asks for exclusive use; it is refused (EINVAL) once the device
//     has been claimed, unless it was already asked for.
//   - PPCLAIM claims the port (EINVAL when it already is). While another
//     program holds the port (the busy fault), an exclusive claim fails with
//     ENXIO as the kernel's does; a shared one would wait there, here it fails
//     with EBUSY rather than hang.
//   - Every other request needs the claim first (EINVAL), PPRELEASE included.
//   - PPWDATA and PPWCONTROL write the data and control registers; the
//     control register keeps only its four output bits (0x0F), which is also
//     all PPRCONTROL gives back. PPRDATA reads the data latch, PPRSTATUS the
//     status register. A null argument fails with EFAULT.
//   - Other requests, which it does not model, fail with ENOTTY once the port
//     is claimed, so that a new use shows up.
//   - Closing a claimed device releases it, as the kernel does.
// Only one opener at a time is served (a second open fails with EBUSY).
//
// Every call returns 0 or an errno value. Not thread-safe.
class FakeParport {
  public:
    explicit FakeParport(const FakeParportOptions& options);

    // Loads the chip's memory from the state file when there is one. Returns
    // an empty string or why it cannot.
    std::string LoadState();
    // Saves it there, when a state file was given.
    std::string SaveState();

    int Open();
    void Close();
    int Ioctl(unsigned long request, void* argument);
    // True once, right after the register write that the interrupt option
    // names: the caller then sends the program SIGINT.
    bool TakeInterrupt();

    // The simulated chip's findings and the lines' last state, one
    // "name: value" line each, then the findings in full.
    std::string Report();

    const FakeParportOptions& Options() const { return options_; }
    sim::SimulatedTarget& Target() { return target_; }

  private:
    int Claim();
    int RegisterRequest(unsigned long request, std::uint8_t& value);

    FakeParportOptions options_;
    sim::SimulatedTarget target_;
    bool open_ = false;
    bool exclusive_ = false;
    bool registered_ = false;  // claimed at least once since it was opened
    bool claimed_ = false;
    unsigned implicitReleases_ = 0;
    bool interruptDue_ = false;
};

// One value of a report, by its name; "(missing)" when it has none.
std::string ReportValue(const std::string& report, const std::string& name);

}  // namespace tallis::testing
