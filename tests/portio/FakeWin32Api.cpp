#include "FakeWin32Api.h"

#include <cstdio>

namespace tallis::testing {

namespace {

std::string Hex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

std::string OrNull(const char* text) {
    return text == nullptr ? "null" : text;
}

}  // namespace

bool FakeWin32Api::Fails(const std::string& call) {
    auto failure = failures.find(call);
    if (failure == failures.end()) {
        return false;
    }
    lastError_ = failure->second;
    return true;
}

std::string FakeWin32Api::NameOf(Handle handle) const {
    if (managers_.count(handle) != 0) {
        return "manager";
    }
    auto service = serviceHandles_.find(handle);
    return service == serviceHandles_.end() ? "bad handle" : service->second;
}

Win32Api::Handle FakeWin32Api::OpenSCManagerA(const char* machineName, const char* databaseName,
                                              std::uint32_t desiredAccess) {
    Log("OpenSCManagerA " + OrNull(machineName) + " " + OrNull(databaseName) + " " +
        Hex(desiredAccess));
    if (Fails("OpenSCManagerA")) {
        return kNullHandle;
    }
    managers_.insert(nextHandle_);
    return nextHandle_++;
}

Win32Api::Handle FakeWin32Api::CreateServiceA(
    Handle manager, const char* serviceName, const char* displayName, std::uint32_t desiredAccess,
    std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
    const char* binaryPathName, const char* loadOrderGroup, std::uint32_t* tagId,
    const char* dependencies, const char* serviceStartName, const char* password) {
    Log("CreateServiceA " + NameOf(manager) + " " + serviceName + " " + displayName + " " +
        Hex(desiredAccess) + " " + Hex(serviceType) + " " + Hex(startType) + " " +
        Hex(errorControl) + " " + binaryPathName + " " + OrNull(loadOrderGroup) + " " +
        (tagId == nullptr ? "null" : "tag") + " " + OrNull(dependencies) + " " +
        OrNull(serviceStartName) + " " + OrNull(password));
    if (Fails("CreateServiceA")) {
        return kNullHandle;
    }
    if (services.count(serviceName) != 0) {
        lastError_ = kErrorServiceExists;
        return kNullHandle;
    }
    services[serviceName] = Service{binaryPathName, false};
    serviceHandles_[nextHandle_] = serviceName;
    return nextHandle_++;
}

Win32Api::Handle FakeWin32Api::OpenServiceA(Handle manager, const char* serviceName,
                                            std::uint32_t desiredAccess) {
    Log("OpenServiceA " + NameOf(manager) + " " + serviceName + " " + Hex(desiredAccess));
    if (Fails("OpenServiceA")) {
        return kNullHandle;
    }
    if (services.count(serviceName) == 0) {
        lastError_ = kErrorServiceDoesNotExist;
        return kNullHandle;
    }
    serviceHandles_[nextHandle_] = serviceName;
    return nextHandle_++;
}

bool FakeWin32Api::StartServiceA(Handle service, std::uint32_t argumentCount,
                                 const char** arguments) {
    Log("StartServiceA " + NameOf(service) + " " + std::to_string(argumentCount) + " " +
        (arguments == nullptr ? "null" : "args"));
    if (Fails("StartServiceA")) {
        return false;
    }
    Service& started = services.at(serviceHandles_.at(service));
    if (started.running) {
        lastError_ = 1056;
        return false;
    }
    if (files.count(started.path) == 0) {
        lastError_ = kErrorFileNotFound;
        return false;
    }
    started.running = true;
    return true;
}

bool FakeWin32Api::ControlService(Handle service, std::uint32_t control) {
    Log("ControlService " + NameOf(service) + " " + std::to_string(control));
    if (Fails("ControlService")) {
        return false;
    }
    Service& stopped = services.at(serviceHandles_.at(service));
    if (!stopped.running) {
        lastError_ = kErrorServiceNotActive;
        return false;
    }
    stopped.running = false;
    return true;
}

bool FakeWin32Api::DeleteService(Handle service) {
    Log("DeleteService " + NameOf(service));
    if (Fails("DeleteService")) {
        return false;
    }
    services.erase(serviceHandles_.at(service));
    return true;
}

bool FakeWin32Api::CloseServiceHandle(Handle handle) {
    Log("CloseServiceHandle " + NameOf(handle));
    managers_.erase(handle);
    serviceHandles_.erase(handle);
    // Closing clears the error, so a code read too late shows as 0.
    lastError_ = 0;
    return true;
}

Win32Api::Handle FakeWin32Api::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                           std::uint32_t shareMode,
                                           std::uint32_t creationDisposition,
                                           std::uint32_t flagsAndAttributes) {
    Log(std::string("CreateFileA ") + fileName + " " + Hex(desiredAccess) + " " + Hex(shareMode) +
        " " + Hex(creationDisposition) + " " + Hex(flagsAndAttributes));
    if (Fails("CreateFileA")) {
        return kInvalidHandle;
    }
    lastError_ = openedDeviceError;
    return openedDeviceHandle;
}

