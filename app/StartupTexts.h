#pragma once

#include <string>
#include <string_view>

namespace tallis {

inline constexpr std::string_view kDriverStartedStatus = "Driver successfully started !";

// The message of the start-up step when port access is unavailable: two texts
// joined with nothing between them. It names what is missing on this platform.
std::string MissingDriverText();

}  // namespace tallis
