#pragma once

#include <cstdint>
#include <string>

namespace tallis {

// The operating-system calls that the driver client makes, one method per call
// and named after it. The client's decisions (which service is stopped, deleted
// and created in which order, which error codes count) are tested against a
// fake; NativeWin32Api makes the real calls on Windows.
//
// Handles are carried as integers so that this header compiles everywhere.
// Calls that fail leave their error for GetLastError, as the real ones do.
class Win32Api {
  public:
    using Handle = std::uintptr_t;
    static constexpr Handle kNullHandle = 0;
    static constexpr Handle kInvalidHandle = ~Handle{0};

    virtual ~Win32Api() = default;

    // Service control manager.
    virtual Handle OpenSCManagerA(const char* machineName, const char* databaseName,
                                  std::uint32_t desiredAccess) = 0;
    virtual Handle CreateServiceA(Handle manager, const char* serviceName, const char* displayName,
                                  std::uint32_t desiredAccess, std::uint32_t serviceType,
                                  std::uint32_t startType, std::uint32_t errorControl,
                                  const char* binaryPathName, const char* loadOrderGroup,
                                  std::uint32_t* tagId, const char* dependencies,
                                  const char* serviceStartName, const char* password) = 0;
    virtual Handle OpenServiceA(Handle manager, const char* serviceName,
                                std::uint32_t desiredAccess) = 0;
    virtual bool StartServiceA(Handle service, std::uint32_t argumentCount,
                               const char** arguments) = 0;
    // The service status that the real call fills in is dropped.
    virtual bool ControlService(Handle service, std::uint32_t control) = 0;
    virtual bool DeleteService(Handle service) = 0;
    virtual bool CloseServiceHandle(Handle handle) = 0;

    // Device I/O; always synchronous (no overlapped structure).
    virtual Handle CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                               std::uint32_t shareMode, std::uint32_t creationDisposition,
                               std::uint32_t flagsAndAttributes) = 0;
    virtual bool DeviceIoControl(Handle device, std::uint32_t controlCode, const void* input,
                                 std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                                 std::uint32_t* bytesReturned) = 0;
    virtual std::uint32_t GetLastError() = 0;

    // Named semaphores (opened when the name exists) and waits on handles.
    virtual Handle CreateSemaphoreA(std::int32_t initialCount, std::int32_t maximumCount,
                                    const char* name) = 0;
    virtual bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                  std::int32_t* previousCount) = 0;
    virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
    virtual bool CloseHandle(Handle handle) = 0;

    // Full path of the program's own executable file.
    virtual std::string ModuleFileName() = 0;
    // Whether a file exists at this path.
    virtual bool FileExists(const char* path) = 0;

    // Libraries loaded at run time. FindLibrary gives the path where the
    // library would be loaded from, empty when it is nowhere; the handle is kNullHandle when the
    // library was not found, the address nullptr when it exports no such name.
    virtual std::string FindLibrary(const char* fileName) = 0;
    virtual Handle LoadLibraryA(const char* fileName) = 0;
    virtual void* GetProcAddress(Handle module, const char* name) = 0;
    virtual bool FreeLibrary(Handle module) = 0;
};

}  // namespace tallis
