#include "portio/PortAccess.h"

#if defined(_WIN32)
#include "portio/NativeWin32Api.h"
#include "portio/WindowsPortAccess.h"
#elif defined(__linux__)
#include "portio/LinuxPortAccess.h"
#include "portio/NativeLinuxPortSystem.h"
#endif

namespace tallis {

#if defined(_WIN32)

namespace {

WindowsPortAccess& Access() {
    static NativeWin32Api api;
    static WindowsPortAccess access(api);
    return access;
}

}  // namespace

bool StartPortAccess(std::span<const std::uint16_t>, PortDriver driver) {
    return Access().Startup(driver);
}

void EndPortAccess() {
    Access().Exit();
}

bool PortAvailable(std::uint16_t) {
    return Access().Started();
}

std::string PortAccessFailure() {
    return Access().StartupFailure();
}

PortDriver PortDriverTried() {
    return Access().DriverTried();
}

std::string PortDriverRoute(PortDriver driver) {
    return Access().RouteFor(driver);
}

std::string PortAccessKind(std::uint16_t) {
    return Access().Kind();
}

void PortWriteByte(std::uint16_t port, std::uint8_t value) {
    Access().WriteByte(port, value);
}

std::uint8_t PortReadByte(std::uint16_t port) {
    return Access().ReadByte(port);
}

std::uint64_t PortFailedAccesses() {
    return Access().FailedAccesses();
}

#elif defined(__linux__)

namespace {

LinuxPortAccess& Access() {
    static NativeLinuxPortSystem system;
    static LinuxPortAccess access(system);
    return access;
}

}  // namespace

bool StartPortAccess(std::span<const std::uint16_t> bases, PortDriver) {
    return Access().Startup(bases);
}

void EndPortAccess() {
    Access().Exit();
}

bool PortAvailable(std::uint16_t base) {
    return Access().HasPort(base);
}

std::string PortAccessFailure() {
    return Access().StartupFailure();
}

std::string PortAccessKind(std::uint16_t base) {
    if (!Access().HasPort(base)) {
        return "none";
    }
    return Access().ThroughDevice(base) ? "ppdev" : "direct";
}

void PortWriteByte(std::uint16_t port, std::uint8_t value) {
    Access().WriteByte(port, value);
}

std::uint8_t PortReadByte(std::uint16_t port) {
    return Access().ReadByte(port);
}

std::uint64_t PortFailedAccesses() {
    return Access().FailedAccesses();
}

#else

bool StartPortAccess(std::span<const std::uint16_t>, PortDriver) {
    return false;
}

void EndPortAccess() {}

bool PortAvailable(std::uint16_t) {
    return false;
}

std::string PortAccessFailure() {
    return "this system offers no parallel-port access";
}

std::string PortAccessKind(std::uint16_t) {
    return "none";
}

void PortWriteByte(std::uint16_t, std::uint8_t) {}

std::uint8_t PortReadByte(std::uint16_t) {
    return 0xFF;
}

std::uint64_t PortFailedAccesses() {
    return 0;
}

#endif

#if !defined(_WIN32)

PortDriver PortDriverTried() {
    return PortDriver::Auto;
}

std::string PortDriverRoute(PortDriver) {
    return {};
}

#endif

}  // namespace tallis
