#include "app/EraseCheck.h"

#include "engine/ChipOperations.h"

namespace tallis {

OperationReport CheckChipBeforeErase(LineTransport& lines, const Device* asked) {
    return RunOperation(lines, {}, {.kind = DeviceCommandKind::Identify, .asked = asked});
}

OperationReport CheckErased(LineTransport& lines, const Device& device,
                            OperationProgress* progress) {
    OperationReport report;
    RunInSession(lines, {.progress = progress, .measureLinesForReads = true},
                 [&](ProgrammingSession& session) {
                     session.UseTiming(session.ReadTiming());
                     static_cast<OperationResult&>(report.result) =
                         BlankCheck(session, device, kClearedByClassicErase);
                 });
    return report;
}

}  // namespace tallis
