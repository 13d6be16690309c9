#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace tallis {

// A file written whole or not at all: everything goes to a temporary file in
// the target's folder, which Commit flushes to the disk and renames over the
// target in one step. Until then, and whenever something fails, the target
// keeps what it held; an uncommitted temporary file is removed.
//
// What stands at the path is respected as cp and compilers respect it: a
// symbolic link is followed and the file it names is replaced; a replaced
// file keeps its mode; a read-only file is refused; a path that is not a
// regular file (a device, a FIFO, /dev/stdout) is opened and written in
// place, with nothing created beside it.
class AtomicFile {
  public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Why the file could not be written, found without changing anything,
    // so that a run can refuse before it starts; empty when it can.
    std::string Check() const;
    // Creates the temporary file and opens Stream on it. Returns an empty
    // string or why the file cannot be written.
    std::string Create();
    std::ofstream& Stream() { return stream_; }
    // Where the data goes until Commit, for writers that take a path: the
    // temporary file, or the target itself when it is written in place.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }
    const std::filesystem::path& Target() const { return target_; }

    // Closes the stream, flushes the file to the disk and renames it into
    // place. Returns an empty string or what failed (the target is unchanged).
    std::string Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

  private:
    std::filesystem::path target_;
    std::filesystem::path destination_;  // the target with its links followed
    std::filesystem::path temporary_;
    bool inPlace_ = false;
    std::ofstream stream_;
    bool pending_ = false;
};

}  // namespace tallis
