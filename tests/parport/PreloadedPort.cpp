// Preloaded into a program (LD_PRELOAD), this serves a parallel port that the
// machine does not have: /proc/sys/dev/parport/parport0/base-addr names its
// base address and /dev/parport0 answers the ppdev requests from the simulated
// interface board and chip (FakeParport). Everything else goes to the C
// library. Direct port access (ioperm) is refused, as for a user who is not
// root, so that a program never falls back to real I/O ports.
//
// The calls intercepted are the ones the port client makes: open (the device),
// close and ioctl; openat (listing the /proc folder) and fopen (reading
// base-addr). The /proc folder is a real one in a temporary folder, made on
// first use, so that the C library lists and reads it itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "FakeParport.h"

namespace tallis::testing {
namespace {

constexpr std::string_view kProcFolder = "/proc/sys/dev/parport";
constexpr std::string_view kDevicePath = "/dev/parport0";
// The extended registers of an ECP port lie 0x400 above the base.
constexpr unsigned kExtendedOffset = 0x400;

// The open device's descriptor; -1 while it is closed. Read by every close and
// ioctl, so it is kept outside the port's lock.
std::atomic<int> gDeviceFd{-1};

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool IsProcPath(std::string_view path) {
    return path.starts_with(kProcFolder) &&
           (path.size() == kProcFolder.size() || path[kProcFolder.size()] == '/');
}

void Die(const std::string& why) {
    std::fprintf(stderr, "tallis-fake-parport: %s\n", why.c_str());
    std::_Exit(125);
}

// The port of this process. Made on first use and never destroyed, so that a
// call from another library's clean-up still finds it; at exit it saves the
// chip's memory and writes the report.
class PreloadedPort {
  public:
    static PreloadedPort& Instance() {
        static PreloadedPort* const port = new PreloadedPort();
        return *port;
    }

    std::string ProcPath(std::string_view path) {
        std::call_once(procMade_, [this] { MakeProcFolder(); });
        return procRoot_.string() + std::string(path.substr(std::string_view("/proc").size()));
    }

    int OpenDevice(int flags) {
        std::lock_guard lock(mutex_);
        if (int error = port_.Open(); error != 0) {
            errno = error;
            return -1;
        }
        static const auto realOpen = Next<int (*)(const char*, int, ...)>("open");
        const int fd = realOpen("/dev/null", O_RDWR | (flags & O_CLOEXEC));
        if (fd < 0) {
            port_.Close();
            return -1;
        }
        gDeviceFd = fd;
        return fd;
    }

    void CloseDevice() {
        std::lock_guard lock(mutex_);
        port_.Close();
        gDeviceFd = -1;
    }

    int Ioctl(unsigned long request, void* argument) {
        int error = 0;
        bool interrupt = false;
        {
            std::lock_guard lock(mutex_);
            error = port_.Ioctl(request, argument);
            interrupt = port_.TakeInterrupt();
        }
        // Outside the lock: the program's handler may reach the port.
        if (interrupt) {
            kill(getpid(), SIGINT);
        }
        if (error != 0) {
            errno = error;
            return -1;
        }
        return 0;
    }

  private:
    PreloadedPort() : port_(Options()) {
        if (std::string error = port_.LoadState(); !error.empty()) {
            Die("cannot load the chip's memory: " + error);
        }
        std::atexit([] { Instance().Finish(); });
    }

    static FakeParportOptions Options() {
        FakeParportSetup setup = ReadFakeParportOptions(
            [](const char* name) { return static_cast<const char*>(std::getenv(name)); });
        if (!setup.error.empty()) {
            Die(setup.error);
        }
        return setup.options;
    }

    void MakeProcFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallis-fake-proc-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            Die("cannot make a temporary folder");
        }
        procRoot_ = pattern;
        const std::filesystem::path parport = procRoot_ / "sys/dev/parport/parport0";
        std::filesystem::create_directories(parport);
        std::ofstream(parport / "base-addr")
            << port_.Options().base << '\t' << port_.Options().base + kExtendedOffset << '\n';
    }

    void Finish() {
        std::lock_guard lock(mutex_);
        if (!procRoot_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(procRoot_, ignored);
        }
        if (std::string error = port_.SaveState(); !error.empty()) {
            Die("cannot save the chip's memory: " + error);
        }
        const std::string& reportPath = port_.Options().reportPath;
        if (!reportPath.empty() && !(std::ofstream(reportPath) << port_.Report())) {
            Die("cannot write the report to " + reportPath);
        }
    }

    std::mutex mutex_;
    FakeParport port_;
    std::once_flag procMade_;
    std::filesystem::path procRoot_;
};

// Where a path really is: the fake /proc folder, or the path itself.
std::optional<std::string> Redirected(const char* path) {
    if (path == nullptr || !IsProcPath(path)) {
        return std::nullopt;
    }
    return PreloadedPort::Instance().ProcPath(path);
}

mode_t ModeArgument(int flags, va_list& arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

template <typename RealOpen>
int OpenPath(RealOpen realOpen, const char* path, int flags, mode_t mode) {
    if (path != nullptr && path == kDevicePath) {
        return PreloadedPort::Instance().OpenDevice(flags);
    }
    if (std::optional<std::string> redirected = Redirected(path)) {
        return realOpen(redirected->c_str(), flags, mode);
    }
    return realOpen(path, flags, mode);
}

template <typename RealOpenAt>
int OpenPathAt(RealOpenAt realOpenAt, int dirFd, const char* path, int flags, mode_t mode) {
    if (std::optional<std::string> redirected = Redirected(path)) {
        return realOpenAt(dirFd, redirected->c_str(), flags, mode);
    }
    return realOpenAt(dirFd, path, flags, mode);
}

template <typename RealFopen>
FILE* FopenPath(RealFopen realFopen, const char* path, const char* mode) {
    if (std::optional<std::string> redirected = Redirected(path)) {
        return realFopen(redirected->c_str(), mode);
    }
    return realFopen(path, mode);
}

// Loads the port with the library, so that it exists, and reports, even when
// the program never reaches it.
[[gnu::constructor]] void MakePortAtLoad() {
    PreloadedPort::Instance();
}

}  // namespace
}  // namespace tallis::testing

using tallis::testing::FopenPath;
using tallis::testing::gDeviceFd;
using tallis::testing::ModeArgument;
using tallis::testing::Next;
using tallis::testing::OpenPath;
using tallis::testing::OpenPathAt;
using tallis::testing::PreloadedPort;

extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(const char*, int, ...)>("open");
    return OpenPath(real, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(const char*, int, ...)>("open64");
    return OpenPath(real, path, flags, mode);
}

int openat(int dirFd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return OpenPathAt(real, dirFd, path, flags, mode);
}

int openat64(int dirFd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
    return OpenPathAt(real, dirFd, path, flags, mode);
}

FILE* fopen(const char* path, const char* mode) {
    static const auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
    return FopenPath(real, path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    static const auto real = Next<FILE* (*)(const char*, const char*)>("fopen64");
    return FopenPath(real, path, mode);
}

int close(int fd) {
    static const auto real = Next<int (*)(int)>("close");
    if (fd >= 0 && fd == gDeviceFd) {
        PreloadedPort::Instance().CloseDevice();
    }
    return real(fd);
}

int ioctl(int fd, unsigned long request, ...) __THROW {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (fd >= 0 && fd == gDeviceFd) {
        return PreloadedPort::Instance().Ioctl(request, argument);
    }
    static const auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

int ioperm(unsigned long, unsigned long, int) __THROW {
    errno = EPERM;
    return -1;
}

}  // extern "C"
