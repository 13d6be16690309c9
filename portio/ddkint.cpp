#include "portio/ddkint.h"

namespace tallis {

namespace {

using Handle = Win32Api::Handle;

// Opens the manager and then the service with the given rights, runs action on
// the service and closes both handles. action returns false when it failed.
template <typename Action>
std::uint32_t WithService(Win32Api& api, const char* serviceName, std::uint32_t managerAccess,
                          std::uint32_t serviceAccess, Action action) {
    Handle manager = api.OpenSCManagerA(nullptr, nullptr, managerAccess);
    if (manager == Win32Api::kNullHandle) {
        return api.GetLastError();
    }
    std::uint32_t result = 0;
    Handle service = api.OpenServiceA(manager, serviceName, serviceAccess);
    if (service == Win32Api::kNullHandle) {
        result = api.GetLastError();
    } else {
        if (!action(service)) {
            result = api.GetLastError();
        }
        api.CloseServiceHandle(service);
    }
    api.CloseServiceHandle(manager);
    return result;
}

}  // namespace

std::uint32_t InstallDriverService(Win32Api& api, const char* driverPath, const char* serviceName) {
    Handle manager = api.OpenSCManagerA(nullptr, nullptr, kScManagerAllAccess);
    if (manager == Win32Api::kNullHandle) {
        return api.GetLastError();
    }
    std::uint32_t result = 0;
    Handle service =
        api.CreateServiceA(manager, serviceName, serviceName, kServiceAllAccess,
                           kServiceKernelDriver, kServiceDemandStart, kServiceErrorNormal,
                           driverPath, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service == Win32Api::kNullHandle) {
        result = api.GetLastError();
    } else {
        api.CloseServiceHandle(service);
    }
    api.CloseServiceHandle(manager);
    return result;
}

std::uint32_t StartDriverService(Win32Api& api, const char* serviceName) {
    return WithService(api, serviceName, kScManagerConnect, kServiceStart,
                       [&](Handle service) { return api.StartServiceA(service, 0, nullptr); });
}

std::uint32_t StopDriverService(Win32Api& api, const char* serviceName) {
    return WithService(api, serviceName, kScManagerConnect, kServiceStop, [&](Handle service) {
        return api.ControlService(service, kServiceControlStop);
    });
}

std::uint32_t RemoveDriverService(Win32Api& api, const char* serviceName) {
    return WithService(api, serviceName, kScManagerAllAccess, kServiceAllAccess,
                       [&](Handle service) { return api.DeleteService(service); });
}

}  // namespace tallis
