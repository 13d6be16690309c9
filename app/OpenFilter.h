#pragma once

namespace tallis {

// The Open dialog's filter as the program stores it: description|pattern pairs.
inline constexpr const char* kHexFileFilter = "Intel hex  file|*.hex|All  files|*.*";

}  // namespace tallis
