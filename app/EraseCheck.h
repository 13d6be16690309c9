#pragma once

#include <vector>

#include "app/OperationFlow.h"

namespace tallis {

// The checks around the classic erase (Erase only, and the Erase + Program +
// Verify that erases first), which has no identify of its own. Each runs in a
// session of its own with the classic waits, which leaves the chip safe before
// the classic sequence takes the port.

// Before anything is erased: the chip that answers is the one asked for
// (nullptr: any supported chip). Completed, or why not.
OperationReport CheckChipBeforeErase(LineTransport& lines, const Device* asked);

// What the classic erase clears on every chip: the 87xA's keeps the ID
// locations and the 87x's an unprotected data EEPROM, so neither is asked of
// it.
inline const std::vector<RegionKind> kClearedByClassicErase = {RegionKind::Program,
                                                               RegionKind::Config};

// After the erase: the regions it clears read erased. Completed, or NotBlank
// with the first location that is not; Cancelled when progress asked to stop.
// The reads take the fast waits where the line check passes (they write
// nothing), the classic ones where it fails.
OperationReport CheckErased(LineTransport& lines, const Device& device,
                            OperationProgress* progress = nullptr);

// After the classic Erase + Program + Verify, whose verify reads only the
// words it wrote: every other program word reads erased, so that a word the
// erase kept is not left beside the new program. Completed, or Differs with
// the first that is not; the reads as for CheckErased.
OperationReport CheckUnwrittenErased(LineTransport& lines, const Device& device,
                                     const ChipImage& written,
                                     OperationProgress* progress = nullptr);

}  // namespace tallis
