#include "app/EntryText.h"

#include "board/BoardWiring.h"
#include "engine/families/ChipFamily.h"

namespace tallis {

std::string VppBeforeVddHint(const Device* asked, std::string_view boardChoice) {
    std::string chips;
    for (const Device& device : Devices()) {
        if (FamilyOf(device).NeedsVppBeforeVdd() && (asked == nullptr || asked == &device)) {
            chips += (chips.empty() ? "" : ", ") + std::string(device.name);
        }
    }
    if (chips.empty()) {
        return {};
    }
    std::string boards;
    for (const board::BoardWiring& row : board::Boards()) {
        if (row.VddSwitched()) {
            boards += (boards.empty() ? "" : ", ") + std::string(row.name);
        }
    }
    return "a " + chips +
           " whose configuration selects the internal oscillator with MCLR as an input runs "
           "its program as soon as it has power and answers only when VPP comes before VDD, "
           "which this board cannot do (it does not switch VDD); boards that switch VDD can (" +
           std::string(boardChoice) + " " + boards + ")";
}

}  // namespace tallis
