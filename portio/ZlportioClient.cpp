#include "portio/ZlportioClient.h"

#include "portio/DriverPath.h"
#include "portio/PortRequest.h"
#include "portio/ddkint.h"

namespace tallis {

namespace {

// What a read returns when no value reached it: the level of undriven lines.
constexpr std::uint32_t kNothingRead = 0xFFFFFFFF;
constexpr std::int32_t kMostUsers = 0x7FFFFFFF;
constexpr std::uint32_t kWaitObject0 = 0;

}  // namespace

ZlportioClient::ZlportioClient(Win32Api& api) : api_(api) {}

void ZlportioClient::Startup() {
    ioctlReadPort_ = MakeControlCode(kDriverDeviceType, 1, 0, 0);
    ioctlWritePort_ = MakeControlCode(kDriverDeviceType, 2, 0, 0);
    driverStarted_ = false;
    startupFailure_.clear();
    if (usersSemaphore_ == Win32Api::kNullHandle) {
        othersUseDriver_ = CountAsDriverUser();
    }
    if (!InstallAndStartDriver()) {
        return;
    }
    driverStarted_ = OpenDriverDevice(deviceHandle_);
}

void ZlportioClient::Exit() {
    const bool othersRemain = UncountAsDriverUser();
    if (driverStarted_ && !othersRemain) {
        StopAndRemoveDriver();
    }
}

// The semaphore's count is the number of running users. It ends with the last
// handle to it, so a program that died uncounted is not counted for long.
bool ZlportioClient::CountAsDriverUser() {
    usersSemaphore_ = api_.CreateSemaphoreA(0, kMostUsers, kDriverUsersName);
    std::int32_t before = 0;
    if (usersSemaphore_ == Win32Api::kNullHandle ||
        !api_.ReleaseSemaphore(usersSemaphore_, 1, &before)) {
        return false;
    }
    return before > 0;
}

bool ZlportioClient::UncountAsDriverUser() {
    if (usersSemaphore_ == Win32Api::kNullHandle) {
        return false;
    }
    bool othersRemain = false;
    if (api_.WaitForSingleObject(usersSemaphore_, 0) == kWaitObject0) {
        // Reading the count means raising it and taking the raise back.
        std::int32_t remaining = 0;
        if (api_.ReleaseSemaphore(usersSemaphore_, 1, &remaining)) {
            othersRemain = remaining > 0;
            api_.WaitForSingleObject(usersSemaphore_, 0);
        }
    }
    api_.CloseHandle(usersSemaphore_);
    usersSemaphore_ = Win32Api::kNullHandle;
    return othersRemain;
}

bool ZlportioClient::InstallAndStartDriver() {
    if (othersUseDriver_) {
        // Another running program installed the service and works through it:
        // stopping or replacing it would cut that program off mid-run.
        return true;
    }
    StopAndRemoveDriver();
    std::string driverPath = BuildDriverPath(api_.ModuleFileName(), kDriverServiceName);
    // A service that could not be deleted is still there to start.
    std::uint32_t installResult =
        InstallDriverService(api_, driverPath.c_str(), kDriverServiceName);
    if (installResult != 0 && installResult != kErrorServiceExists) {
        startupFailure_ = "the driver service \"" + std::string(kDriverServiceName) + "\" for " +
                          driverPath + " could not be installed (system error " +
                          std::to_string(installResult) + ")";
        return false;
    }
    std::uint32_t startResult = StartDriverService(api_, kDriverServiceName);
    if (startResult != 0) {
        startupFailure_ = "the driver service \"" + std::string(kDriverServiceName) + "\" for " +
                          driverPath + " did not start (system error " +
                          std::to_string(startResult) + ")";
        return false;
    }
    return true;
}

void ZlportioClient::StopAndRemoveDriver() {
    StopDriverService(api_, kDriverServiceName);
    RemoveDriverService(api_, kDriverServiceName);
}

bool ZlportioClient::OpenDriverDevice(Win32Api::Handle& handle) {
    handle = Win32Api::kInvalidHandle;
    handle = api_.CreateFileA(kDriverDeviceName, kGenericReadWrite, 0, kOpenExisting,
                              kFileAttributeNormal);
    std::uint32_t lastError = api_.GetLastError();
    // An invalid handle is a failure whatever the error code says: requests on
    // it would all fail while the program believed it had port access.
    bool opened =
        handle != Win32Api::kInvalidHandle && (lastError == 0 || lastError == kErrorAlreadyExists);
    if (!opened) {
        startupFailure_ = std::string("the driver device ") + kDriverDeviceName +
                          " did not open (system error " + std::to_string(lastError) + ")";
    }
    return opened;
}

void ZlportioClient::PortWrite(std::uint32_t port, std::int32_t sizeCode, std::uint32_t value) {
    if (!driverStarted_) {
        return;
    }
    PortRequest request{port, static_cast<std::uint32_t>(sizeCode), value};
    std::uint32_t bytesReturned = 0;
    if (!api_.DeviceIoControl(deviceHandle_, ioctlWritePort_, &request, sizeof request, nullptr, 0,
                              &bytesReturned)) {
        ++failedAccesses_;
    }
}

std::uint32_t ZlportioClient::PortRead(std::uint32_t port, std::int32_t sizeCode) {
    std::uint32_t reply = kNothingRead;
    if (driverStarted_) {
        PortRequest request{port, static_cast<std::uint32_t>(sizeCode), 0};
        std::uint32_t bytesReturned = 0;
        if (!api_.DeviceIoControl(deviceHandle_, ioctlReadPort_, &request, sizeof request, &reply,
                                  sizeof reply, &bytesReturned)) {
            ++failedAccesses_;
        }
    }
    return reply;
}

void ZlportioClient::PortWriteByte(std::uint16_t port, std::uint8_t value) {
    PortWrite(port, kPortSizeByte, value);
}

std::uint8_t ZlportioClient::PortReadByte(std::uint16_t port) {
    return static_cast<std::uint8_t>(PortRead(port, kPortSizeByte) & 0xFFu);
}

}  // namespace tallis
