#include "app/AtomicFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "app/FileNames.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tallis {

namespace {

int ProcessId() {
#ifdef _WIN32
    return static_cast<int>(GetCurrentProcessId());
#else
    return static_cast<int>(getpid());
#endif
}

// Data that is still in the system's cache would be lost with a power cut
// after the rename, leaving an empty target behind.
bool SyncToDisk(const std::filesystem::path& path) {
#ifdef _WIN32
    int fd = _wopen(path.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        return false;
    }
    bool synced = _commit(fd) == 0;
    _close(fd);
#else
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool synced = fsync(fd) == 0;
    close(fd);
#endif
    return synced;
}

// Replaces the target in one step, also where it exists.
std::string RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return "system error " + std::to_string(GetLastError());
    }
    return {};
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return std::strerror(errno);
    }
    return {};
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    // Hidden, and named after the process: runs writing the same target at
    // once each have their own.
    std::filesystem::path name = ".";
    name += target_.filename();
    name += ".tallis-" + std::to_string(ProcessId()) + ".tmp";
    temporary_ = target_.parent_path() / name;
}

AtomicFile::~AtomicFile() {
    Discard();
}

std::string AtomicFile::Create() {
    stream_.open(temporary_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream_) {
        return "cannot create a file in the folder of " + PathText(target_) + ": " +
               std::strerror(errno);
    }
    pending_ = true;
    return {};
}

std::string AtomicFile::Commit() {
    if (stream_.is_open()) {
        stream_.close();
    }
    if (!stream_ || !SyncToDisk(temporary_)) {
        Discard();
        return "writing " + PathText(target_) + " failed";
    }
    if (std::string error = RenameOver(temporary_, target_); !error.empty()) {
        Discard();
        return "cannot put " + PathText(target_) + " in place: " + error;
    }
    pending_ = false;
    return {};
}

void AtomicFile::Discard() {
    if (stream_.is_open()) {
        stream_.close();
    }
    if (pending_) {
        std::error_code error;
        std::filesystem::remove(temporary_, error);
        pending_ = false;
    }
}

}  // namespace tallis
