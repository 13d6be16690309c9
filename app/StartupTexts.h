#pragma once

#include <string>
#include <string_view>

namespace tallis {

inline constexpr std::string_view kDriverStartedStatus = "Driver successfully started !";

// The message of the start-up step when port access is unavailable. It names
// what is missing on this platform; on Windows, for the driver the start-up
// tried (see PortDriverTried).
std::string MissingDriverText();

}  // namespace tallis
