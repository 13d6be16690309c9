#pragma once

#include <functional>
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

// Which calibration a verify compares: none (the chip's own, which a write
// keeps), or the file's calibration words and configuration calibration
// bits (after a write that took them from the file).
enum class CalibrationCompared { None, FromFile };

// Compares every location the image holds with the chip, without erasing;
// the configuration word on its implemented bits.
OperationResult Verify(ProgrammingSession& session, const Device& device, const ChipImage& image,
                       DifferencesKept kept = DifferencesKept::First,
                       CalibrationCompared calibration = CalibrationCompared::None);

// The regions a blank check covers by default: every one an erase clears.
inline const std::vector<RegionKind> kWholeChip = {RegionKind::Program, RegionKind::Id,
                                                   RegionKind::DebugVector, RegionKind::Eeprom,
                                                   RegionKind::Config};

// Names the first location of the regions in scope that is not erased
// (configuration word first: its code protection would make program memory
// read as zeros).
OperationResult BlankCheck(ProgrammingSession& session, const Device& device,
                           const std::vector<RegionKind>& scope = kWholeChip);

// The factory calibration that every erase of some families takes with it
// (the 12F629/675's OSCCAL word and band-gap bits), as read before the erase.
struct ChipCalibration {
    struct Word {
        std::uint16_t address;
        std::uint16_t value;
        bool operator==(const Word&) const = default;
    };
    std::vector<Word> words;       // the row's calibration words
    std::uint16_t configBits = 0;  // the configuration word's calibration bits, as read
    // A calibration word reads erased: an earlier erase did not keep it.
    bool Lost() const;
};

// Called with the calibration read before an erase that takes it, to keep
// it safe; false stops the operation before anything is erased.
using KeepCalibration = std::function<bool(const ChipCalibration&)>;

// What the chip's calibration is, where a family's erase takes it; nullopt
// on a family whose erase keeps it.
std::optional<ChipCalibration> ReadErasedCalibration(ProgrammingSession& session,
                                                     const Device& device);

struct WriteOptions {
    // The file's calibration is written: on a family whose erase keeps the
    // calibration words, a word of the file that differs from the chip's
    // (the erase then takes the chip's; without it such a file is refused);
    // on one whose erase takes them, the file's words and configuration
    // calibration bits where it has them (without it the chip's own are
    // written back and the file's passed over).
    bool writeCalibration = false;
    KeepCalibration keepCalibration = {};
    // A configuration word that clears LVP is written even over a board
    // without VPP, which then can never enter the chip again; without it such
    // a file is refused there.
    bool allowLvpOff = false;
};

// Erases; checks, with the session's read profile, that the erase left the
// chip blank (NotErased with the first location that kept its value, and
// nothing written, when not); writes the program rows that hold data, then
// the calibration words an erase took, IDs, debug vector and EEPROM; verifies
// them; writes the configuration word last (with the calibration bits an
// erase took) and verifies it. The chip's calibration survives unless the
// options ask for the file's; where it had been lost before (a calibration
// word read erased and the file gives none), the result says so.
OperationResult Write(ProgrammingSession& session, const Device& device, const ChipImage& image,
                      const WriteOptions& options = {});

// The family's erase of the whole chip. Where it takes the factory
// calibration, the calibration is read first and handed to keep (false:
// CalibrationNotSaved, nothing erased), and written back after the erase
// and read back (WriteFailed when it does not hold).
OperationResult EraseChip(ProgrammingSession& session, const Device& device,
                          const KeepCalibration& keep = {});

// The first location of the image that the device does not have (program
// memory and EEPROM past the device's, configuration words past its), if any.
std::optional<Difference> FirstLocationOutside(const ChipImage& image, const Device& device);

}  // namespace tallis
