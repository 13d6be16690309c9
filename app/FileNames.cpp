#include "app/FileNames.h"

namespace tallis {

std::string PathText(const std::filesystem::path& path) {
    const auto utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

}  // namespace tallis
