#pragma once

// FTDI's D2XX library (ftd2xx.dll), as far as TALLIS calls it, declared from
// its published signatures: the library is loaded at run time, so building
// needs nothing of FTDI's. Every function has the system's calling
// convention (it matters in a 32-bit process) and is exported under its
// plain name. Windows only.
#include <windows.h>

namespace tallis::ftdi::d2xx {

using Handle = void*;
using Status = ULONG;

inline constexpr const char* kLibraryName = "ftd2xx.dll";

// The status codes, in the order the library numbers them from 0.
inline constexpr const char* kStatusNames[] = {
    "FT_OK",
    "FT_INVALID_HANDLE",
    "FT_DEVICE_NOT_FOUND",
    "FT_DEVICE_NOT_OPENED",
    "FT_IO_ERROR",
    "FT_INSUFFICIENT_RESOURCES",
    "FT_INVALID_PARAMETER",
    "FT_INVALID_BAUD_RATE",
    "FT_DEVICE_NOT_OPENED_FOR_ERASE",
    "FT_DEVICE_NOT_OPENED_FOR_WRITE",
    "FT_FAILED_TO_WRITE_DEVICE",
    "FT_EEPROM_READ_FAILED",
    "FT_EEPROM_WRITE_FAILED",
    "FT_EEPROM_ERASE_FAILED",
    "FT_EEPROM_NOT_PRESENT",
    "FT_EEPROM_NOT_PROGRAMMED",
    "FT_INVALID_ARGS",
    "FT_NOT_SUPPORTED",
    "FT_OTHER_ERROR",
    "FT_DEVICE_LIST_NOT_READY",
};
inline constexpr Status kOk = 0;
inline constexpr Status kInvalidHandle = 1;
inline constexpr Status kDeviceNotFound = 2;
inline constexpr Status kDeviceNotOpened = 3;
inline constexpr Status kIoError = 4;
inline constexpr Status kInvalidParameter = 6;
inline constexpr Status kInvalidBaudRate = 7;

// FT_OpenEx: the argument is a serial number, or a description.
inline constexpr DWORD kOpenBySerialNumber = 1;
inline constexpr DWORD kOpenByDescription = 2;
// FT_Purge: the buffers towards the host and from it.
inline constexpr ULONG kPurgeRx = 1;
inline constexpr ULONG kPurgeTx = 2;
// A list entry's flags: another program has the device open (its strings
// are then empty), and the device is on a high-speed port.
inline constexpr ULONG kFlagOpened = 1;
inline constexpr ULONG kFlagHighSpeed = 2;

// A list entry's type (FT_DEVICE).
enum DeviceType : ULONG {
    kTypeBm = 0,
    kTypeAm = 1,
    kType100Ax = 2,
    kTypeUnknown = 3,
    kType2232C = 4,
    kType232R = 5,
    kType2232H = 6,
    kType4232H = 7,
    kType232H = 8,
    kTypeXSeries = 9,
};

struct ListNode {
    ULONG flags;
    ULONG type;
    ULONG id;  // VID << 16 | PID
    DWORD locationId;
    char serialNumber[16];
    char description[64];
    Handle handle;
};

using CreateDeviceInfoList = Status(WINAPI*)(DWORD* count);
using GetDeviceInfoList = Status(WINAPI*)(ListNode* nodes, DWORD* count);
using Open = Status(WINAPI*)(int index, Handle* handle);
using OpenEx = Status(WINAPI*)(void* argument, DWORD flags, Handle* handle);
using Close = Status(WINAPI*)(Handle handle);
using SetBitMode = Status(WINAPI*)(Handle handle, UCHAR outputMask, UCHAR mode);
using SetBaudRate = Status(WINAPI*)(Handle handle, ULONG baud);
using SetLatencyTimer = Status(WINAPI*)(Handle handle, UCHAR milliseconds);
using SetTimeouts = Status(WINAPI*)(Handle handle, ULONG readMs, ULONG writeMs);
using Purge = Status(WINAPI*)(Handle handle, ULONG mask);
using Write = Status(WINAPI*)(Handle handle, void* buffer, DWORD count, DWORD* written);
using Read = Status(WINAPI*)(Handle handle, void* buffer, DWORD count, DWORD* got);

}  // namespace tallis::ftdi::d2xx
