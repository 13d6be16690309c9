#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeWin32Api.h"
#include "portio/ZlportioClient.h"
#include "portio/ddkint.h"

namespace tallis {
namespace {

using testing::FakeWin32Api;

constexpr char kDriverFile[] = "C:\\Tools\\Tallis\\zlportio.sys";

// An NT system with the driver file in the program's folder.
FakeWin32Api ApiWithDriver() {
    FakeWin32Api api;
    api.files.insert(kDriverFile);
    return api;
}

TEST(ZlportioClientStartup, CreatesStartsAndOpensInThisOrder) {
    FakeWin32Api api = ApiWithDriver();
    ZlportioClient client(api);
    client.Startup();

    EXPECT_TRUE(client.DriverStarted());
    EXPECT_EQ(client.IoctlReadPort(), 0x80FF0004u);
    EXPECT_EQ(client.IoctlWritePort(), 0x80FF0008u);
    EXPECT_EQ(client.DeviceHandle(), api.openedDeviceHandle);
    EXPECT_TRUE(client.StartupFailure().empty());
    const std::vector<std::string> expected = {
        // Stop and remove a leftover service: there is none.
        "OpenSCManagerA null null 1", "OpenServiceA manager zlportio 20",
        "CloseServiceHandle manager", "OpenSCManagerA null null F003F",
        "OpenServiceA manager zlportio F01FF", "CloseServiceHandle manager",
        // Create it from the program's folder.
        "OpenSCManagerA null null F003F",
        std::string("CreateServiceA manager zlportio zlportio F01FF 1 3 1 ") + kDriverFile +
            " null null null null null",
        "CloseServiceHandle zlportio", "CloseServiceHandle manager",
        // Start it.
        "OpenSCManagerA null null 1", "OpenServiceA manager zlportio 10",
        "StartServiceA zlportio 0 null", "CloseServiceHandle zlportio",
        "CloseServiceHandle manager",
        // Open the device, without sharing.
        "CreateFileA \\\\.\\ZLPORTIO C0000000 0 3 80"};
    EXPECT_EQ(api.calls, expected);
    EXPECT_TRUE(api.services.at("zlportio").running);
}

TEST(ZlportioClientStartup, StopsAndDeletesALeftoverServiceBeforeCreatingItAgain) {
    for (bool leftoverRunning : {true, false}) {
        FakeWin32Api api = ApiWithDriver();
        api.services["zlportio"] = {"D:\\old\\zlportio.sys", leftoverRunning};
        ZlportioClient client(api);
        client.Startup();

        EXPECT_TRUE(client.DriverStarted()) << leftoverRunning;
        int stop = api.IndexOf("ControlService zlportio 1");
        int remove = api.IndexOf("DeleteService zlportio");
        int create = api.IndexOf("CreateServiceA");
        int start = api.IndexOf("StartServiceA");
        EXPECT_TRUE(0 <= stop && stop < remove && remove < create && create < start)
            << leftoverRunning;
        EXPECT_EQ(api.services.at("zlportio").path, kDriverFile);
    }
}

TEST(ZlportioClientStartup, DecidesFromTheStartAndTheDeviceOpen) {
    struct Case {
        const char* name;
        bool driverFilePresent;
        std::map<std::string, std::uint32_t> failures;
        std::uint32_t openedDeviceError;
        Win32Api::Handle openedDeviceHandle;
        bool driverStarted;
        bool deviceOpenTried;
    };
    const Case cases[] = {
        {"all well", true, {}, 0, 0x700, true, true},
        {"driver file missing", false, {}, 0, 0x700, false, false},
        {"service already running", true, {{"StartServiceA", 1056}}, 0, 0x700, false, false},
        {"start refused", true, {{"StartServiceA", 5}}, 0, 0x700, false, false},
        {"manager refused", true, {{"OpenSCManagerA", 5}}, 0, 0x700, false, false},
        {"creation failed", true, {{"CreateServiceA", 1073}}, 0, 0x700, false, false},
        {"open leaves 183", true, {}, kErrorAlreadyExists, 0x700, true, true},
        {"open leaves 5", true, {}, 5, 0x700, false, true},
        {"open fails", true, {{"CreateFileA", 2}}, 0, 0x700, false, true},
        {"invalid handle, no error", true, {}, 0, Win32Api::kInvalidHandle, false, true},
    };
    for (const Case& c : cases) {
        FakeWin32Api api;
        if (c.driverFilePresent) {
            api.files.insert(kDriverFile);
        }
        api.failures = c.failures;
        api.openedDeviceError = c.openedDeviceError;
        api.openedDeviceHandle = c.openedDeviceHandle;
        ZlportioClient client(api);
        client.Startup();
        EXPECT_EQ(client.DriverStarted(), c.driverStarted) << c.name;
        EXPECT_EQ(api.Called("CreateFileA"), c.deviceOpenTried) << c.name;
        EXPECT_EQ(client.StartupFailure().empty(), c.driverStarted) << c.name;
    }
}

TEST(ZlportioClientStartup, CreationFailureDoesNotMatterWhenTheStartSucceeds) {
    // A service that could not be deleted still exists and starts.
    FakeWin32Api api = ApiWithDriver();
    api.services["zlportio"] = {kDriverFile, false};
    api.failures["DeleteService"] = 1072;
    ZlportioClient client(api);
    client.Startup();
    EXPECT_TRUE(api.Called("CreateServiceA"));
    EXPECT_TRUE(client.DriverStarted());
}

TEST(ZlportioClientStartup, AnInstallFailureOtherThanAnExistingServiceEndsTheStart) {
    FakeWin32Api api = ApiWithDriver();
    api.failures["CreateServiceA"] = 5;  // access denied: not run as administrator
    ZlportioClient client(api);
    client.Startup();
    EXPECT_FALSE(client.DriverStarted());
    EXPECT_FALSE(api.Called("StartServiceA"));
    EXPECT_NE(client.StartupFailure().find("could not be installed (system error 5)"),
              std::string::npos)
        << client.StartupFailure();
}

// Another running program counted on the semaphore keeps its service: this one
// neither replaces it at start-up nor removes it at exit.
TEST(ZlportioClientStartup, LeavesTheServiceOfAnotherRunningProgramAlone) {
    for (std::int32_t othersRunning : {0, 1}) {
        FakeWin32Api api = ApiWithDriver();
        api.semaphores[kDriverUsersName] = othersRunning;
        if (othersRunning > 0) {
            api.services["zlportio"] = {kDriverFile, true};
        }
        ZlportioClient client(api);
        client.Startup();
        EXPECT_TRUE(client.DriverStarted()) << client.StartupFailure();
        EXPECT_EQ(api.semaphores[kDriverUsersName], othersRunning + 1);
        client.Exit();

        const bool alone = othersRunning == 0;
        EXPECT_EQ(api.Called("CreateServiceA"), alone) << othersRunning;
        EXPECT_EQ(api.Called("DeleteService"), alone) << othersRunning;
        EXPECT_EQ(api.services.count("zlportio"), alone ? 0u : 1u);
        EXPECT_EQ(api.semaphores[kDriverUsersName], othersRunning);
    }
}

TEST(ZlportioClientExit, StopsAndDeletesTheServiceOnlyAfterASuccessfulStart) {
    for (bool driverFilePresent : {true, false}) {
        FakeWin32Api api;
        if (driverFilePresent) {
            api.files.insert(kDriverFile);
        }
        ZlportioClient client(api);
        client.Startup();
        api.calls.clear();
        client.Exit();

        EXPECT_EQ(api.Called("ControlService zlportio 1"), driverFilePresent);
        EXPECT_EQ(api.Called("DeleteService zlportio"), driverFilePresent);
        // A service that never started stays registered until the next start-up.
        EXPECT_EQ(api.services.count("zlportio"), driverFilePresent ? 0u : 1u);
        EXPECT_FALSE(api.Called("CreateFileA"));
    }
}

TEST(ZlportioPorts, ByteAccessesBecomeOneDriverRequestEach) {
    FakeWin32Api api = ApiWithDriver();
    ZlportioClient client(api);
    client.Startup();
    api.readReply = 0x12345640;

    client.PortWriteByte(0x37A, 0x9C);
    EXPECT_EQ(client.PortReadByte(0x379), 0x40);
    EXPECT_EQ(client.PortRead(0x378, 2), 0x12345640u);

    ASSERT_EQ(api.ioRequests.size(), 3u);
    const FakeWin32Api::IoRequest& write = api.ioRequests[0];
    EXPECT_EQ(write.code, 0x80FF0008u);
    EXPECT_EQ(write.input,
              (std::vector<std::uint8_t>{0x7A, 0x03, 0, 0, 0, 0, 0, 0, 0x9C, 0, 0, 0}));
    EXPECT_EQ(write.outputSize, 0u);
    const FakeWin32Api::IoRequest& read = api.ioRequests[1];
    EXPECT_EQ(read.code, 0x80FF0004u);
    ASSERT_EQ(read.input.size(), 12u);
    EXPECT_EQ(std::vector<std::uint8_t>(read.input.begin(), read.input.begin() + 8),
              (std::vector<std::uint8_t>{0x79, 0x03, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read.outputSize, 4u);
    EXPECT_EQ(api.ioRequests[2].input[4], 2);
    EXPECT_EQ(api.IndexOf("DeviceIoControl 700"), api.IndexOf("DeviceIoControl"));
}

TEST(ZlportioPorts, FailedDriverRequestsAreCounted) {
    FakeWin32Api api = ApiWithDriver();
    ZlportioClient client(api);
    client.Startup();
    client.PortWriteByte(0x378, 0x03);
    EXPECT_EQ(client.FailedAccesses(), 0u);
    api.failIoRequests = true;
    client.PortWriteByte(0x378, 0x03);
    EXPECT_EQ(client.PortReadByte(0x379), 0xFF);
    EXPECT_EQ(client.FailedAccesses(), 2u);
}

TEST(ZlportioPorts, NothingReachesThePortWithoutTheDriver) {
    for (bool startupRan : {true, false}) {
        FakeWin32Api api;  // no driver file: the start fails
        ZlportioClient client(api);
        if (startupRan) {
            client.Startup();
        }
        api.calls.clear();
        client.PortWriteByte(0x378, 0x03);
        client.PortWrite(0x378, 2, 0x11223344);
        client.PortReadByte(0x379);

        EXPECT_FALSE(client.DriverStarted());
        EXPECT_TRUE(api.calls.empty()) << startupRan;
    }
}

}  // namespace
}  // namespace tallis
