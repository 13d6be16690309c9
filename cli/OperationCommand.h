#pragma once

#include <functional>
#include <optional>

#include "cli/ChipImageFile.h"
#include "cli/CliOptions.h"
#include "image/FirmwareImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"
#include "wire/LineTransport.h"

namespace tallis {

// Runs identify, read, verify, blank-check or write on a port and a timer
// that are ready, prints what it found and returns the exit status. file is
// the parsed file of verify and write.
int RunChipOperation(const CliOptions& options, const ChipImageLoad& file, PortIo& port,
                     Delayer& timer, bool showProgress);
// The same over lines that are ready (a board on an FTDI chip).
int RunChipOperation(const CliOptions& options, const ChipImageLoad& file, LineTransport& lines,
                     bool showProgress);

// Before the classic program and erase: reads the device ID in a session of
// its own and refuses, before anything is erased, a chip other than --chip
// (no chip, a data line held low, another device). The exit status to end
// with, the diagnosis on standard error; nothing when the chip is the one asked for.
std::optional<int> RefuseOtherChip(const CliOptions& options, PortIo& port, Delayer& timer);

// After the classic erase: the exit status when program memory or the
// configuration word is not blank, the first location that is not on standard
// error; nothing when they are blank. A progress bar on standard output when
// asked; a stop signal ends the check at its next word with stopStatus().
std::optional<int> RefuseNotBlank(const CliOptions& options, PortIo& port, Delayer& timer,
                                  bool showProgress, const std::function<int()>& stopStatus);

// After a good classic program run: the exit status when a program word that
// the file does not write still holds something (the erase kept it), that
// word on standard error; nothing when every one reads erased, or when the
// file is not one the chip operations read. Progress and stop as for
// RefuseNotBlank.
std::optional<int> RefuseKeptWords(const CliOptions& options, PortIo& port, Delayer& timer,
                                   const FirmwareImage& file, bool showProgress,
                                   const std::function<int()>& stopStatus);

// Erases the --chip device with its family's erase, for the chips that the
// classic erase does not serve, in a session of its own with the standard
// waits; the calibration such an erase takes is kept in a file and written
// back. Returns the exit status when it failed.
std::optional<int> EraseWithFamily(const CliOptions& options, PortIo& port, Delayer& timer);

}  // namespace tallis
