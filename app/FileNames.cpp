#include "app/FileNames.h"

#include <fstream>

namespace tallis {

std::string PathText(const std::filesystem::path& path) {
    const auto utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

bool CanWrite(const std::filesystem::path& path) {
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    bool writable = static_cast<bool>(std::ofstream(path, std::ios::app | std::ios::binary));
    if (writable && !existed) {
        std::filesystem::remove(path, error);
    }
    return writable;
}

}  // namespace tallis
