#include "app/MessageLines.h"

namespace tallis {

std::string DisplayLines(const std::string& stored) {
    std::string shown;
    shown.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\n' && i + 1 < stored.size() && stored[i + 1] == '\r') {
            shown += '\n';
            ++i;
        } else {
            shown += stored[i] == '\r' ? '\n' : stored[i];
        }
    }
    return shown;
}

}  // namespace tallis
