#pragma once

#include <cstdint>
#include <string>

#include "engine/Programmer.h"
#include "engine/RunHost.h"
#include "image/FirmwareImage.h"

namespace tallis {

// How a program-and-verify run ended.
enum class RunOutcome {
    Completed,      // end record: "Down load data N words complete"
    NotIntelHex,    // a record start that is not ':'
    VerifyError,    // a program-memory word read back different
    ChecksumError,  // a record's checksum did not match, or the record was cut short
    EndOfText,      // the text ended without an end record; the target was not reset
};

// "Erase + Program + Verify": erases the chip, then walks the image record by
// record, writing and verifying each word as soon as it has been read.
class ProgramRun {
public:
    ProgramRun(Programmer& programmer, RunHost& host);

    RunOutcome Execute(const FirmwareImage& image);

    // Run state, set afresh at every start.
    std::uint16_t WordsDone = 0;
    bool StopRun = false;

private:
    Programmer& programmer_;
    RunHost& host_;
};

// "Current LPT Port :2  (278H)": the status text for a port choice.
std::string PortStatusText(std::int32_t portNumber, std::uint16_t portBase);

}  // namespace tallis
