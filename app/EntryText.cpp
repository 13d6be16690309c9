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

std::string LowVoltageEntryHint(const Device* asked) {
    const std::string board =
        "this board enters only by low-voltage programming (PGM raised, no VPP)";
    if (asked != nullptr && asked->ConfigMask("LVP") == 0) {
        return "the " + std::string(asked->name) + " has no low-voltage programming, and " + board +
               ": it needs a board with VPP";
    }
    if (asked != nullptr) {
        return board + ", which a " + std::string(asked->name) +
               " refuses when its LVP bit is 0: it then needs a board with VPP";
    }
    std::string without;
    for (const Device& device : Devices()) {
        if (device.ConfigMask("LVP") == 0) {
            without += (without.empty() ? "" : ", ") + std::string(device.name);
        }
    }
    return board + ", which the " + without +
           " do not have and a chip with its LVP bit at 0 refuses: those need a board with VPP";
}

}  // namespace tallis
