#include "app/CommandTexts.h"

#include <cstdio>

namespace tallis {

std::string CancelledStatus(std::uint16_t wordAddress) {
    char text[40];
    std::snprintf(text, sizeof text, "Cancelled at %04XH; VPP off", unsigned{wordAddress});
    return text;
}

std::string SwitchChipButtonsQuestion(std::string_view found, std::string_view buttons,
                                      std::string_view switchTo) {
    std::string text = "Found " + std::string(found) + ", but the chip buttons say " +
                       std::string(buttons) + ": Erase + Program + Verify and Erase only would " +
                       "send it the " + std::string(buttons) + "'s sequence.\n\n";
    return text + "Switch the chip buttons to " + std::string(switchTo) + "?";
}

}  // namespace tallis
