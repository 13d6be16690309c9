// The Windows port path for real: the driver client and tallis-cli.exe against
// the test drivers (PortDriver.c) loaded by the system. scripts/wine-driver-tests.sh
// lays out the folder of this program:
//
//   tallis-cli.exe, zlportio.sys       the driver with the table of port bytes
//   blink877a.hex                      an example firmware
//   sim\tallis-cli.exe, sim\zlportio.sys the driver with the simulated board and chip
//   inpout\tallis-cli.exe, inpout\inpoutx64.dll
//                                      InpOut's DLL with the simulated board and chip
//   d2xx\tallis-cli.exe, d2xx\ftd2xx.dll FTDI's D2XX library with the simulated FTDI
//                                      chip, its board and a PIC (D2xxPathTest.cpp)
//   d2xx-none\tallis-cli.exe           the same without the library
//
// and runs this program alone in a Wine prefix of its own, since there is one
// service and one device name per system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "WineProgram.h"
#include "cli/ExitCode.h"
#include "portio/DriverPath.h"
#include "portio/NativeWin32Api.h"
#include "portio/PortRequest.h"
#include "portio/ZlportioClient.h"
#include "portio/ddkint.h"

namespace tallis {
namespace {

constexpr char kDriverLog[] = "C:\\zlportio-requests.log";
constexpr char kInpOutLog[] = "C:\\inpout-sim.log";

// The driver's log from a mark on: what reached the driver since then.
class DriverLog {
  public:
    explicit DriverLog(std::string path = kDriverLog)
        : path_(std::move(path)), mark_(ReadText(path_).size()) {}
    std::vector<std::string> LinesSinceMark() const { return Lines(ReadText(path_).substr(mark_)); }

  private:
    std::string path_;
    std::size_t mark_;
};

bool ServiceRegistered() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, kDriverServiceName, SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return service != nullptr;
}

// What the driver logs for a run that wrote this --trace file: its start, the
// trace's port accesses (without its waits) and its stop.
std::vector<std::string> DriverLogOfRun(const std::string& tracePath) {
    std::vector<std::string> log{"load"};
    for (const std::string& line : Lines(ReadText(tracePath))) {
        if (line.starts_with("W ") || line.starts_with("R ")) {
            log.push_back(line);
        }
    }
    log.push_back("unload");
    return log;
}

class CliCommandThroughDriver : public ::testing::TestWithParam<const char*> {};

// The driver sees exactly the traced accesses, in order, between its start and
// its stop; and at exit the service is gone.
TEST_P(CliCommandThroughDriver, SendsExactlyItsTracedAccessesAndRemovesTheService) {
    const std::string folder = ProgramFolder();
    const std::string tracePath = folder + "\\" + GetParam() + ".trace";
    DriverLog log;

    // No chip answers behind the table driver: the classic sequence alone
    // (reset reads no device ID, so it has no check to skip).
    const std::string skipCheck = std::string(GetParam()) == "reset" ? "" : "--no-id-check ";
    ProgramResult result =
        RunCli(folder, skipCheck + "--trace \"" + tracePath + "\" " + GetParam());

    ASSERT_EQ(result.exitCode, 0u) << result.output;
    std::vector<std::string> expected = DriverLogOfRun(tracePath);
    ASSERT_GT(expected.size(), 2u);
    EXPECT_EQ(log.LinesSinceMark(), expected);
    EXPECT_FALSE(ServiceRegistered());
}

INSTANTIATE_TEST_SUITE_P(ClassicCommands, CliCommandThroughDriver,
                         ::testing::Values("reset", "erase"));

// Without a driver beside it, each choice says what is missing and where it
// goes. Wine reports a missing driver file as 1114 (Windows: 2).
TEST(CliWithoutDriverFile, ExitsWithNoPortAccessAndSaysWhatIsMissing) {
    const std::string folder = ProgramFolder() + "\\without-driver";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\tallis-cli.exe").c_str(),
                          (folder + "\\tallis-cli.exe").c_str(), FALSE));
    const std::string prefix = "tallis-cli: no access to the parallel port: ";
    const std::pair<std::string, std::string> cases[] = {
        {"reset", "no port driver found: put inpoutx64.dll (InpOut) in " + folder +
                      " or on the DLL search path, or zlportio.sys (32-bit Windows only) in " +
                      folder +
                      ", and run tallis-cli.exe once as administrator (see DRIVER-WINDOWS.txt)\n"},
        {"--port-driver inpout reset",
         "inpoutx64.dll (InpOut) was found neither in " + folder + " nor on the DLL search path\n"},
        {"--port-driver zlportio reset",
         "the driver service \"zlportio\" for " + folder +
             "\\zlportio.sys did not start (system error 1114) (put zlportio.sys in the folder "
             "of tallis-cli.exe and run it as administrator)\n"},
    };
    for (const auto& [arguments, message] : cases) {
        ProgramResult result = RunCli(folder, arguments);

        EXPECT_EQ(result.exitCode, static_cast<DWORD>(kExitNoPortAccess)) << arguments;
        EXPECT_EQ(result.output, prefix + message);
    }
}

