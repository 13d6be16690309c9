#pragma once

#include <optional>
#include <vector>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "engine/ProgrammingSession.h"
#include "image/ChipImage.h"

namespace tallis {

// The chip operations. Each runs inside a session that the caller opened
// (and whose end leaves the chip safe) and returns what it found; front ends
// turn results into messages. Verify and Write take a chip that the caller has
// identified as the device, and an image that fits it (the application
// layer's operation flow does both, once per command).
//
//   ProgrammingSession session(lines, kClassicTiming, &progress);
//   OperationResult id = Identify(session, FindDevice("16f877a"));

// Reads the device ID at 0x2006 and names the chip. With expected set, any
// other chip is WrongChip; without, any supported chip is Completed.
OperationResult Identify(ProgrammingSession& session, const Device* expected);

// The whole chip: program memory, IDs, debug vector, device ID, configuration
// word and EEPROM. Code-protected memory is left absent and reported.
ReadResult Read(ProgrammingSession& session, const Device& device);

// Which differences a verify collects: the first kMaxDifferences, after which
// it stops reading, or every one (for a view that marks them all).
enum class DifferencesKept { First, All };

// Compares every location the image holds with the chip, without erasing;
// the configuration word on its implemented bits.
OperationResult Verify(ProgrammingSession& session, const Device& device, const ChipImage& image,
                       DifferencesKept kept = DifferencesKept::First);

// The regions a blank check covers by default: every one an erase clears.
inline const std::vector<RegionKind> kWholeChip = {RegionKind::Program, RegionKind::Id,
                                                   RegionKind::DebugVector, RegionKind::Eeprom,
                                                   RegionKind::Config};

// Names the first location of the regions in scope that is not erased
// (configuration word first: its code protection would make program memory
// read as zeros).
OperationResult BlankCheck(ProgrammingSession& session, const Device& device,
                           const std::vector<RegionKind>& scope = kWholeChip);

struct WriteOptions {
    // A calibration word of the file that differs from the chip's is written
    // (the erase then takes the chip's); without it such a file is refused.
    bool writeCalibration = false;
    // A configuration word that clears LVP is written even over a board
    // without VPP, which then can never enter the chip again; without it such
    // a file is refused there.
    bool allowLvpOff = false;
};

// Erases; checks, with the session's read profile, that the erase left the
// chip blank (NotErased with the first location that kept its value, and
// nothing written, when not); writes the program rows that hold data, then
// IDs, debug vector and EEPROM; verifies them; writes the configuration word
// last and verifies it. The chip's calibration words survive unless the
// options ask for the file's.
OperationResult Write(ProgrammingSession& session, const Device& device, const ChipImage& image,
                      const WriteOptions& options = {});

// The first location of the image that the device does not have (program
// memory and EEPROM past the device's, configuration words past its), if any.
std::optional<Difference> FirstLocationOutside(const ChipImage& image, const Device& device);

}  // namespace tallis
