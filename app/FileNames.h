#pragma once

#include <filesystem>
#include <string>

namespace tallis {

// A path as the user sees it in a message (UTF-8).
std::string PathText(const std::filesystem::path& path);

// True when the file can be written later without changing it now: an
// existing file is opened for appending, a new one created and removed again.
bool CanWrite(const std::filesystem::path& path);

}  // namespace tallis
