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

std::string LvpOffQuestion(std::uint16_t configWord) {
    char word[8];
    std::snprintf(word, sizeof word, "%04X", unsigned{configWord});
    return std::string("The file's configuration word ") + word +
           "H clears LVP (low-voltage programming). This board has no VPP: once the word is "
           "written, neither this board nor any other without VPP can ever enter the chip "
           "again; only a board with VPP can.\n\nWrite it all the same?";
}

}  // namespace tallis
