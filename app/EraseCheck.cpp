#include "app/EraseCheck.h"

#include <algorithm>

#include "engine/ChipOperations.h"

namespace tallis {

OperationReport CheckChipBeforeErase(Programmer& wire, const Device* asked) {
    return RunOperation(wire, {}, {.kind = DeviceCommandKind::Identify, .asked = asked});
}

OperationReport CheckErased(Programmer& wire, const Device& device) {
    ChipImage erased;
    std::fill_n(erased.program.begin(), device.programWords, ProgrammingSession::kBlankWord);
    erased.config = ProgrammingSession::kBlankWord;
    OperationReport report;
    RunInSession(wire, {}, [&](ProgrammingSession& session) {
        static_cast<OperationResult&>(report.result) = Verify(session, device, erased);
    });
    return report;
}

}  // namespace tallis
