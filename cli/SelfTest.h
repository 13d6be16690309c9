#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/BoardWiring.h"
#include "device/Device.h"
#include "engine/OperationProgress.h"
#include "image/FirmwareImage.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"

namespace tallis {

// Skipped: the step is not for this chip (the classic commands on a chip of
// another family), which fails nothing.
enum class StepStatus { Passed, Failed, Skipped, NotRun };

// One step of the self-test as the report shows it.
struct SelfTestStep {
    std::string name;  // "line check", "identify (classic timing)", ...
    StepStatus status = StepStatus::NotRun;
    std::string detail;                    // what the step found, or why it failed
    std::vector<std::string> differences;  // the first differences of a failed step
    std::uint64_t durationUs = 0;
};

struct SelfTestSetup {
    PortIo& port;
    Delayer& timer;
    std::function<std::uint64_t()> nowUs;  // the clock the step durations are taken on
    std::uint16_t portBase;
    int lptNumber;  // 1 or 2; 0 for a port given by address
    const board::BoardWiring& board;
    const Device* asked;           // the chip asked for; nullptr: any supported chip
    const FirmwareImage& example;  // for the classic Erase + Program + Verify
    std::string exampleName;       // its file name, without folders
    // Only the fast profile for the chip operations; the classic waits still
    // run in the classic Erase + Program + Verify.
    bool quick = false;
    // Asked once the chip is identified and before anything is erased, with
    // the chip's name; false stops the test there.
    std::function<bool(const std::string& chip)> confirm;
    std::function<void(const SelfTestStep&)> stepDone;  // each step as it ends
    // The chip operations' progress; when it asks to stop, the step under way
    // ends at its next safe point and the later ones are not run.
    OperationProgress* progress = nullptr;
};

struct SelfTestResult {
    std::string chip;  // "PIC16F877A revision 1 (device ID 0x0E21)"; empty when none answered
    bool declined = false;
    bool interrupted = false;
    std::vector<SelfTestStep> steps;

    bool Passed() const;
};

// The board's line check, identify, erase and blank check, the generated
// images written, verified and read back (each chip operation with every
// timing profile, or only the fast one when quick), the classic Erase +
// Program + Verify of the example, and a reset. Nothing is erased until the
// chip has been identified and confirmed; once the line check or an identify
// fails, the later steps are not run.
SelfTestResult RunSelfTest(const SelfTestSetup& setup);

}  // namespace tallis
