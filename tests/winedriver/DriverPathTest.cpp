// The Windows port path for real: the driver client and tallis-cli.exe against
// the test driver (PortTableDriver.c) loaded by the system. The driver, this
// program and tallis-cli.exe lie in one folder; scripts/wine-driver-tests.sh
// puts them there and runs this program alone in a Wine prefix of its own,
// since there is one service and one device name per system.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "portio/DriverPath.h"
#include "portio/NativeWin32Api.h"
#include "portio/PortRequest.h"
#include "portio/ZlportioClient.h"
#include "portio/ddkint.h"

namespace tallis {
namespace {

constexpr char kDriverLog[] = "C:\\zlportio-requests.log";
constexpr int kExitNoPortAccess = 3;

std::string ProgramFolder() {
    NativeWin32Api api;
    return FolderOfPath(api.ModuleFileName());
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string content = text.str();
    std::erase(content, '\r');
    return content;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The driver's log from a mark on: what reached the driver since then.
class DriverLog {
  public:
    DriverLog() : mark_(ReadText(kDriverLog).size()) {}
    std::vector<std::string> LinesSinceMark() const {
        return Lines(ReadText(kDriverLog).substr(mark_));
    }

  private:
    std::size_t mark_;
};

struct ProgramResult {
    DWORD exitCode = 0;
    std::string err;
};

// Runs a program to its end with standard error caught in a file.
ProgramResult RunProgram(const std::string& commandLine) {
    const std::string errPath = ProgramFolder() + "\\stderr.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = err;
    startup.hStdOutput = err;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    ProgramResult result;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.exitCode = ~DWORD{0};
    }
    CloseHandle(err);
    result.err = ReadText(errPath);
    return result;
}

ProgramResult RunCli(const std::string& folder, const std::string& arguments) {
    return RunProgram("\"" + folder + "\\tallis-cli.exe\" " + arguments);
}

bool ServiceRegistered() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, kDriverServiceName, SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return service != nullptr;
}

// The port accesses of a --trace file, without its waits.
std::vector<std::string> TracedAccesses(const std::string& tracePath) {
    std::vector<std::string> accesses;
    for (const std::string& line : Lines(ReadText(tracePath))) {
        if (line.starts_with("W ") || line.starts_with("R ")) {
            accesses.push_back(line);
        }
    }
    return accesses;
}

class CliCommandThroughDriver : public ::testing::TestWithParam<const char*> {};

// The driver sees exactly the traced accesses, in order, between its start and
// its stop; and at exit the service is gone.
TEST_P(CliCommandThroughDriver, SendsExactlyItsTracedAccessesAndRemovesTheService) {
    const std::string folder = ProgramFolder();
    const std::string tracePath = folder + "\\" + GetParam() + ".trace";
    DriverLog log;

    ProgramResult result = RunCli(folder, "--trace \"" + tracePath + "\" " + GetParam());

    ASSERT_EQ(result.exitCode, 0u) << result.err;
    std::vector<std::string> expected = TracedAccesses(tracePath);
    ASSERT_FALSE(expected.empty());
    expected.insert(expected.begin(), "load");
    expected.push_back("unload");
    EXPECT_EQ(log.LinesSinceMark(), expected);
    EXPECT_FALSE(ServiceRegistered());
}

INSTANTIATE_TEST_SUITE_P(ClassicCommands, CliCommandThroughDriver,
                         ::testing::Values("reset", "erase"));

TEST(CliWithoutDriverFile, ExitsWithNoPortAccessAndSaysWhatIsMissing) {
    const std::string folder = ProgramFolder() + "\\without-driver";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\tallis-cli.exe").c_str(),
                          (folder + "\\tallis-cli.exe").c_str(), FALSE));

    ProgramResult result = RunCli(folder, "reset");

    EXPECT_EQ(result.exitCode, static_cast<DWORD>(kExitNoPortAccess));
    // Wine reports a missing driver file as 1114 (Windows: 2).
    EXPECT_EQ(result.err,
              "tallis-cli: no access to the parallel port: the driver service \"zlportio\" for " +
                  folder +
                  "\\zlportio.sys did not start (system error 1114) (put zlportio.sys in the "
                  "folder of tallis-cli.exe and run it as administrator)\n");
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

        EXPECT_FALSE(api_.DeviceIoControl(client_.DeviceHandle(), code, request,
                                          refusal.inputSize, &reply, refusal.outputSize,
                                          &returned));
        EXPECT_EQ(api_.GetLastError(), refusal.error);
        char line[40];
        std::snprintf(line, sizeof line, "refused %08X %08X %08X", code, refusal.inputSize,
                      refusal.outputSize);
        EXPECT_EQ(log.LinesSinceMark(), std::vector<std::string>{line});
    }
    // The client gives a refused read as a read of undriven lines.
    EXPECT_EQ(client_.PortRead(0x378, 3), 0xFFFFFFFFu);
}

// What a second instance does to the service the first one is using.
TEST_F(StartedClient, SecondInstanceLeavesTheFirstOnesService) {
    client_.PortWriteByte(0x279, 0x5A);
    DriverLog log;

    ProgramResult second = RunCli(ProgramFolder(), "reset");

    ASSERT_EQ(second.exitCode, 0u) << second.err;
    EXPECT_TRUE(ServiceRegistered());
    EXPECT_EQ(client_.PortReadByte(0x279), 0x5A);
    for (const std::string& line : log.LinesSinceMark()) {
        ADD_FAILURE() << line;
    }
}

}  // namespace
}  // namespace tallis
