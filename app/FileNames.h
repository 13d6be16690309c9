#pragma once

#include <filesystem>
#include <string>

namespace tallis {

// A path as the user sees it in a message (UTF-8).
std::string PathText(const std::filesystem::path& path);

}  // namespace tallis
