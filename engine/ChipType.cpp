#include "engine/ChipType.h"

#include "engine/families/Pic16F87x.h"
#include "engine/families/Pic16F87xA.h"

namespace tallis {

ChipType ClassicChipOf(const Device& device) {
    return device.family == Pic16F87x().Key() ? ChipType::Pic16F877 : ChipType::Pic16F877A;
}

bool HasClassicCommands(const Device& device) {
    return device.family == Pic16F87x().Key() || device.family == Pic16F87xA().Key();
}

const Device& ClassicDevice(ChipType chip) {
    return *FindDevice(chip == ChipType::Pic16F877 ? "PIC16F877" : "PIC16F877A");
}

}  // namespace tallis
