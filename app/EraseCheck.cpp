#include "app/EraseCheck.h"

#include <algorithm>

#include "engine/ChipOperations.h"

namespace tallis {

OperationReport CheckChipBeforeErase(LineTransport& lines, const Device* asked) {
    return RunOperation(lines, {}, {.kind = DeviceCommandKind::Identify, .asked = asked});
}

OperationReport CheckErased(LineTransport& lines, const Device& device) {
    ChipImage erased;
    std::fill_n(erased.program.begin(), device.programWords, ProgrammingSession::kBlankWord);
    erased.config[0] = ProgrammingSession::kBlankWord;
    OperationReport report;
    RunInSession(lines, {}, [&](ProgrammingSession& session) {
        static_cast<OperationResult&>(report.result) = Verify(session, device, erased);
    });
    return report;
}

}  // namespace tallis
