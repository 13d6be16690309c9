#pragma once

#include <string>
#include <vector>

#include "engine/OperationResult.h"

namespace tallis {

// The one way every front end lists differences: the first
// OperationResult::kMaxDifferences, one a line ("program memory 0x0005:
// expected 0x0005, read 0x2D55"), then "... and 3 more" when there are more.
std::vector<std::string> DifferenceLines(const std::vector<Difference>& differences);

}  // namespace tallis
