#include "portio/NativeWin32Api.h"

#include <windows.h>

#include <vector>

namespace tallis {

namespace {

SC_HANDLE AsServiceHandle(Win32Api::Handle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}

Win32Api::Handle FromHandle(void* handle) {
    return reinterpret_cast<Win32Api::Handle>(handle);
}

}  // namespace

Win32Api::Handle NativeWin32Api::OpenSCManagerA(const char* machineName, const char* databaseName,
                                                std::uint32_t desiredAccess) {
    return FromHandle(::OpenSCManagerA(machineName, databaseName, desiredAccess));
}

Win32Api::Handle NativeWin32Api::CreateServiceA(
    Handle manager, const char* serviceName, const char* displayName, std::uint32_t desiredAccess,
    std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
    const char* binaryPathName, const char* loadOrderGroup, std::uint32_t* tagId,
    const char* dependencies, const char* serviceStartName, const char* password) {
    DWORD tag = 0;
    SC_HANDLE service = ::CreateServiceA(
        AsServiceHandle(manager), serviceName, displayName, desiredAccess, serviceType, startType,
        errorControl, binaryPathName, loadOrderGroup, tagId != nullptr ? &tag : nullptr,
        dependencies, serviceStartName, password);
    if (tagId != nullptr) {
        *tagId = tag;
    }
    return FromHandle(service);
}

Win32Api::Handle NativeWin32Api::OpenServiceA(Handle manager, const char* serviceName,
                                              std::uint32_t desiredAccess) {
    return FromHandle(::OpenServiceA(AsServiceHandle(manager), serviceName, desiredAccess));
}

bool NativeWin32Api::StartServiceA(Handle service, std::uint32_t argumentCount,
                                   const char** arguments) {
    return ::StartServiceA(AsServiceHandle(service), argumentCount, arguments) != FALSE;
}

bool NativeWin32Api::ControlService(Handle service, std::uint32_t control) {
    SERVICE_STATUS status{};
    return ::ControlService(AsServiceHandle(service), control, &status) != FALSE;
}

bool NativeWin32Api::DeleteService(Handle service) {
    return ::DeleteService(AsServiceHandle(service)) != FALSE;
}

bool NativeWin32Api::CloseServiceHandle(Handle handle) {
    return ::CloseServiceHandle(AsServiceHandle(handle)) != FALSE;
}

Win32Api::Handle NativeWin32Api::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                             std::uint32_t shareMode,
                                             std::uint32_t creationDisposition,
                                             std::uint32_t flagsAndAttributes) {
    return FromHandle(::CreateFileA(fileName, desiredAccess, shareMode, nullptr,
                                    creationDisposition, flagsAndAttributes, nullptr));
}

bool NativeWin32Api::DeviceIoControl(Handle device, std::uint32_t controlCode, const void* input,
                                     std::uint32_t inputSize, void* output,
                                     std::uint32_t outputSize, std::uint32_t* bytesReturned) {
    DWORD returned = 0;
    BOOL ok =
        ::DeviceIoControl(reinterpret_cast<HANDLE>(device), controlCode, const_cast<void*>(input),
                          inputSize, output, outputSize, &returned, nullptr);
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }
    return ok != FALSE;
}

std::uint32_t NativeWin32Api::GetLastError() {
    return ::GetLastError();
}

Win32Api::Handle NativeWin32Api::CreateSemaphoreA(std::int32_t initialCount,
                                                  std::int32_t maximumCount, const char* name) {
    return FromHandle(::CreateSemaphoreA(nullptr, initialCount, maximumCount, name));
}

bool NativeWin32Api::ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                      std::int32_t* previousCount) {
    LONG previous = 0;
    BOOL ok = ::ReleaseSemaphore(reinterpret_cast<HANDLE>(semaphore), releaseCount, &previous);
    if (previousCount != nullptr) {
        *previousCount = previous;
    }
    return ok != FALSE;
}

std::uint32_t NativeWin32Api::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
    return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
}

bool NativeWin32Api::CloseHandle(Handle handle) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

std::string NativeWin32Api::ModuleFileName() {
    // Long enough for any path the system allows, so that a long install
    // folder reaches the driver-path rule whole.
    std::vector<char> buffer(32768);
    DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::string(buffer.data(), length);
}

bool NativeWin32Api::FileExists(const char* path) {
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The program's folder, the current folder, the system folders and PATH: the
// places LoadLibraryA looks in, in its order.
std::string NativeWin32Api::FindLibrary(const char* fileName) {
    std::vector<char> buffer(32768);
    DWORD length = ::SearchPathA(nullptr, fileName, nullptr, static_cast<DWORD>(buffer.size()),
                                 buffer.data(), nullptr);
    return length == 0 || length >= buffer.size() ? std::string()
                                                  : std::string(buffer.data(), length);
}

Win32Api::Handle NativeWin32Api::LoadLibraryA(const char* fileName) {
    return FromHandle(::LoadLibraryA(fileName));
}

void* NativeWin32Api::GetProcAddress(Handle module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

bool NativeWin32Api::FreeLibrary(Handle module) {
    return ::FreeLibrary(reinterpret_cast<HMODULE>(module)) != FALSE;
}

}  // namespace tallis
