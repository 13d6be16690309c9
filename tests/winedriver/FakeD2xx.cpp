// A stand-in for FTDI's D2XX library (built as ftd2xx.dll) with one FT232R
// behind it: the simulated FTDI chip, its board and a PIC that the fake
// libftdi serves on Linux, paced by the real clock. The environment that sets
// them up, and the report written when the program closes the device, are
// described in tests/ftdi/FakeFtdiDevice.h.
//
// Like the library, a read waits for all the bytes asked for or for the read
// timeout, and then returns what there is.
#include <windows.h>

#include <chrono>
#include <cstring>

#include "FakeFtdiDevice.h"
#include "ftdi/D2xxApi.h"

namespace {

namespace d2xx = tallis::ftdi::d2xx;
using tallis::testing::FakeFtdiDevice;

constexpr ULONG kDefaultReadTimeoutMs = 300;
ULONG readTimeoutMs = kDefaultReadTimeoutMs;

// The one device's handle: the address of a marker.
d2xx::Handle TheHandle() {
    static char marker;
    return &marker;
}

bool Valid(d2xx::Handle handle) {
    return handle == TheHandle() && FakeFtdiDevice::IsOpen();
}

d2xx::Status OpenTheDevice(d2xx::Handle* handle) {
    if (!FakeFtdiDevice::Present()) {
        return d2xx::kDeviceNotFound;
    }
    if (!FakeFtdiDevice::Open()) {
        return d2xx::kDeviceNotOpened;  // a second open of the same device
    }
    readTimeoutMs = kDefaultReadTimeoutMs;
    *handle = TheHandle();
    return d2xx::kOk;
}

// A failed control request: the device is gone, or the value was refused.
d2xx::Status ControlStatus(bool done, d2xx::Status refused) {
    if (done) {
        return d2xx::kOk;
    }
    return FakeFtdiDevice::Usb().Unplugged() ? d2xx::kIoError : refused;
}

}  // namespace

extern "C" {

d2xx::Status WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    *count = FakeFtdiDevice::Present() ? 1 : 0;
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_GetDeviceInfoList(d2xx::ListNode* nodes, DWORD* count) {
    if (!FakeFtdiDevice::Present()) {
        *count = 0;
        return d2xx::kOk;
    }
    if (*count < 1) {
        return d2xx::kInvalidParameter;
    }
    d2xx::ListNode& node = nodes[0];
    std::memset(&node, 0, sizeof node);
    node.type = d2xx::kType232R;
    node.id = ULONG{FakeFtdiDevice::kVendorId} << 16 | FakeFtdiDevice::kProductId;
    node.locationId = 0x11;
    if (FakeFtdiDevice::IsOpen()) {
        node.flags = d2xx::kFlagOpened;
    } else {
        std::strncpy(node.serialNumber, FakeFtdiDevice::Serial().c_str(),
                     sizeof node.serialNumber - 1);
        std::strncpy(node.description, FakeFtdiDevice::kDescription, sizeof node.description - 1);
    }
    *count = 1;
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_Open(int index, d2xx::Handle* handle) {
    return index == 0 ? OpenTheDevice(handle) : d2xx::kDeviceNotFound;
}

d2xx::Status WINAPI FT_OpenEx(void* argument, DWORD flags, d2xx::Handle* handle) {
    const char* text = static_cast<const char*>(argument);
    const bool matches =
        (flags == d2xx::kOpenBySerialNumber && FakeFtdiDevice::Serial() == text) ||
        (flags == d2xx::kOpenByDescription && std::strcmp(FakeFtdiDevice::kDescription, text) == 0);
    if (flags != d2xx::kOpenBySerialNumber && flags != d2xx::kOpenByDescription) {
        return d2xx::kInvalidParameter;
    }
    return matches ? OpenTheDevice(handle) : d2xx::kDeviceNotFound;
}

d2xx::Status WINAPI FT_Close(d2xx::Handle handle) {
    return handle == TheHandle() && FakeFtdiDevice::Close() ? d2xx::kOk : d2xx::kInvalidHandle;
}

d2xx::Status WINAPI FT_SetBitMode(d2xx::Handle handle, UCHAR outputMask, UCHAR mode) {
    if (!Valid(handle)) {
        return d2xx::kInvalidHandle;
    }
    return ControlStatus(FakeFtdiDevice::Usb().SetBitMode(outputMask, mode), d2xx::kIoError);
}

d2xx::Status WINAPI FT_SetBaudRate(d2xx::Handle handle, ULONG baud) {
    if (!Valid(handle)) {
        return d2xx::kInvalidHandle;
    }
    return ControlStatus(FakeFtdiDevice::Usb().SetBaudRate(baud), d2xx::kInvalidBaudRate);
}

d2xx::Status WINAPI FT_SetLatencyTimer(d2xx::Handle handle, UCHAR) {
    return Valid(handle) ? d2xx::kOk : d2xx::kInvalidHandle;
}

d2xx::Status WINAPI FT_SetTimeouts(d2xx::Handle handle, ULONG readMs, ULONG) {
    if (!Valid(handle)) {
        return d2xx::kInvalidHandle;
    }
    readTimeoutMs = readMs;
    return d2xx::kOk;
}

// Nothing is left in the buffers of a device just opened.
d2xx::Status WINAPI FT_Purge(d2xx::Handle handle, ULONG) {
    return Valid(handle) ? d2xx::kOk : d2xx::kInvalidHandle;
}

d2xx::Status WINAPI FT_Write(d2xx::Handle handle, void* buffer, DWORD count, DWORD* written) {
    *written = 0;
    if (!Valid(handle)) {
        return d2xx::kInvalidHandle;
    }
    const int taken = FakeFtdiDevice::Write({static_cast<const std::uint8_t*>(buffer), count});
    if (taken < 0) {
        return d2xx::kIoError;
    }
    *written = static_cast<DWORD>(taken);
    return d2xx::kOk;
}

d2xx::Status WINAPI FT_Read(d2xx::Handle handle, void* buffer, DWORD count, DWORD* got) {
    *got = 0;
    if (!Valid(handle)) {
        return d2xx::kInvalidHandle;
    }
    auto* samples = static_cast<std::uint8_t*>(buffer);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(readTimeoutMs);
    while (*got < count) {
        const int read = FakeFtdiDevice::Usb().Read({samples + *got, count - *got});
        if (read < 0) {
            return d2xx::kIoError;
        }
        *got += static_cast<DWORD>(read);
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
    }
    return d2xx::kOk;
}

}  // extern "C"
