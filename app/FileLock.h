#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace tallis {

// An exclusive lock, held until destruction, on "<file>.lock" beside a file
// that one run at a time may read and rewrite. The lock file is left behind:
// removing it would let a waiting run lock a file that a newer run no longer
// sees. The lock is the system's (flock, LockFileEx), so it ends with the
// process whatever way that ends.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock, waiting while another process holds it: beforeWaiting
    // runs once if it has to wait, and giveUp is asked between tries. Returns
    // an empty string or why the lock was not taken.
    std::string Acquire(const std::filesystem::path& file,
                        const std::function<void()>& beforeWaiting,
                        const std::function<bool()>& giveUp);

  private:
    // One attempt without waiting: true when the lock is now held; error is
    // set when trying again cannot help.
    bool TryLock(std::string& error);
    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace tallis
