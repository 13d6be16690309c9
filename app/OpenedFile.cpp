#include "app/OpenedFile.h"

namespace tallis {

void OpenedFile::Opened(const std::filesystem::path& path) {
    path_ = path;
    stamp_ = StampOf(path);
}

bool OpenedFile::ChangedOnDisk() const {
    return path_ && StampOf(*path_) != stamp_;
}

std::optional<OpenedFile::Stamp> OpenedFile::StampOf(const std::filesystem::path& path) {
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return std::nullopt;
    }
    return Stamp{modified, size};
}

}  // namespace tallis