// This program's own client, started on the driver beside it.
class StartedClient : public ::testing::Test {
  protected:
    void SetUp() override {
        client_.Startup();
        ASSERT_TRUE(client_.DriverStarted()) << client_.StartupFailure();
    }
    void TearDown() override { client_.Exit(); }

    NativeWin32Api api_;
    ZlportioClient client_{api_};
};

TEST_F(StartedClient, ReadsBackWhatItWroteAndFFWhereNothingWasWritten) {
    client_.PortWriteByte(0x378, 0x5A);
    client_.PortWrite(0x37A, kPortSizeWord, 0x1234);

    EXPECT_EQ(client_.PortReadByte(0x378), 0x5A);
    EXPECT_EQ(client_.PortReadByte(0x379), 0xFF);
    EXPECT_EQ(client_.PortRead(0x37A, kPortSizeWord), 0x1234u);
    EXPECT_EQ(client_.PortRead(0x37B, kPortSizeDword), 0xFFFFFF12u);
}

struct Refusal {
    const char* what;
    std::uint32_t function;  // 1 read, 2 write
    std::uint32_t inputSize;
    std::uint32_t sizeCode;
    std::uint32_t outputSize;
    DWORD error;
};

TEST_F(StartedClient, DriverRefusesRequestsOfWrongSizeOrUnknownCode) {
    const Refusal refusals[] = {
        {"unknown control code", 3, 12, kPortSizeByte, 4, ERROR_INVALID_FUNCTION},
        {"short request", 1, 8, kPortSizeByte, 4, ERROR_INVALID_PARAMETER},
        {"long request", 2, 16, kPortSizeByte, 0, ERROR_INVALID_PARAMETER},
        {"unknown size code", 2, 12, 3, 0, ERROR_INVALID_PARAMETER},
        {"read without room for the reply", 1, 12, kPortSizeByte, 2, ERROR_INVALID_PARAMETER},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        const std::uint32_t code = MakeControlCode(kDriverDeviceType, refusal.function, 0, 0);
        const std::uint32_t request[4] = {0x378, refusal.sizeCode, 0x5A, 0};
        std::uint32_t reply = 0;
        std::uint32_t returned = 0;
        DriverLog log;

        EXPECT_FALSE(api_.DeviceIoControl(client_.DeviceHandle(), code, request, refusal.inputSize,
                                          &reply, refusal.outputSize, &returned));
        EXPECT_EQ(api_.GetLastError(), refusal.error);
        char line[40];
        std::snprintf(line, sizeof line, "refused %08X %08X %08X", code, refusal.inputSize,
                      refusal.outputSize);
        EXPECT_EQ(log.LinesSinceMark(), std::vector<std::string>{line});
    }
    // The client gives a refused read as a read of undriven lines.
    EXPECT_EQ(client_.PortRead(0x378, 3), 0xFFFFFFFFu);
}

// A second instance while the first one runs uses the service the first one
// started: it neither unloads nor removes it, so the first instance keeps its
// device and the port state it left.
TEST_F(StartedClient, SecondInstanceLeavesTheFirstOnesDriverAlone) {
    client_.PortWriteByte(0x279, 0x5A);
    DriverLog log;

    ProgramResult second = RunCli(ProgramFolder(), "reset");

    ASSERT_EQ(second.exitCode, 0u) << second.output;
    const std::vector<std::string> expected = {"W 0378 00", "W 037A 00", "W 0378 02"};
    EXPECT_EQ(log.LinesSinceMark(), expected);
    EXPECT_TRUE(ServiceRegistered());
    EXPECT_EQ(client_.PortReadByte(0x279), 0x5A);
}

