#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "portio/PortDriver.h"

namespace tallis {

inline constexpr std::array<std::uint16_t, 2> kStandardPortBases{0x378, 0x278};

// Port access for the whole process: the programs call StartPortAccess once
// before they create any window and EndPortAccess once at the end, and the
// engine reaches the port only through PortWriteByte and PortReadByte.
//
// Windows: the chosen driver's client (WindowsPortAccess); the driver reaches
// every port, so the bases are not needed. Other systems ignore the driver. Linux: LinuxPortAccess
// claims the given bases, the parallel-port device for each where there is one. The desktop program
// passes both standard bases; the command-line tool passes its --port.
//
// True when port access is available (on Linux: for at least one base).
bool StartPortAccess(std::span<const std::uint16_t> bases = kStandardPortBases,
                     PortDriver driver = PortDriver::Auto);
void EndPortAccess();

// True when the port at this base can be reached.
bool PortAvailable(std::uint16_t base);
// How the port at this base is reached, for reports: "ppdev" or "direct"
// (Linux), "driver" (Windows), "none" without access.
std::string PortAccessKind(std::uint16_t base);
// What start-up could not set up and why, for the message that tells the user
// what is missing; empty when everything asked for was set up.
std::string PortAccessFailure();
// The Windows driver the last start-up used or tried, Auto when it found none
// (and on other systems).
PortDriver PortDriverTried();
// How a start-up with this driver choice would reach the ports, for the port
// listing; on other systems, empty.
std::string PortDriverRoute(PortDriver driver);

// Without access these do nothing; a read then returns 0xFF.
void PortWriteByte(std::uint16_t port, std::uint8_t value);
std::uint8_t PortReadByte(std::uint16_t port);
// Port accesses the system refused since start-up (a failed ppdev request or
// DeviceIoControl); accesses without any port access are not counted.
std::uint64_t PortFailedAccesses();

}  // namespace tallis
