// tallis-cli.exe on an FTDI board through FTDI's D2XX library: our stand-in
// ftd2xx.dll (FakeD2xx.cpp) with the simulated FTDI chip, board and PIC behind
// it, in real time. scripts/wine-driver-tests.sh puts tallis-cli.exe and the
// DLL in the folder d2xx beside this program, and tallis-cli.exe alone in
// d2xx-none.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <utility>

#include "WineProgram.h"
#include "cli/ExitCode.h"
#include "tests/ftdi/FakeFtdiReport.h"

namespace tallis {
namespace {

std::string D2xxFolder() {
    return ProgramFolder() + "\\d2xx";
}

// The fake device's settings for the runs of one test, undone at its end.
class FakeDeviceSettings {
  public:
    FakeDeviceSettings(std::initializer_list<std::pair<const char*, std::string>> settings) {
        for (const auto& [name, value] : settings) {
            SetEnvironmentVariableA(name, value.c_str());
            names_.push_back(name);
        }
    }
    ~FakeDeviceSettings() {
        for (const char* name : names_) {
            SetEnvironmentVariableA(name, nullptr);
        }
    }
    FakeDeviceSettings(const FakeDeviceSettings&) = delete;
    FakeDeviceSettings& operator=(const FakeDeviceSettings&) = delete;

  private:
    std::vector<const char*> names_;
};

const std::string kReportPath = D2xxFolder() + "\\report.txt";

// What the simulation saw at the close of the device: the report is written
// then, so a run that never closed it leaves none.
std::string TakeReport() {
    const std::string report = ReadText(kReportPath);
    DeleteFileA(kReportPath.c_str());
    return report;
}

// VPP off, every pin an input, the chip out of programming mode.
void ExpectLetGo(const std::string& report) {
    EXPECT_EQ(FakeFtdiReportValue(report, "vpp"), "off") << report;
    EXPECT_EQ(FakeFtdiReportValue(report, "outputs"), "0x00") << report;
    EXPECT_NE(FakeFtdiReportValue(report, "chip mode"), "programming") << report;
}

void ExpectSafeEnd(const std::string& report) {
    EXPECT_EQ(FakeFtdiReportValue(report, "violations"), "0") << report;
    ExpectLetGo(report);
}

TEST(CliThroughD2xx, ListsTheDevice) {
    const ProgramResult ports = RunCli(D2xxFolder(), "ports");

    EXPECT_EQ(ports.exitCode, 0u) << ports.output;
    EXPECT_NE(ports.output.find("ftdi:FT0TALLIS  FT232R  \"FT232R USB UART\"\n"), std::string::npos)
        << ports.output;
}

// Each chip written (with its verify) and verified again over the
// high-voltage board, and the 877A by low voltage over the four-wire board
// with a file that keeps LVP set; chosen as the only device and by its serial
// number: no violation, and the pins let go with VPP off after every command.
// (A whole chip's read takes minutes in real time on a busy machine: the FTDI
// tests on Linux and in virtual time read whole chips.)
TEST(CliThroughD2xx, WritesAndVerifiesWithoutViolations) {
    const std::string folder = D2xxFolder();
    const std::string lowVoltageFile = folder + "\\lvp877a.hex";
    std::ofstream(lowVoltageFile) << ":0600000005280000831634\n:02400E00BA3FB7\n:00000001FF\n";
    struct Case {
        const char* chip;
        const char* board;
        std::string firmware;
    };
    const std::string example = ProgramFolder() + "\\blink877a.hex";
    for (const Case& c :
         {Case{"16f877a", "ft232r-hv", example}, Case{"16f877", "ft232r-hv", example},
          Case{"16f877a", "ft232r-lvp", lowVoltageFile}}) {
        SCOPED_TRACE(std::string(c.chip) + " on " + c.board);
        FakeDeviceSettings settings{{"TALLIS_FAKE_FTDI_CHIP", c.chip},
                                    {"TALLIS_FAKE_FTDI_WIRING", c.board},
                                    {"TALLIS_FAKE_FTDI_STATE", folder + "\\chip.hex"},
                                    {"TALLIS_FAKE_FTDI_REPORT", kReportPath}};
        DeleteFileA((folder + "\\chip.hex").c_str());
        const std::string board = std::string(" --board ") + c.board;

        const ProgramResult written =
            RunCli(folder, "--port ftdi" + board + " --fast write \"" + c.firmware + "\"");
        ASSERT_EQ(written.exitCode, 0u) << written.output;
        EXPECT_NE(written.output.find("Wrote and verified"), std::string::npos) << written.output;
        ExpectSafeEnd(TakeReport());

        const ProgramResult verified =
            RunCli(folder, "--port ftdi:FT0TALLIS" + board + " verify \"" + c.firmware + "\"");
        EXPECT_EQ(verified.exitCode, 0u) << verified.output;
        ExpectSafeEnd(TakeReport());
    }
}

// The device pulled out during a write: a port error (exit status 3) that
// says what happened, with VPP off and the pins let go.
TEST(CliThroughD2xx, ALostDeviceEndsTheCommandAsAPortError) {
    const std::string folder = D2xxFolder();
    FakeDeviceSettings settings{{"TALLIS_FAKE_FTDI_UNPLUG", "3000"},
                                {"TALLIS_FAKE_FTDI_REPORT", kReportPath}};

    const ProgramResult lost =
        RunCli(folder, "--port ftdi --fast write \"" + ProgramFolder() + "\\blink877a.hex\"");

    EXPECT_EQ(lost.exitCode, static_cast<DWORD>(kExitNoPortAccess)) << lost.output;
    EXPECT_NE(lost.output.find("the FTDI device failed during the command"), std::string::npos)
        << lost.output;
    ExpectLetGo(TakeReport());
}

// Without the library, or without the device, or with another device than
// the one asked for: exit status 3 and what to do.
TEST(CliThroughD2xx, AMissingLibraryOrDeviceEndsWithNoPortAccess) {
    const std::string none = ProgramFolder() + "\\d2xx-none";
    const ProgramResult noLibrary = RunCli(none, "--port ftdi identify");
    EXPECT_EQ(noLibrary.exitCode, static_cast<DWORD>(kExitNoPortAccess));
    EXPECT_EQ(noLibrary.output,
              "tallis-cli: ftd2xx.dll (FTDI's D2XX driver) was found neither in " + none +
                  " nor on the DLL search path: install FTDI's driver package "
                  "(CDM), which puts it in the system folder\n");

    const ProgramResult wrongSerial = RunCli(D2xxFolder(), "--port ftdi:NOPE identify");
    EXPECT_EQ(wrongSerial.exitCode, static_cast<DWORD>(kExitNoPortAccess));
    EXPECT_NE(wrongSerial.output.find("no FTDI device with serial number NOPE; there are: "
                                      "ftdi:FT0TALLIS"),
              std::string::npos)
        << wrongSerial.output;

    FakeDeviceSettings unplugged{{"TALLIS_FAKE_FTDI_ABSENT", "1"}};
    const ProgramResult noDevice = RunCli(D2xxFolder(), "--port ftdi identify");
    EXPECT_EQ(noDevice.exitCode, static_cast<DWORD>(kExitNoPortAccess));
    EXPECT_NE(noDevice.output.find("no FTDI device found"), std::string::npos) << noDevice.output;
}

}  // namespace
}  // namespace tallis
