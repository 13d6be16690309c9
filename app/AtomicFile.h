#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace tallis {

// A file written whole or not at all: everything goes to a temporary file in
// the target's folder, which Commit flushes to the disk and renames over the
// target in one step. Until then, and whenever something fails, the target
// keeps what it held; an uncommitted temporary file is removed.
class AtomicFile {
  public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file and opens Stream on it. Returns an empty
    // string or why the file cannot be written.
    std::string Create();
    std::ofstream& Stream() { return stream_; }
    // Where the temporary file is, for writers that take a path.
    const std::filesystem::path& TemporaryPath() const { return temporary_; }
    const std::filesystem::path& Target() const { return target_; }

    // Closes the stream, flushes the file to the disk and renames it into
    // place. Returns an empty string or what failed (the target is unchanged).
    std::string Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

  private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::ofstream stream_;
    bool pending_ = false;
};

}  // namespace tallis
