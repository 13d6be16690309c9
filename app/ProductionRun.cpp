#include "app/ProductionRun.h"

#include "wire/TargetLines.h"

namespace tallis {

namespace {

bool StopRequested(const SessionSetup& setup) {
    return setup.progress != nullptr && setup.progress->CancelRequested();
}

// A device ID read with the classic waits in a session of its own: anything
// but the floating data line's all-ones is a chip, a wrong or damaged one too
// (the write then reports it).
bool ChipInSocket(LineTransport& lines, bool powerOff) {
    const OperationReport identity = RunOperation(lines, {}, {});
    if (powerOff) {
        target_lines::PowerOff(lines);
    }
    return identity.Outcome() != OperationOutcome::NoChip;
}

// Looks at the socket until it holds a chip (present) or is empty; false when
// the user stopped the run first.
bool WaitForSocket(LineTransport& lines, const SessionSetup& setup,
                   const ProductionSettings& settings, bool present) {
    while (!StopRequested(setup)) {
        if (ChipInSocket(lines, settings.powerOffBetween) == present) {
            return true;
        }
        lines.Wait(settings.pollUs);
    }
    return false;
}

}  // namespace

ChipRun WriteOneChip(LineTransport& lines, const SessionSetup& setup, const Device* asked,
                     const ChipImage& image, unsigned number,
                     const std::function<std::uint64_t()>& nowUs) {
    ChipRun run;
    run.number = number;
    run.startUs = nowUs();
    run.report = RunOperation(
        lines, setup, {.kind = DeviceCommandKind::WriteAll, .asked = asked, .file = &image});
    run.durationUs = nowUs() - run.startUs;
    return run;
}

ProductionSummary RunProduction(LineTransport& lines, const SessionSetup& setup,
                                const Device* asked, const ProductionSettings& settings,
                                const ProductionHooks& hooks) {
    ProductionSummary summary;
    for (unsigned number = 1; settings.count == 0 || number <= settings.count; ++number) {
        if (!WaitForSocket(lines, setup, settings, true)) {
            summary.stopped = true;
            break;
        }
        lines.Wait(settings.settleUs);
        const std::optional<ChipImage> image = hooks.imageFor(number);
        if (!image) {
            break;
        }
        const ChipRun run = WriteOneChip(lines, setup, asked, *image, number, hooks.nowUs);
        if (settings.powerOffBetween) {
            target_lines::PowerOff(lines);
        }
        (run.Passed() ? summary.passed : summary.failed) += 1;
        if (!hooks.written(run)) {
            break;
        }
        if (run.report.Outcome() == OperationOutcome::Cancelled) {
            summary.stopped = true;
            break;
        }
        if ((!run.Passed() && settings.stopOnFailure) || number == settings.count) {
            break;
        }
        if (!WaitForSocket(lines, setup, settings, false)) {
            summary.stopped = true;
            break;
        }
    }
    return summary;
}

}  // namespace tallis