bool FakeWin32Api::DeviceIoControl(Handle device, std::uint32_t controlCode, const void* input,
                                   std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                                   std::uint32_t* bytesReturned) {
    Log("DeviceIoControl " + Hex(device) + " " + Hex(controlCode));
    if (failIoRequests) {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(input);
    ioRequests.push_back({controlCode, {bytes, bytes + inputSize}, outputSize});
    if (output != nullptr && outputSize >= sizeof readReply) {
        std::uint8_t* reply = static_cast<std::uint8_t*>(output);
        for (std::size_t i = 0; i < sizeof readReply; ++i) {
            reply[i] = static_cast<std::uint8_t>(readReply >> (8 * i));
        }
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = output != nullptr ? outputSize : 0;
    }
    return true;
}

int FakeWin32Api::IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].compare(0, prefix.size(), prefix) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Semaphore calls are not logged: the service calls' order is what the
// tests compare, and the count tells what the client did with the semaphore.
Win32Api::Handle FakeWin32Api::CreateSemaphoreA(std::int32_t initialCount, std::int32_t,
                                                const char* name) {
    semaphores.try_emplace(name, initialCount);
    semaphoreHandles_[nextHandle_] = name;
    return nextHandle_++;
}

bool FakeWin32Api::ReleaseSemaphore(Handle semaphore, std::int32_t releaseCount,
                                    std::int32_t* previousCount) {
    std::int32_t& count = semaphores.at(semaphoreHandles_.at(semaphore));
    if (previousCount != nullptr) {
        *previousCount = count;
    }
    count += releaseCount;
    return true;
}

std::uint32_t FakeWin32Api::WaitForSingleObject(Handle handle, std::uint32_t) {
    std::int32_t& count = semaphores.at(semaphoreHandles_.at(handle));
    if (count == 0) {
        return kWaitTimeout;
    }
    --count;
    return 0;
}

bool FakeWin32Api::CloseHandle(Handle handle) {
    return semaphoreHandles_.erase(handle) != 0;
}

std::string FakeWin32Api::FindLibrary(const char* fileName) {
    auto library = libraries.find(fileName);
    return library == libraries.end() ? std::string() : library->second.path;
}

Win32Api::Handle FakeWin32Api::LoadLibraryA(const char* fileName) {
    Log(std::string("LoadLibraryA ") + fileName);
    if (Fails("LoadLibraryA")) {
        return kNullHandle;
    }
    if (libraries.count(fileName) == 0) {
        lastError_ = kErrorModuleNotFound;
        return kNullHandle;
    }
    loadedLibraries.insert(fileName);
    libraryHandles_[nextHandle_] = fileName;
    return nextHandle_++;
}

void* FakeWin32Api::GetProcAddress(Handle module, const char* name) {
    const std::map<std::string, void*>& exports = libraries.at(libraryHandles_.at(module)).exports;
    auto function = exports.find(name);
    return function == exports.end() ? nullptr : function->second;
}

bool FakeWin32Api::FreeLibrary(Handle module) {
    auto library = libraryHandles_.find(module);
    if (library == libraryHandles_.end()) {
        return false;
    }
    Log("FreeLibrary " + library->second);
    loadedLibraries.erase(library->second);
    libraryHandles_.erase(library);
    return true;
}

}  // namespace tallis::testing
