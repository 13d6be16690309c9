#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CalibrationFile.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "engine/OperationProgress.h"
#include "engine/OperationResult.h"
#include "engine/ProgrammingSession.h"
#include "image/ChipImage.h"
#include "wire/LineTransport.h"
#include "wire/TimingProfile.h"

namespace tallis {

// The chip operations that every front end offers (the desktop's Device menu,
// tallis-cli's identify, read, verify, blank-check and write).
enum class DeviceCommandKind { Identify, Read, Verify, BlankCheck, WriteAll };

// How a command's programming session begins.
struct SessionSetup {
    const TimingProfile* timing = &kClassicTiming;
    OperationProgress* progress = nullptr;
    // What a line check run before learned (the self-test's own step): the
    // session waits its rise time, and the lines are not checked again.
    const LineCheckResult* checkedLines = nullptr;
    // A profile that needs no line check has one all the same, so that long
    // runs of reads (blank checks) can take the fast waits where it passes;
    // where it fails, the profile's own waits go on.
    bool measureLinesForReads = false;
    // Enter with VPP before VDD where the board switches VDD (see
    // ProgrammingSession::UseVppBeforeVdd).
    bool vppBeforeVdd = false;
};

// The one place where a command's programming session begins: the line check
// first when the profile asks for it (a failed one leaves the port with the
// target released, and work does not run), then programming mode for as long
// as work runs, left with VPP off on every way out. Returns the line fault.
LineFault RunInSession(LineTransport& lines, const SessionSetup& setup,
                       const std::function<void(ProgrammingSession&)>& work);

struct OperationRequest {
    DeviceCommandKind kind = DeviceCommandKind::Identify;
    const Device* asked = nullptr;    // the chip asked for; nullptr: any supported chip
    const ChipImage* file = nullptr;  // Verify and Write all
    // Verify: every difference, for a view that marks them all.
    DifferencesKept kept = DifferencesKept::First;
    // Blank check: the regions read.
    std::vector<RegionKind> blankScope = kWholeChip;
    WriteOptions write = {};  // Write all
    // Verify: whether the file's calibration is compared (after a write that
    // took it), or the chip's own kept.
    CalibrationCompared calibration = CalibrationCompared::None;
    // Write all: keeps the calibration an erase takes before it, in a file
    // of the chip's own; none: kept nowhere but the session.
    CalibrationKeeper* keeper = nullptr;
    // Commands run after it in the same session on the same chip, each only
    // when the one before completed (the self-test's write, verify, read).
    std::vector<DeviceCommandKind> then = {};
};

// What a command ended with. Its outcome is the class a front end puts into
// words: Completed; a failed line check or identify (NoChip, DataLineLow,
// UnknownChip, WrongChip); a file beyond the chip (TooLarge); what the
// operation found (Differs, Protected, NotBlank, WriteFailed); Cancelled or
// PortError.
struct OperationReport {
    // Not None when the line check failed; the outcome is then NoChip (no chip
    // could be reached) and nothing was sent to the chip.
    LineFault lineFault = LineFault::None;
    // The identify's outcome, ID word and chip (also a wrong one), then the
    // operation's result: differences, retries, what code protection hid,
    // Read's image; TooLarge's first location.
    ReadResult result;

    // Write all with a keeper: where it saved the calibration read before
    // the erase, or why it could not (CalibrationNotSaved).
    std::optional<std::filesystem::path> calibrationFile;
    std::string calibrationError;
    // The board entered by low voltage (PGM, no VPP): a chip without LVP, or
    // with it off, cannot answer there.
    bool lowVoltageEntry = false;

    OperationOutcome Outcome() const { return result.outcome; }
    // The chip that answered, if it is a supported one.
    const Device* Chip() const { return result.found; }
};

// Identifies the chip once, checks the file's fit to it once, then runs the
// command (and those after it) in the same session. The report holds the last
// command's result.
OperationReport RunOperation(LineTransport& lines, const SessionSetup& setup,
                             const OperationRequest& request);

}  // namespace tallis
