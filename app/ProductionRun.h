#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "app/OperationFlow.h"
#include "image/ChipImage.h"

namespace tallis {

// How a production run paces itself at the socket.
struct ProductionSettings {
    unsigned count = 0;  // chips to write; 0: until stopped
    bool stopOnFailure = false;
    // How often the socket is looked at (a device ID read) while waiting for
    // a chip to be taken out or put in.
    std::uint32_t pollUs = 200'000;
    // After a chip first answers, before it is written: a chip that is still
    // being pushed into the socket may touch some pins before others.
    std::uint32_t settleUs = 300'000;
    // After every session (each look at the socket, each chip): the target's
    // supply off and the target let go, on a board that switches them.
    bool powerOffBetween = false;
};

// One chip of the run, as soon as it has been written and verified (or not).
struct ChipRun {
    unsigned number = 0;  // 1 for the first chip
    OperationReport report;
    std::uint64_t startUs = 0;
    std::uint64_t durationUs = 0;

    bool Passed() const { return report.Outcome() == OperationOutcome::Completed; }
};

// What a front end adds to the run.
struct ProductionHooks {
    // The image to write into chip `number` (a serial number in it), or
    // nothing to end the run before that chip is touched.
    std::function<std::optional<ChipImage>(unsigned number)> imageFor;
    // Called once per chip, at once; false ends the run there.
    std::function<bool(const ChipRun&)> written;
    // Microseconds on the target's clock, for durations.
    std::function<std::uint64_t()> nowUs;
};

struct ProductionSummary {
    unsigned passed = 0;
    unsigned failed = 0;
    bool stopped = false;  // ended by the user (setup.progress), not by count
};

// One chip written and verified (identify, erase, write, verify), timed.
ChipRun WriteOneChip(LineTransport& lines, const SessionSetup& setup, const Device* asked,
                     const ChipImage& image, unsigned number,
                     const std::function<std::uint64_t()>& nowUs);

// Chip after chip: waits for a chip (a device ID other than no chip's), writes
// and verifies it, waits for it to be taken out, and again, until count chips
// are done, the user stops it (setup.progress) or a failure stops it. Every
// session ends with VPP off, so the socket is never live between chips. A
// chip that fails is reported and the run goes on unless stopOnFailure.
ProductionSummary RunProduction(LineTransport& lines, const SessionSetup& setup,
                                const Device* asked, const ProductionSettings& settings,
                                const ProductionHooks& hooks);

}  // namespace tallis
