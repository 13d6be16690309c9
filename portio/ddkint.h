#pragma once

#include <cstdint>

#include "portio/Win32Api.h"

namespace tallis {

// Values of the Windows service and file APIs that the driver client uses.
inline constexpr std::uint32_t kScManagerConnect = 0x0001;
inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceStart = 0x0010;
inline constexpr std::uint32_t kServiceStop = 0x0020;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
inline constexpr std::uint32_t kServiceKernelDriver = 1;
inline constexpr std::uint32_t kServiceDemandStart = 3;
inline constexpr std::uint32_t kServiceErrorNormal = 1;
inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kGenericReadWrite = 0xC0000000;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceExists = 1073;

// The driver kit's CTL_CODE rule.
constexpr std::uint32_t MakeControlCode(std::uint32_t deviceType, std::uint32_t function,
                                        std::uint32_t method, std::uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

// The four service-control operations. Each opens the local service control
// manager, does its one action, closes every handle it opened (service before
// manager) and returns 0, or the system error code read right after the first
// step that failed.
std::uint32_t InstallDriverService(Win32Api& api, const char* driverPath, const char* serviceName);
std::uint32_t StartDriverService(Win32Api& api, const char* serviceName);
std::uint32_t StopDriverService(Win32Api& api, const char* serviceName);
std::uint32_t RemoveDriverService(Win32Api& api, const char* serviceName);

}  // namespace tallis
