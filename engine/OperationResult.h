#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "device/Device.h"
#include "image/ChipImage.h"

namespace tallis {

enum class OperationOutcome {
    Completed,    // done, and the chip is what was asked (verified, blank, identified)
    NoChip,       // the device ID read 0x3FFF: nothing answered (no chip, no power, cable)
    DataLineLow,  // the device ID read 0x0000: the data line is held low
    UnknownChip,  // a device ID that no supported chip has
    WrongChip,    // a supported chip, but not the one asked for
    TooLarge,     // the image holds a location the chip does not have
    Differs,      // verify: the chip does not hold the image
    Protected,    // verify: what could be read matches, but code protection hid some of the image
    NotBlank,     // blank check: a location is not erased
    NotErased,    // write: a location kept its value through the erase; nothing was written
    WriteFailed,  // write: what was written does not read back
    // write: the file would change the chip's factory calibration, which was
    // not asked for; nothing was written (the difference names the word)
    CalibrationKept,
    // write, erase: the calibration an erase would take could not be kept
    // safe before it; nothing was erased
    CalibrationNotSaved,
    // write: the file's configuration word clears LVP while the board has no
    // VPP, which would lock the board out of the chip; nothing was written
    // (the difference names the word: the file's value, the chip's)
    LvpOffRefused,
    Cancelled,  // stopped on request; the chip was left safely
    PortError,  // the system refused a port access: nothing read or written counts
};

// The chip's memory areas as the programming interface addresses them.
// Where a location lies: the kind of the device's region that holds it.
using MemorySpace = RegionKind;

// One location where the chip holds something other than was expected. The
// address is the word address (program memory, 0x2000 and up) or the EEPROM
// byte number.
struct Difference {
    MemorySpace space;
    std::uint16_t address;
    std::uint16_t expected;
    std::uint16_t actual;
    bool operator==(const Difference&) const = default;
};

struct OperationResult {
    OperationOutcome outcome = OperationOutcome::Completed;
    // Identify: the word at 0x2006 and the chip it names, if any.
    std::uint16_t idWord = 0;
    const Device* found = nullptr;
    // The first differences in address order (verify, blank check, write,
    // and TooLarge's first location); at most kMaxDifferences, unless every
    // one was asked for.
    std::vector<Difference> differences;
    // Write: locations that did not read back at first and were written once
    // more with the standard waits (as they read before that). A location
    // still wrong then is among the differences.
    std::vector<Difference> retried;
    std::uint64_t portFailures = 0;
    // Read and verify: what code protection kept from them. Program memory
    // [from, to) that it hides, empty when none, and the data EEPROM.
    std::uint16_t protectedFrom = 0;
    std::uint16_t protectedTo = 0;
    bool eepromProtected = false;
    // Write and erase: a factory calibration word read erased before the
    // erase and none given instead: the calibration was lost earlier.
    bool calibrationLost = false;

    bool ProgramProtected() const { return protectedFrom < protectedTo; }

    static constexpr std::size_t kMaxDifferences = 8;
};

// A read: what could be read (what code protection kept back is left absent
// in the image, never read as zeros).
struct ReadResult : OperationResult {
    ChipImage image;
};

}  // namespace tallis
