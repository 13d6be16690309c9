#pragma once

#include <string>
#include <string_view>

namespace tallis {

// The SHA-256 digest (FIPS 180-4) of the bytes, as 64 lower-case
// hexadecimal digits: what sha256sum prints for a file of those bytes.
std::string Sha256Hex(std::string_view bytes);

}  // namespace tallis
