#pragma once

namespace tallis {

// The exit statuses of tallis-cli, which scripts rely on.
enum ExitCode : int {
    kExitCompleted = 0,     // the command ran to its end ("Down load data ..." for program)
    kExitRunError = 1,      // the run reported an error, or it refused the file
    kExitUsage = 2,         // bad options, or a file that cannot be read or is too large
    kExitNoPortAccess = 3,  // the parallel port cannot be reached, or failed during the command
    kExitChipMismatch = 4,  // the chip is not what was asked: no chip, another device, a
                            // verify difference, not blank, memory code protection kept back
    kExitOutputFailed = 5,  // output (standard output or error, a trace, a state file, read's
                            // file) could not be written
    // A stop signal ends a run with 128 + its number: 129 SIGHUP, 130 SIGINT, 143 SIGTERM.
};

}  // namespace tallis
