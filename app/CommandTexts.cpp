#include "app/CommandTexts.h"

#include <cstdio>

namespace tallis {

std::string CancelledStatus(std::uint16_t wordAddress) {
    char text[40];
    std::snprintf(text, sizeof text, "Cancelled at %04XH; VPP off", unsigned{wordAddress});
    return text;
}

}  // namespace tallis
