#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "FakeWin32Api.h"
#include "portio/InpOutClient.h"
#include "portio/PortDriver.h"
#include "portio/WindowsPortAccess.h"

namespace tallis {
namespace {

using testing::FakeWin32Api;

// What the library's functions saw, and the state they answer from.
struct LibraryPorts {
    std::map<unsigned, unsigned> bytes;
    std::vector<std::string> calls;
    int driverOpen = 1;
};
LibraryPorts ports;

int TALLIS_WINAPI IsInpOutDriverOpen() {
    return ports.driverOpen;
}
void TALLIS_WINAPI DlPortWritePortUchar(unsigned short port, unsigned char value) {
    ports.calls.push_back("DlPortWritePortUchar");
    ports.bytes[port] = value;
}
unsigned char TALLIS_WINAPI DlPortReadPortUchar(unsigned short port) {
    ports.calls.push_back("DlPortReadPortUchar");
    return static_cast<unsigned char>(ports.bytes[port]);
}
void TALLIS_WINAPI Out32(short port, short value) {
    ports.calls.push_back("Out32");
    ports.bytes[static_cast<unsigned short>(port)] = static_cast<unsigned>(value);
}
// Older versions hand back the byte in a short whose upper half is not 0.
short TALLIS_WINAPI Inp32(short port) {
    ports.calls.push_back("Inp32");
    return static_cast<short>(0x7F00 | ports.bytes[static_cast<unsigned short>(port)]);
}

void* Address(auto function) {
    return reinterpret_cast<void*>(function);
}

const std::map<std::string, void*> kCurrentExports{
    {"IsInpOutDriverOpen", Address(IsInpOutDriverOpen)},
    {"DlPortWritePortUchar", Address(DlPortWritePortUchar)},
    {"DlPortReadPortUchar", Address(DlPortReadPortUchar)},
    {"Out32", Address(Out32)},
    {"Inp32", Address(Inp32)},
};
const std::map<std::string, void*> kOldExports{{"Out32", Address(Out32)},
                                               {"Inp32", Address(Inp32)}};

const std::string kLibrary(InpOutLibraryName());
constexpr char kZlportioFile[] = "C:\\Tools\\Tallis\\zlportio.sys";

FakeWin32Api ApiWith(const std::map<std::string, void*>& exports) {
    ports = {};
    FakeWin32Api api;
    api.libraries[kLibrary] = {"C:\\Tools\\Tallis\\" + kLibrary, exports};
    return api;
}

TEST(InpOutClient, ReachesThePortThroughTheCurrentOrTheOlderFunctions) {
    struct Case {
        const char* what;
        std::map<std::string, void*> exports;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"current", kCurrentExports, {"DlPortWritePortUchar", "DlPortReadPortUchar"}},
        {"older", kOldExports, {"Out32", "Inp32"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWin32Api api = ApiWith(c.exports);
        InpOutClient client(api);
        client.Startup();
        ASSERT_TRUE(client.Started()) << client.StartupFailure();

        client.WriteByte(0x37A, 0xC5);
        EXPECT_EQ(client.ReadByte(0x37A), 0xC5);
        EXPECT_EQ(ports.calls, c.calls);
        EXPECT_EQ(api.calls.front(), "LoadLibraryA " + kLibrary);
    }
}

TEST(InpOutClient, RefusesAndSaysWhyWhenTheLibraryCannotServe) {
    enum class Library { Absent, Unloadable, Loads };
    struct Case {
        const char* what;
        Library library;
        std::map<std::string, void*> exports;
        int driverOpen;
        const char* saying;
    };
    const Case cases[] = {
        {"no library", Library::Absent, {}, 1, "nor on the DLL search path"},
        {"a DLL of the other width",
         Library::Unloadable,
         {},
         1,
         "could not be loaded (system error 193)"},
        {"not InpOut", Library::Loads, {{"Out32", Address(Out32)}}, 1, "it is not InpOut"},
        {"driver not open", Library::Loads, kCurrentExports, 0,
         "the first run needs an administrator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWin32Api api = ApiWith(c.exports);
        if (c.library == Library::Absent) {
            api.libraries.clear();
        } else if (c.library == Library::Unloadable) {
            api.failures["LoadLibraryA"] = 193;
        }
        ports.driverOpen = c.driverOpen;
        InpOutClient client(api);
        client.Startup();

        EXPECT_FALSE(client.Started());
        EXPECT_EQ(client.LibraryFound(), c.library == Library::Loads);
        EXPECT_NE(client.StartupFailure().find(c.saying), std::string::npos)
            << client.StartupFailure();
        client.WriteByte(0x378, 0x03);
        EXPECT_EQ(client.ReadByte(0x379), 0xFF);
        EXPECT_TRUE(ports.calls.empty());
        EXPECT_TRUE(api.loadedLibraries.empty());
    }
}

TEST(InpOutClient, ExitLetsTheLibraryGo) {
    FakeWin32Api api = ApiWith(kCurrentExports);
    InpOutClient client(api);
    client.Startup();
    client.Exit();
    EXPECT_TRUE(api.loadedLibraries.empty());
    client.WriteByte(0x378, 0x03);
    EXPECT_TRUE(ports.calls.empty());
}

TEST(WindowsPortAccess, AutoTakesInpOutThenZlportioBesideTheProgram) {
    struct Case {
        bool inpout;
        bool zlportio;
        PortDriver tried;
        const char* kind;
        const char* saying;
    };
    const Case cases[] = {
        {true, true, PortDriver::InpOut, "inpout", ""},
        {false, true, PortDriver::Zlportio, "driver", ""},
        {false, false, PortDriver::Auto, "none", "no port driver found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.inpout << c.zlportio);
        FakeWin32Api api = ApiWith(kCurrentExports);
        if (!c.inpout) {
            api.libraries.clear();
        }
        if (c.zlportio) {
            api.files.insert(kZlportioFile);
        }
        WindowsPortAccess access(api);

        EXPECT_EQ(access.Startup(PortDriver::Auto), c.tried != PortDriver::Auto);
        EXPECT_EQ(access.DriverTried(), c.tried);
        EXPECT_EQ(access.Kind(), c.kind);
        EXPECT_NE(access.StartupFailure().find(c.saying), std::string::npos);
        EXPECT_EQ(api.Called("CreateServiceA"), c.tried == PortDriver::Zlportio);
        access.Exit();
    }
}

TEST(WindowsPortAccess, AnExplicitChoiceIsKeptAndItsFailureReported) {
    FakeWin32Api api = ApiWith(kCurrentExports);  // InpOut there, zlportio.sys not
    WindowsPortAccess access(api);

    EXPECT_FALSE(access.Startup(PortDriver::Zlportio));
    EXPECT_EQ(access.DriverTried(), PortDriver::Zlportio);
    EXPECT_FALSE(api.Called("LoadLibraryA"));
    EXPECT_NE(access.StartupFailure().find("(put zlportio.sys in the folder of tallis.exe and run "
                                           "it as administrator)"),
              std::string::npos)
        << access.StartupFailure();
    EXPECT_NE(access.RouteFor(PortDriver::Auto).find("through InpOut, C:\\Tools\\Tallis\\"),
              std::string::npos);

    ports.driverOpen = 0;
    EXPECT_FALSE(access.Startup(PortDriver::InpOut));
    EXPECT_NE(access.StartupFailure().find("Memory Integrity"), std::string::npos);
    access.WriteByte(0x378, 0x03);
    EXPECT_TRUE(ports.calls.empty());

    ports.driverOpen = 1;
    ASSERT_TRUE(access.Startup(PortDriver::InpOut));
    access.WriteByte(0x378, 0x03);
    EXPECT_EQ(access.ReadByte(0x378), 0x03);
    EXPECT_EQ(access.FailedAccesses(), 0u);
}

TEST(PortDriverName, RoundTripsAndRefusesOthers) {
    for (PortDriver driver : {PortDriver::Auto, PortDriver::InpOut, PortDriver::Zlportio}) {
        EXPECT_EQ(ParsePortDriver(PortDriverName(driver)), driver);
    }
    EXPECT_EQ(ParsePortDriver("InpOut"), std::nullopt);
}

}  // namespace
}  // namespace tallis
