#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "portio/DriverPath.h"
#include "portio/NativeWin32Api.h"
#include "portio/ZlportioClient.h"
#include "portio/ddkint.h"

namespace tallis {
namespace {

// The binary path of the registered "zlportio" service, or empty when there is
// no such service.
std::string RegisteredDriverPath() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        return {};
    }
    std::string path;
    SC_HANDLE service = OpenServiceA(manager, kDriverServiceName, SERVICE_QUERY_CONFIG);
    if (service != nullptr) {
        std::vector<unsigned char> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed) &&
            config->lpBinaryPathName != nullptr) {
            path = config->lpBinaryPathName;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return path;
}

// The real service control manager: there is no zlportio.sys beside the test
// program, so the driver cannot start. One test, because every step works on
// the one service name and the steps must not run side by side.
TEST(WindowsServiceManager, StartWithoutDriverFileFailsAndLeavesNoStaleService) {
    NativeWin32Api api;
    const std::string driverPath = BuildDriverPath(api.ModuleFileName(), kDriverServiceName);
    RemoveDriverService(api, kDriverServiceName);

    // A service left by an earlier run, pointing elsewhere.
    ASSERT_EQ(InstallDriverService(api, "C:\\earlier\\run\\zlportio.sys", kDriverServiceName), 0u);
    ASSERT_EQ(RegisteredDriverPath(), "C:\\earlier\\run\\zlportio.sys");

    ZlportioClient client(api);
    client.Startup();

    // The leftover was deleted and the service created anew from this folder;
    // its start failed, so the device was never opened.
    EXPECT_EQ(RegisteredDriverPath(), driverPath);
    EXPECT_FALSE(client.DriverStarted());
    EXPECT_EQ(client.DeviceHandle(), Win32Api::kNullHandle);
    EXPECT_FALSE(client.StartupFailure().empty());
    EXPECT_NE(StartDriverService(api, kDriverServiceName), 0u);

    // Nothing reaches a port; exit after a failed start keeps the service,
    // which the next start-up replaces.
    client.PortWriteByte(0x378, 0x03);
    client.Exit();
    EXPECT_EQ(RegisteredDriverPath(), driverPath);

    // What exit does after a successful start: stop and delete.
    client.StopAndRemoveDriver();
    EXPECT_EQ(RegisteredDriverPath(), "");
    EXPECT_NE(RemoveDriverService(api, kDriverServiceName), 0u);
}

}  // namespace
}  // namespace tallis
