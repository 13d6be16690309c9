#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CommandTarget.h"
#include "image/FirmwareImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// What selftest needs before any port is touched.
struct SelfTestInputs {
    std::unique_ptr<FirmwareImage> example;
    std::string exampleName;  // the file name alone, for the report
};

// Refuses a run that could not ask before erasing, loads the example and
// checks that the report can be written. An exit status to stop with, or
// nothing when the test can start.
std::optional<int> PrepareSelfTest(const CliOptions& options, SelfTestInputs& inputs);

// Runs the self-test on a started target, prints each step (and a progress
// bar when showProgress), writes the report and returns the exit status.
// Ctrl+C stops it at the next safe point, the chip left with VPP off.
int RunSelfTestCommand(const CliOptions& options, const SelfTestInputs& inputs,
                       CommandTarget& target, PortIo& port, Delayer& timer, bool showProgress);

}  // namespace tallis
