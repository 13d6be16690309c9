#include "board/FtdiWiring.h"

#include <algorithm>

namespace tallis::board {

namespace {

// One row a line, so that a new wiring is a line of its own.
constexpr FtdiWiring kWirings[] = {
    kFt232rHighVoltage,      kFt232rHighVoltageSplit, kFt232rLowVoltage,        kFt232hHighVoltage,
    kFt232hHighVoltageSplit, kFt2232hHighVoltage,     kFt2232hHighVoltageSplit,
};

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
