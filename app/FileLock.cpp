#include "app/FileLock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/FileNames.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tallis {

namespace {

// How long a waiting run sleeps between tries: short next to any run.
constexpr auto kRetryInterval = std::chrono::milliseconds(10);

}  // namespace

std::string FileLock::Acquire(const std::filesystem::path& file,
                              const std::function<void()>& beforeWaiting,
                              const std::function<bool()>& giveUp) {
    path_ = file;
    path_ += ".lock";
    std::string error;
    if (TryLock(error)) {
        return {};
    }
    if (!error.empty()) {
        return error;
    }
    beforeWaiting();
    while (!giveUp()) {
        std::this_thread::sleep_for(kRetryInterval);
        if (TryLock(error)) {
            return {};
        }
        if (!error.empty()) {
            return error;
        }
    }
    return "gave up waiting for " + PathText(path_);
}

#ifdef _WIN32

FileLock::~FileLock() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

bool FileLock::TryLock(std::string& error) {
    if (handle_ == nullptr) {
        HANDLE handle = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = "cannot open the lock file " + PathText(path_) + " (system error " +
                    std::to_string(GetLastError()) + ")";
            return false;
        }
        handle_ = handle;
    }
    OVERLAPPED whole{};
    if (LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        return true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
        error = "cannot lock " + PathText(path_) + " (system error " +
                std::to_string(GetLastError()) + ")";
    }
    return false;
}

#else

FileLock::~FileLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool FileLock::TryLock(std::string& error) {
    if (fd_ < 0) {
        fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            error = "cannot open the lock file " + PathText(path_) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
        error = "cannot lock " + PathText(path_) + ": " + std::strerror(errno);
    }
    return false;
}

#endif

}  // namespace tallis
