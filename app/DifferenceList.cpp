#include "app/DifferenceList.h"

#include <algorithm>

#include "engine/ResultText.h"

namespace tallis {

std::vector<std::string> DifferenceLines(const std::vector<Difference>& differences) {
    std::vector<std::string> lines;
    const std::size_t listed = std::min(differences.size(), OperationResult::kMaxDifferences);
    for (std::size_t i = 0; i < listed; ++i) {
        lines.push_back(DifferenceText(differences[i]));
    }
    if (differences.size() > listed) {
        lines.push_back("... and " + std::to_string(differences.size() - listed) + " more");
    }
    return lines;
}

}  // namespace tallis
