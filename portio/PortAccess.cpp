#include "portio/PortAccess.h"

#if defined(_WIN32)
#include "portio/NativeWin32Api.h"
#include "portio/ZlportioClient.h"
#elif defined(__linux__)
#include "portio/LinuxPortAccess.h"
#include "portio/NativeLinuxPortSystem.h"
#endif

namespace tallis {

#if defined(_WIN32)

namespace {

ZlportioClient& Client() {
    static NativeWin32Api api;
    static ZlportioClient client(api);
    return client;
}

}  // namespace

bool StartPortAccess(std::span<const std::uint16_t>) {
    Client().Startup();
    return Client().DriverStarted();
}

void EndPortAccess() {
    Client().Exit();
}

bool PortAvailable(std::uint16_t) {
    return Client().DriverStarted();
}

std::string PortAccessFailure() {
    return Client().StartupFailure();
}

std::string PortAccessKind(std::uint16_t) {
    return Client().DriverStarted() ? "driver" : "none";
}

void PortWriteByte(std::uint16_t port, std::uint8_t value) {
    Client().PortWriteByte(port, value);
}

std::uint8_t PortReadByte(std::uint16_t port) {
    return Client().PortReadByte(port);
}

std::uint64_t PortFailedAccesses() {
    return Client().FailedAccesses();
}

#elif defined(__linux__)

namespace {

LinuxPortAccess& Access() {
    static NativeLinuxPortSystem system;
    static LinuxPortAccess access(system);
    return access;
}

}  // namespace

bool StartPortAccess(std::span<const std::uint16_t> bases) {
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

bool StartPortAccess(std::span<const std::uint16_t>) {
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

}  // namespace tallis
