#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "portio/Win32Api.h"

namespace tallis::testing {

// A small service control manager, device and port in memory. Every call is
// logged in order with the arguments that matter; a call named in failures
// fails with the given error code.
class FakeWin32Api : public Win32Api {
  public:
    struct Service {
        std::string path;
        bool running = false;
    };
    struct IoRequest {
        std::uint32_t code;
        std::vector<std::uint8_t> input;
        std::uint32_t outputSize;
    };

    static constexpr std::uint32_t kErrorFileNotFound = 2;
    static constexpr std::uint32_t kErrorModuleNotFound = 126;
    static constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
    static constexpr std::uint32_t kErrorServiceNotActive = 1062;
    static constexpr std::uint32_t kErrorServiceExists = 1073;
    static constexpr std::uint32_t kWaitTimeout = 0x102;

    std::string modulePath = "C:\\Tools\\Tallis\\tallis.exe";
    std::map<std::string, Service> services;
    std::set<std::string> files;                    // driver files that exist
    std::map<std::string, std::uint32_t> failures;  // call name -> error code
    // Last error left by a CreateFileA that returned a handle.
    std::uint32_t openedDeviceError = 0;
    Handle openedDeviceHandle = 0x700;
    bool failIoRequests = false;  // DeviceIoControl fails without touching the reply
    std::uint32_t readReply = 0;

    // Libraries that load, by file name: where the search finds each and what
    // it exports.
    struct Library {
        std::string path;
        std::map<std::string, void*> exports;
    };
    std::map<std::string, Library> libraries;
    std::set<std::string> loadedLibraries;

    // Named semaphores' counts: other running instances show up here.
    std::map<std::string, std::int32_t> semaphores;

    std::vector<std::string> calls;
    std::vector<IoRequest> ioRequests;

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
    std::uint32_t GetLastError() override { return lastError_; }
    Handle CreateSemaphoreA(std::int32_t initialCount, std::int32_t maximumCount,
                            const char* name) override;
    bool ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                          std::int32_t* previousCount) override;
    std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
    bool CloseHandle(Handle handle) override;
    std::string ModuleFileName() override { return modulePath; }
    bool FileExists(const char* path) override { return files.count(path) != 0; }
    std::string FindLibrary(const char* fileName) override;
    Handle LoadLibraryA(const char* fileName) override;
    void* GetProcAddress(Handle module, const char* name) override;
    bool FreeLibrary(Handle module) override;

    // Index of the first logged call that starts with prefix, or -1.
    int IndexOf(const std::string& prefix) const;
    bool Called(const std::string& prefix) const { return IndexOf(prefix) >= 0; }

  private:
    bool Fails(const std::string& call);
    void Log(const std::string& call) { calls.push_back(call); }
    std::string NameOf(Handle handle) const;

    std::uint32_t lastError_ = 0;
    Handle nextHandle_ = 0x100;
    std::set<Handle> managers_;
    std::map<Handle, std::string> serviceHandles_;
    std::map<Handle, std::string> semaphoreHandles_;
    std::map<Handle, std::string> libraryHandles_;
};

}  // namespace tallis::testing
