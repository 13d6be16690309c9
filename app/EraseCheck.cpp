#include "app/EraseCheck.h"

#include "engine/ChipOperations.h"

namespace tallis {

OperationReport CheckChipBeforeErase(LineTransport& lines, const Device* asked) {
    return RunOperation(lines, {}, {.kind = DeviceCommandKind::Identify, .asked = asked});
}

namespace {

// Runs a read-only check with the fast waits where the line check passes.
template <typename Check>
OperationReport ReadCheck(LineTransport& lines, OperationProgress* progress, const Check& check) {
    OperationReport report;
    RunInSession(lines, {.progress = progress, .measureLinesForReads = true},
                 [&](ProgrammingSession& session) {
                     session.UseTiming(session.ReadTiming());
                     static_cast<OperationResult&>(report.result) = check(session);
                 });
    return report;
}

}  // namespace

OperationReport CheckErased(LineTransport& lines, const Device& device,
                            OperationProgress* progress) {
    return ReadCheck(lines, progress, [&](ProgrammingSession& session) {
        return BlankCheck(session, device, kClearedByClassicErase);
    });
}

OperationReport CheckUnwrittenErased(LineTransport& lines, const Device& device,
                                     const ChipImage& written, OperationProgress* progress) {
    ChipImage unwritten;
    const MemoryRegion& program = *FindRegion(device.regions, RegionKind::Program);
    for (std::uint16_t i = 0; i < program.size; ++i) {
        if (!written.program[i]) {
            unwritten.program[i] = program.Blank();
        }
    }
    return ReadCheck(lines, progress, [&](ProgrammingSession& session) {
        return Verify(session, device, unwritten);
    });
}

}  // namespace tallis
