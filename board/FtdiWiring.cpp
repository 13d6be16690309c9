#include "board/FtdiWiring.h"

#include <algorithm>

namespace tallis::board {

namespace {

constexpr FtdiWiring kWirings[] = {kFt232rHighVoltage, kFt232rHighVoltageSplit, kFt232rLowVoltage};

}  // namespace

std::span<const FtdiWiring> FtdiWirings() {
    return kWirings;
}

const FtdiWiring* FindFtdiWiring(std::string_view name) {
    const auto* found =
        std::ranges::find_if(kWirings, [name](const FtdiWiring& w) { return w.name == name; });
    return found == std::end(kWirings) ? nullptr : found;
}

}  // namespace tallis::board
