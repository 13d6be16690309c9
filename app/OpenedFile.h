#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace tallis {

// The HEX file a window has open, and whether it changed on disk since it was
// read: a command then reads it again instead of using the old copy.
class OpenedFile {
  public:
    void Opened(const std::filesystem::path& path);
    bool IsOpen() const { return path_.has_value(); }
    const std::filesystem::path& Path() const { return *path_; }
    // True when the file's time or size differs from when it was read, or it is gone.
    bool ChangedOnDisk() const;

  private:
    struct Stamp {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::optional<Stamp> StampOf(const std::filesystem::path& path);

    std::optional<std::filesystem::path> path_;
    std::optional<Stamp> stamp_;
};

}  // namespace tallis