// The whole classic command through the real Windows path, with the simulated
// chip behind the driver: it reports success, the chip saw no protocol
// violation, and it holds what a run in virtual time leaves in it. The bare
// sequence: the device ID check and the read-back of the words the file does
// not write are chip operations, which write runs through the Windows port
// path in the InpOut test below; read back here one driver request at a time,
// they took minutes under Wine.
TEST(CliThroughSimulatedBoard, ProgramsTheChipAsTheVirtualRunDoes) {
    const std::string folder = ProgramFolder() + "\\sim";
    const std::string firmware = ProgramFolder() + "\\blink877a.hex";
    const std::string tracePath = folder + "\\program.trace";
    DriverLog log;

    ProgramResult real =
        RunCli(folder, "--no-id-check --trace \"" + tracePath + "\" program \"" + firmware + "\"");

    ASSERT_EQ(real.exitCode, 0u) << real.output;
    EXPECT_EQ(real.output, "Down load data 27 words complete\n");
    EXPECT_EQ(log.LinesSinceMark(), DriverLogOfRun(tracePath));

    const std::string virtualState = folder + "\\virtual.hex";
    ProgramResult simulated = RunCli(folder, "--no-id-check --sim --sim-state \"" + virtualState +
                                                 "\" program \"" + firmware + "\"");
    ASSERT_EQ(simulated.exitCode, 0u) << simulated.output;
    EXPECT_EQ(ReadText("C:\\zlportio-sim.hex"), ReadText(virtualState));
}

// The commands through InpOut's DLL (our stand-in, with the simulated chip
// behind it), as auto and as the explicit choice: each run reports success and
// the chip saw no protocol violation; the write leaves the chip as a run in
// virtual time does. A DLL whose driver is not open ends the run with exit 3.
TEST(CliThroughInpOut, ResetsErasesAndWritesTheChipWithoutViolations) {
    const std::string folder = ProgramFolder() + "\\inpout";
    const std::string firmware = ProgramFolder() + "\\blink877a.hex";
    const std::pair<std::string, std::string> runs[] = {
        {"reset", "Target reset (port 0x378)\n"},
        {"--port-driver inpout --no-id-check erase", "PIC16F877A erased (port 0x378)\n"},
        {"--port-driver inpout write \"" + firmware + "\"",
         "Wrote and verified PIC16F877A revision 1 (device ID 0x0E21): 25 program words and the "
         "configuration word\nChecksum: 0115 (" +
             firmware + ")\n"},
    };
    for (const auto& [arguments, output] : runs) {
        DriverLog log(kInpOutLog);

        ProgramResult result = RunCli(folder, arguments);

        EXPECT_EQ(result.exitCode, 0u) << arguments << ": " << result.output;
        EXPECT_EQ(result.output, output);
        EXPECT_EQ(log.LinesSinceMark(), std::vector<std::string>{"unload"}) << arguments;
    }
    const std::string virtualState = folder + "\\virtual.hex";
    ProgramResult simulated =
        RunCli(folder, "--sim --sim-state \"" + virtualState + "\" write \"" + firmware + "\"");
    ASSERT_EQ(simulated.exitCode, 0u) << simulated.output;
    EXPECT_EQ(ReadText("C:\\inpout-sim.hex"), ReadText(virtualState));

    SetEnvironmentVariableA("TALLIS_FAKE_INPOUT_CLOSED", "1");
    ProgramResult closed = RunCli(folder, "--port-driver inpout reset");
    SetEnvironmentVariableA("TALLIS_FAKE_INPOUT_CLOSED", nullptr);
    EXPECT_EQ(closed.exitCode, static_cast<DWORD>(kExitNoPortAccess));
    EXPECT_NE(closed.output.find("could not install or open its driver: the first run needs an "
                                 "administrator"),
              std::string::npos)
        << closed.output;
}

}  // namespace
}  // namespace tallis
