#pragma once

#include <cstdint>
#include <string>

#include "portio/Win32Api.h"

namespace tallis {

inline constexpr char kDriverServiceName[] = "zlportio";
inline constexpr char kDriverDeviceName[] = "\\\\.\\ZLPORTIO";
inline constexpr std::uint32_t kDriverDeviceType = 0x80FF;
// Counts the running programs that use the driver, across sessions.
inline constexpr char kDriverUsersName[] = "Global\\tallis-zlportio-users";

// The Windows port client. It registers the outside driver zlportio.sys as a
// kernel-driver service from the program's folder, starts it, opens its device
// and turns every port access into one device request.
//
// The program keeps one of these for the whole process (see PortAccess.h).
class ZlportioClient {
  public:
    explicit ZlportioClient(Win32Api& api);

    // Start-up: computes the control codes, (re)creates and starts the service
    // unless another running program uses it, opens the device and sets
    // DriverStarted.
    void Startup();
    // Exit: stops and deletes the service when start-up succeeded and no other
    // running program uses it. The device handle is left to the end of the
    // process.
    void Exit();

    bool InstallAndStartDriver();
    void StopAndRemoveDriver();
    bool OpenDriverDevice(Win32Api::Handle& handle);

    void PortWrite(std::uint32_t port, std::int32_t sizeCode, std::uint32_t value);
    std::uint32_t PortRead(std::uint32_t port, std::int32_t sizeCode);
    void PortWriteByte(std::uint16_t port, std::uint8_t value);
    std::uint8_t PortReadByte(std::uint16_t port);

    bool DriverStarted() const { return driverStarted_; }
    Win32Api::Handle DeviceHandle() const { return deviceHandle_; }
    std::uint32_t IoctlReadPort() const { return ioctlReadPort_; }
    std::uint32_t IoctlWritePort() const { return ioctlWritePort_; }

    // Device requests for port accesses that failed since construction.
    std::uint64_t FailedAccesses() const { return failedAccesses_; }

    // What the last start-up could not do, empty after a successful one.
    const std::string& StartupFailure() const { return startupFailure_; }

  private:
    // Counts this program among the driver's users; true when others were
    // counted already.
    bool CountAsDriverUser();
    // Takes this program off the count; true when others remain.
    bool UncountAsDriverUser();

    Win32Api& api_;
    bool driverStarted_ = false;
    Win32Api::Handle deviceHandle_ = Win32Api::kNullHandle;
    std::uint32_t ioctlReadPort_ = 0;
    std::uint32_t ioctlWritePort_ = 0;
    std::string startupFailure_;
    Win32Api::Handle usersSemaphore_ = Win32Api::kNullHandle;
    bool othersUseDriver_ = false;
    std::uint64_t failedAccesses_ = 0;
};

}  // namespace tallis
