#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "portio/LinuxPortAccess.h"
#include "portio/ParportDirectory.h"

namespace tallis {
namespace {

namespace fs = std::filesystem;

// A /proc tree in a temporary folder, removed at the end.
class FakeProc {
  public:
    FakeProc() : root_(fs::temp_directory_path() / ("tallis-proc-" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "sys/dev/parport/default");
    }
    ~FakeProc() { fs::remove_all(root_); }

    void AddPort(const std::string& name, const std::string& baseAddr) {
        fs::create_directories(root_ / "sys/dev/parport" / name);
        std::ofstream(root_ / "sys/dev/parport" / name / "base-addr") << baseAddr;
    }
    std::string Root() const { return root_.string(); }

  private:
    fs::path root_;
};

std::string RequestName(unsigned long request) {
    static const std::map<unsigned long, std::string> kNames = {
        {PPEXCL, "PPEXCL"},         {PPCLAIM, "PPCLAIM"},       {PPRELEASE, "PPRELEASE"},
        {PPWDATA, "PPWDATA"},       {PPRDATA, "PPRDATA"},       {PPRSTATUS, "PPRSTATUS"},
        {PPWCONTROL, "PPWCONTROL"}, {PPRCONTROL, "PPRCONTROL"},
    };
    auto found = kNames.find(request);
    return found == kNames.end() ? "?" : found->second;
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// Logs every call; open errors by path, ioctl errors by request name.
class FakeLinuxPortSystem : public LinuxPortSystem {
  public:
    std::map<std::string, int> openErrors;
    std::map<std::string, int> ioctlErrors;
    int iopermError = 0;
    std::uint8_t registerValue = 0x7F;
    std::vector<std::string> calls;

    int Open(const std::string& path, int& fd) override {
        calls.push_back("open " + path);
        auto error = openErrors.find(path);
        if (error != openErrors.end()) {
            fd = -1;
            return error->second;
        }
        fd = nextFd_++;
        return 0;
    }
    void Close(int fd) override { calls.push_back("close " + std::to_string(fd)); }
    int Ioctl(int fd, unsigned long request, std::uint8_t* value) override {
        std::string name = RequestName(request);
        std::string call = "ioctl " + std::to_string(fd) + " " + name;
        bool writes = request == PPWDATA || request == PPWCONTROL;
        if (writes) {
            call += " " + Hex(*value);
        }
        calls.push_back(call);
        auto error = ioctlErrors.find(name);
        if (error != ioctlErrors.end()) {
            return error->second;
        }
        if (value != nullptr && !writes) {
            *value = registerValue;
        }
        return 0;
    }
    int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) override {
        calls.push_back("ioperm " + Hex(from) + " " + std::to_string(count) + " " +
                        (enable ? "on" : "off"));
        return enable ? iopermError : 0;
    }
    void OutByte(std::uint16_t port, std::uint8_t value) override {
        calls.push_back("outb " + Hex(port) + " " + Hex(value));
    }
    std::uint8_t InByte(std::uint16_t port) override {
        calls.push_back("inb " + Hex(port));
        return registerValue;
    }

  private:
    int nextFd_ = 3;
};

bool NothingReachedAPort(const std::vector<std::string>& calls) {
    for (const std::string& call : calls) {
        bool access = call.find("PPW") != std::string::npos ||
                      call.find("PPR") != std::string::npos || call.rfind("outb", 0) == 0 ||
                      call.rfind("inb", 0) == 0;
        if (access && call.find("PPRELEASE") == std::string::npos) {
            return false;
        }
    }
    return true;
}

TEST(ParportDirectory, FindsThePortWhoseBaseAddressMatches) {
    FakeProc proc;
    proc.AddPort("parport0", "888\t1912\n");
    proc.AddPort("parport1", "632\t-1\n");
    proc.AddPort("parport2", "not a number\n");
    proc.AddPort("parport12", "956\n");
    proc.AddPort("parportx", "956\n");
    struct Case {
        std::uint16_t base;
        std::optional<int> number;
    };
    const Case cases[] = {
        {0x378, 0}, {0x278, 1}, {0x3BC, 12}, {0x37A, std::nullopt}, {0, std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(FindParportForBase(proc.Root(), c.base), c.number) << std::hex << c.base;
    }
    EXPECT_EQ(FindParportForBase(proc.Root() + "/missing", 0x378), std::nullopt);
}

TEST(LinuxPortAccess, ClaimsTheMatchingDeviceAndMapsTheRegisters) {
    FakeProc proc;
    proc.AddPort("parport0", "632\t-1\n");
    proc.AddPort("parport1", "888\t-1\n");
    FakeLinuxPortSystem system;
    LinuxPortAccess access(system, proc.Root(), "/fakedev");

    const std::uint16_t base[] = {0x378};
    ASSERT_TRUE(access.Startup(base));
    EXPECT_TRUE(access.StartupFailure().empty());
    EXPECT_TRUE(access.ThroughDevice(0x378));
    access.WriteByte(0x378, 0x0B);
    access.WriteByte(0x37A, 0x01);  // raw: no bit inverted
    access.WriteByte(0x379, 0x55);  // status is read-only
    system.registerValue = 0x40;
    EXPECT_EQ(access.ReadByte(0x379), 0x40);
    EXPECT_EQ(access.ReadByte(0x378), 0x40);
    EXPECT_EQ(access.ReadByte(0x37A), 0x40);
    access.WriteByte(0x278, 0x01);  // not claimed
    EXPECT_EQ(access.ReadByte(0x37B), 0xFF);
    access.Exit();
    EXPECT_FALSE(access.Started());
    access.WriteByte(0x378, 0x03);

    const std::vector<std::string> expected = {"open /fakedev/parport1", "ioctl 3 PPEXCL",
                                               "ioctl 3 PPCLAIM",        "ioctl 3 PPWDATA B",
                                               "ioctl 3 PPWCONTROL 1",   "ioctl 3 PPRSTATUS",
                                               "ioctl 3 PPRDATA",        "ioctl 3 PPRCONTROL",
                                               "ioctl 3 PPRELEASE",      "close 3"};
    EXPECT_EQ(system.calls, expected);
}

TEST(LinuxPortAccess, FailedRequestsAreCountedAndReadNothing) {
    FakeProc proc;
    proc.AddPort("parport0", "888\t-1\n");
    FakeLinuxPortSystem system;
    LinuxPortAccess access(system, proc.Root(), "/fakedev");
    const std::uint16_t base[] = {0x378};
    ASSERT_TRUE(access.Startup(base));
    access.WriteByte(0x378, 0x0B);
    EXPECT_EQ(access.FailedAccesses(), 0u);
    system.ioctlErrors["PPWCONTROL"] = EIO;
    system.ioctlErrors["PPRSTATUS"] = EIO;
    access.WriteByte(0x37A, 0x01);
    EXPECT_EQ(access.ReadByte(0x379), 0xFF);
    access.WriteByte(0x378, 0x0A);
    EXPECT_EQ(access.FailedAccesses(), 2u);
}

TEST(LinuxPortAccess, AMissingOrBusyDeviceIsAFailureWithoutFallback) {
    struct Case {
        const char* name;
        std::map<std::string, int> openErrors;
        std::map<std::string, int> ioctlErrors;
        const char* failureMentions;
    };
    const Case cases[] = {
        {"no permission", {{"/fakedev/parport0", EACCES}}, {}, "'lp'"},
        {"no device node", {{"/fakedev/parport0", ENOENT}}, {}, "ppdev"},
        {"exclusive refused", {}, {{"PPEXCL", EBUSY}}, "in use"},
        {"claimed by another", {}, {{"PPCLAIM", EBUSY}}, "in use"},
    };
    for (const Case& c : cases) {
        FakeProc proc;
        proc.AddPort("parport0", "888\t-1\n");
        FakeLinuxPortSystem system;
        system.openErrors = c.openErrors;
        system.ioctlErrors = c.ioctlErrors;
        LinuxPortAccess access(system, proc.Root(), "/fakedev");

        const std::uint16_t base[] = {0x378};
        EXPECT_FALSE(access.Startup(base)) << c.name;
        access.WriteByte(0x378, 0x03);
        access.WriteByte(0x37A, 0x00);
        EXPECT_EQ(access.ReadByte(0x379), 0xFF) << c.name;

        EXPECT_TRUE(NothingReachedAPort(system.calls)) << c.name;
        EXPECT_EQ(
            std::count_if(system.calls.begin(), system.calls.end(),
                          [](const std::string& call) { return call.rfind("ioperm", 0) == 0; }),
            0)
            << c.name;
        EXPECT_NE(access.StartupFailure().find("/fakedev/parport0"), std::string::npos) << c.name;
        EXPECT_NE(access.StartupFailure().find(c.failureMentions), std::string::npos) << c.name;
        bool openedThenClosed = c.openErrors.empty() == (system.calls.back() == "close 3");
        EXPECT_TRUE(openedThenClosed) << c.name;
    }
}

TEST(LinuxPortAccess, FallsBackToDirectAccessWhenNoDeviceHasTheBase) {
    for (int iopermError : {0, EPERM}) {
        FakeProc proc;
        proc.AddPort("parport0", "888\t-1\n");
        FakeLinuxPortSystem system;
        system.iopermError = iopermError;
        LinuxPortAccess access(system, proc.Root(), "/fakedev");

        const std::uint16_t base[] = {0x2F8};
        EXPECT_EQ(access.Startup(base), iopermError == 0);
        EXPECT_FALSE(access.ThroughDevice(0x2F8));
        access.WriteByte(0x2FA, 0x09);
        access.ReadByte(0x2F9);
        access.Exit();

        std::vector<std::string> expected = {"ioperm 2F8 3 on"};
        if (iopermError == 0) {
            expected.insert(expected.end(), {"outb 2FA 9", "inb 2F9", "ioperm 2F8 3 off"});
        } else {
            EXPECT_NE(access.StartupFailure().find("root"), std::string::npos);
        }
        EXPECT_EQ(system.calls, expected) << iopermError;
    }
}

TEST(LinuxPortAccess, StartsWhenAnyOfSeveralBasesIsClaimed) {
    FakeProc proc;
    proc.AddPort("parport0", "888\t-1\n");
    FakeLinuxPortSystem system;
    system.iopermError = EPERM;
    LinuxPortAccess access(system, proc.Root(), "/fakedev");

    EXPECT_TRUE(access.Startup(std::array<std::uint16_t, 3>{0x378, 0x278, 0x378}));
    EXPECT_TRUE(access.HasPort(0x378));
    EXPECT_FALSE(access.HasPort(0x278));
    EXPECT_NE(access.StartupFailure().find("0x278"), std::string::npos);
    EXPECT_EQ(access.StartupFailure().find("0x378"), std::string::npos);
    system.calls.clear();
    access.WriteByte(0x278, 0x01);
    EXPECT_TRUE(system.calls.empty());

    // A second start-up releases what the first claimed before claiming again.
    const std::uint16_t secondBase[] = {0x378};
    EXPECT_TRUE(access.Startup(secondBase));
    EXPECT_EQ(system.calls,
              (std::vector<std::string>{"ioctl 3 PPRELEASE", "close 3", "open /fakedev/parport0",
                                        "ioctl 4 PPEXCL", "ioctl 4 PPCLAIM"}));
}

}  // namespace
}  // namespace tallis
