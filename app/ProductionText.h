#pragma once

#include <optional>
#include <string>

#include "app/ProductionRun.h"

namespace tallis {

// What went wrong with a chip of a production run, in one line; empty when
// it passed.
std::string ChipRunProblem(const ChipRun& run, const Device* asked);

// The first location that did not hold what was written, when that is why
// the chip failed.
std::optional<std::string> FirstDifference(const ChipRun& run);

}  // namespace tallis
