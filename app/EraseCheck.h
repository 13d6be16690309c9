#pragma once

#include "app/OperationFlow.h"

namespace tallis {

// The checks around the classic erase (Erase only, and the Erase + Program +
// Verify that erases first), which has no identify of its own. Each runs in a
// session of its own with the classic waits, which leaves the chip safe before
// the classic sequence takes the port.

// Before anything is erased: the chip that answers is the one asked for
// (nullptr: any supported chip). Completed, or why not.
OperationReport CheckChipBeforeErase(LineTransport& lines, const Device* asked);

// After the erase: program memory and the configuration word read erased
// (what the classic erase clears on every chip: the 87xA's keeps the ID
// locations and the 87x's an unprotected data EEPROM, so those are not asked
// of it). Completed, or Differs with the first location that is not.
OperationReport CheckErased(LineTransport& lines, const Device& device);

}  // namespace tallis
