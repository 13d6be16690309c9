#pragma once

#include <string>

namespace tallis {

// The stored message texts carry their own line breaks as "\n\r" and "\r".
// For display each "\n\r" becomes one "\n" and every other "\r" one more; the
// stored texts themselves stay as they are.
std::string DisplayLines(const std::string& stored);

}  // namespace tallis
