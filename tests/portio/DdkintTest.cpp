#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FakeWin32Api.h"
#include "portio/DriverPath.h"
#include "portio/PortRequest.h"
#include "portio/ddkint.h"

namespace tallis {
namespace {

using testing::FakeWin32Api;

TEST(MakeControlCode, FollowsTheDriverKitRule) {
    struct Case {
        std::uint32_t deviceType, function, method, access, code;
    };
    const Case cases[] = {
        {0x80FF, 1, 0, 0, 0x80FF0004},  // the read request
        {0x80FF, 2, 0, 0, 0x80FF0008},  // the write request
        {0x22, 0x800, 0, 0, 0x00222000},
        {0x22, 0x801, 3, 3, 0x0022E007},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakeControlCode(c.deviceType, c.function, c.method, c.access), c.code)
            << std::hex << c.deviceType << " " << c.function;
    }
}

TEST(PortRequest, IsTwelveLittleEndianBytesWithoutGaps) {
    PortRequest request{0x0000037A, kPortSizeWord, 0xA1B2C3D4};
    std::uint8_t bytes[sizeof request];
    std::memcpy(bytes, &request, sizeof request);
    const std::uint8_t expected[12] = {0x7A, 0x03, 0, 0, 1, 0, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1};
    EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof expected));
}

TEST(DriverPath, IsTheProgramFolderPlusTheDriverFile) {
    struct Case {
        const char* modulePath;
        const char* driverPath;
    };
    const Case cases[] = {
        {"C:\\Tools\\Tallis\\tallis.exe", "C:\\Tools\\Tallis\\zlportio.sys"},
        {"C:\\tallis.exe", "C:\\\\zlportio.sys"},  // a root keeps its backslash
        {"C:tallis.exe", "C:\\zlportio.sys"},
        {"\\\\server\\share\\tallis.exe", "\\\\server\\share\\zlportio.sys"},
        {"\\\\tallis.exe", "\\\\\\zlportio.sys"},
        {"\\tallis.exe", "\\\\zlportio.sys"},
        {"C:\\a\\\\tallis.exe", "C:\\a\\\\\\zlportio.sys"},
        {"tallis.exe", "\\zlportio.sys"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildDriverPath(c.modulePath, "zlportio"), c.driverPath) << c.modulePath;
    }
}

TEST(DriverPath, LongPathsAreCutToTheLimit) {
    struct Case {
        std::size_t folderLength;
        std::size_t pathLength;
    };
    // "\zlportio.sys" adds 13 characters to the folder.
    const Case cases[] = {{242, 255}, {243, 255}, {241, 254}, {400, 255}};
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.folderLength - 3, 'd');
        std::string full = folder + "\\zlportio.sys";
        std::string path = BuildDriverPath(folder + "\\tallis.exe", "zlportio");
        EXPECT_EQ(path.size(), c.pathLength) << c.folderLength;
        EXPECT_EQ(path, full.substr(0, c.pathLength));
    }
}

// Each service operation opens what it needs with its own rights and closes
// the service before the manager.
TEST(ServiceOperations, UseTheirRightsAndCloseEverything) {
    FakeWin32Api api;
    api.services["zlportio"] = {"C:\\x\\zlportio.sys", false};
    api.files.insert("C:\\x\\zlportio.sys");
    struct Case {
        const char* name;
        std::uint32_t (*operation)(Win32Api&);
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"start",
         [](Win32Api& a) { return StartDriverService(a, "zlportio"); },
         {"OpenSCManagerA null null 1", "OpenServiceA manager zlportio 10",
          "StartServiceA zlportio 0 null", "CloseServiceHandle zlportio",
          "CloseServiceHandle manager"}},
        {"stop",
         [](Win32Api& a) { return StopDriverService(a, "zlportio"); },
         {"OpenSCManagerA null null 1", "OpenServiceA manager zlportio 20",
          "ControlService zlportio 1", "CloseServiceHandle zlportio",
          "CloseServiceHandle manager"}},
        {"remove",
         [](Win32Api& a) { return RemoveDriverService(a, "zlportio"); },
         {"OpenSCManagerA null null F003F", "OpenServiceA manager zlportio F01FF",
          "DeleteService zlportio", "CloseServiceHandle zlportio", "CloseServiceHandle manager"}},
        {"install",
         [](Win32Api& a) { return InstallDriverService(a, "C:\\y\\zlportio.sys", "zlportio"); },
         {"OpenSCManagerA null null F003F",
          "CreateServiceA manager zlportio zlportio F01FF 1 3 1 C:\\y\\zlportio.sys null null "
          "null null null",
          "CloseServiceHandle zlportio", "CloseServiceHandle manager"}},
    };
    for (const Case& c : cases) {
        api.calls.clear();
        EXPECT_EQ(c.operation(api), 0u) << c.name;
        EXPECT_EQ(api.calls, c.calls) << c.name;
    }
    EXPECT_TRUE(api.services.count("zlportio") == 1 && !api.services["zlportio"].running);
}

TEST(ServiceOperations, ReturnTheErrorOfTheFirstFailedStep) {
    struct Case {
        const char* failingCall;
        std::uint32_t error;
        bool serviceExists;
        std::uint32_t (*operation)(Win32Api&);
        std::uint32_t expected;
        int closes;
    };
    auto start = [](Win32Api& a) { return StartDriverService(a, "zlportio"); };
    auto stop = [](Win32Api& a) { return StopDriverService(a, "zlportio"); };
    auto remove = [](Win32Api& a) { return RemoveDriverService(a, "zlportio"); };
    auto install = [](Win32Api& a) { return InstallDriverService(a, "C:\\zlportio.sys", "x"); };
    const Case cases[] = {
        {"OpenSCManagerA", 5, true, start, 5, 0},
        {"OpenSCManagerA", 5, true, install, 5, 0},
        {"", 0, false, start, FakeWin32Api::kErrorServiceDoesNotExist, 1},
        {"", 0, false, remove, FakeWin32Api::kErrorServiceDoesNotExist, 1},
        {"StartServiceA", 1056, true, start, 1056, 2},
        {"", 0, true, stop, FakeWin32Api::kErrorServiceNotActive, 2},
        {"DeleteService", 1072, true, remove, 1072, 2},
        {"CreateServiceA", 1073, true, install, 1073, 1},
    };
    for (const Case& c : cases) {
        FakeWin32Api api;
        if (c.serviceExists) {
            api.services["zlportio"] = {"C:\\zlportio.sys", false};
        }
        api.failures[c.failingCall] = c.error;
        EXPECT_EQ(c.operation(api), c.expected) << c.failingCall;
        int closes = 0;
        for (const std::string& call : api.calls) {
            closes += call.rfind("CloseServiceHandle", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(closes, c.closes) << c.failingCall;
    }
}

}  // namespace
}  // namespace tallis
