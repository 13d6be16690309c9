#pragma once

#include "portio/Win32Api.h"

namespace tallis {

// The real Windows calls behind Win32Api.
class NativeWin32Api : public Win32Api {
  public:
    Handle OpenSCManagerA(const char* machineName, const char* databaseName,
                          std::uint32_t desiredAccess) override;
    Handle CreateServiceA(Handle manager, const char* serviceName, const char* displayName,
                          std::uint32_t desiredAccess, std::uint32_t serviceType,
                          std::uint32_t startType, std::uint32_t errorControl,
                          const char* binaryPathName, const char* loadOrderGroup,
                          std::uint32_t* tagId, const char* dependencies,
                          const char* serviceStartName, const char* password) override;
    Handle OpenServiceA(Handle manager, const char* serviceName,
                        std::uint32_t desiredAccess) override;
    bool StartServiceA(Handle service, std::uint32_t argumentCount,
                       const char** arguments) override;
    bool ControlService(Handle service, std::uint32_t control) override;
    bool DeleteService(Handle service) override;
    bool CloseServiceHandle(Handle handle) override;

    Handle CreateFileA(const char* fileName, std::uint32_t desiredAccess, std::uint32_t shareMode,
                       std::uint32_t creationDisposition,
                       std::uint32_t flagsAndAttributes) override;
    bool DeviceIoControl(Handle device, std::uint32_t controlCode, const void* input,
                         std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                         std::uint32_t* bytesReturned) override;
    std::uint32_t GetLastError() override;
    Handle CreateSemaphoreA(std::int32_t initialCount, std::int32_t maximumCount,
                            const char* name) override;
    bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                          std::int32_t* previousCount) override;
    std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
    bool CloseHandle(Handle handle) override;

    std::string ModuleFileName() override;
    bool FileExists(const char* path) override;

    std::string FindLibrary(const char* fileName) override;
    Handle LoadLibraryA(const char* fileName) override;
    void* GetProcAddress(Handle module, const char* name) override;
    bool FreeLibrary(Handle module) override;
};

}  // namespace tallis
