#include "app/AtomicFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "app/FileNames.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
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

// The file a path names once its symbolic links are followed; a link that
// still leads to a link after this many hops is a loop.
constexpr int kMaxLinkHops = 40;

std::filesystem::path FollowLinks(std::filesystem::path path) {
    std::error_code error;
    for (int hops = 0; hops < kMaxLinkHops && std::filesystem::is_symlink(path, error); ++hops) {
        std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error) {
            break;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

// A read-only file is the user's way of saying "keep this"; renaming over it
// would need only the folder's permission, and root ignores file modes.
bool IsWritable(const std::filesystem::path& path) {
    std::error_code error;
    const auto perms = std::filesystem::status(path, error).permissions();
    constexpr auto kAnyWrite = std::filesystem::perms::owner_write |
                               std::filesystem::perms::group_write |
                               std::filesystem::perms::others_write;
    if (error || (perms & kAnyWrite) == std::filesystem::perms::none) {
        return false;
    }
#ifndef _WIN32
    return access(path.c_str(), W_OK) == 0;
#else
    return true;
#endif
}

// Tries the temporary name for real: a folder that is missing or not
// writable, or a name too long once made hidden and numbered, shows here.
std::string TryTemporary(const std::filesystem::path& temporary) {
    std::error_code error;
    if (std::filesystem::exists(temporary, error)) {
        return {};
    }
    if (!std::ofstream(temporary, std::ios::out | std::ios::binary)) {
        return std::strerror(errno);
    }
    std::filesystem::remove(temporary, error);
    return {};
}

// The replaced file's mode and, where the system lets us, its owner.
void KeepModeOf(const std::filesystem::path& original, const std::filesystem::path& copy) {
    std::error_code error;
    const auto status = std::filesystem::status(original, error);
    if (error || !std::filesystem::is_regular_file(status)) {
        return;
    }
    std::filesystem::permissions(copy, status.permissions(), error);
#ifndef _WIN32
    struct stat info {};
    if (stat(original.c_str(), &info) == 0 && chown(copy.c_str(), info.st_uid, info.st_gid) != 0) {
        // Only root may give a file away; an unchanged owner is what any
        // other user's editor leaves too.
    }
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target)
    : target_(std::move(target)), destination_(FollowLinks(target_)) {
    std::error_code error;
    const auto status = std::filesystem::status(destination_, error);
    inPlace_ = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
               !std::filesystem::is_directory(status);
    if (inPlace_) {
        temporary_ = destination_;
        return;
    }
    // Hidden, and named after the process: runs writing the same target at
    // once each have their own.
    std::filesystem::path name = ".";
    name += destination_.filename();
    name += ".tallis-" + std::to_string(ProcessId()) + ".tmp";
    temporary_ = destination_.parent_path() / name;
}

AtomicFile::~AtomicFile() {
    Discard();
}

std::string AtomicFile::Check() const {
    std::error_code error;
    if (std::filesystem::is_symlink(destination_, error)) {
        return "too many levels of symbolic links";
    }
    if (std::filesystem::is_directory(destination_, error)) {
        return "it is a folder";
    }
    if (inPlace_ || std::filesystem::exists(destination_, error)) {
        if (!IsWritable(destination_)) {
            return "permission denied";
        }
        if (inPlace_) {
            return {};
        }
    }
    const std::filesystem::path folder =
        destination_.has_parent_path() ? destination_.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, error)) {
        return "the folder " + PathText(folder) + " does not exist";
    }
    return TryTemporary(temporary_);
}

std::string AtomicFile::Create() {
    if (std::string problem = Check(); !problem.empty()) {
        return "cannot write " + PathText(target_) + ": " + problem;
    }
    if (inPlace_) {
        stream_.open(temporary_, std::ios::out | std::ios::binary);
        if (!stream_) {
            return "cannot write " + PathText(target_) + ": " + std::strerror(errno);
        }
        return {};
    }
    stream_.open(temporary_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream_) {
        return "cannot create a file in the folder of " + PathText(target_) + ": " +
               std::strerror(errno);
    }
    pending_ = true;
    KeepModeOf(destination_, temporary_);
    return {};
}

std::string AtomicFile::Commit() {
    if (stream_.is_open()) {
        stream_.close();
    }
    if (inPlace_) {
        return stream_ ? std::string{} : "writing " + PathText(target_) + " failed";
    }
    if (!stream_ || !SyncToDisk(temporary_)) {
        Discard();
        return "writing " + PathText(target_) + " failed";
    }
    if (std::string error = RenameOver(temporary_, destination_); !error.empty()) {
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
