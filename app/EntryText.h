#pragma once

#include <string>
#include <string_view>

#include "device/Device.h"

namespace tallis {

// After an identify that read all ones or all zeros on a board that does not
// switch VDD: a chip of a family that needs VPP before VDD, set to run
// without MCLR (internal oscillator, MCLR an input), cannot be entered there;
// which boards can, chosen where boardChoice says. Empty where that cannot be
// the cause (a chip of another family was asked for).
std::string VppBeforeVddHint(const Device* asked, std::string_view boardChoice);

// After an identify that read all ones or all zeros on a board that enters by
// low voltage: the chips that have no LVP, or the asked one, and that a chip
// with LVP off refuses too; a board with VPP enters them.
std::string LowVoltageEntryHint(const Device* asked);

}  // namespace tallis
