#include "app/OperationFlow.h"

#include <optional>

#include "engine/ChipOperations.h"
#include "engine/families/ChipFamily.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

// One command's own operation on the identified chip.
ReadResult Operate(ProgrammingSession& session, const Device& device,
                   const OperationRequest& request, DeviceCommandKind kind) {
    ReadResult result;
    switch (kind) {
        case DeviceCommandKind::Identify:
            break;
        case DeviceCommandKind::Read:
            result = Read(session, device);
            break;
        case DeviceCommandKind::Verify:
            static_cast<OperationResult&>(result) =
                Verify(session, device, *request.file, request.kept, request.calibration);
            break;
        case DeviceCommandKind::BlankCheck:
            static_cast<OperationResult&>(result) = BlankCheck(session, device, request.blankScope);
            break;
        case DeviceCommandKind::WriteAll:
            static_cast<OperationResult&>(result) =
                Write(session, device, *request.file, request.write);
            break;
    }
    return result;
}

// Nothing answered an entry with VDD first on a board that could give VPP
// first: a chip that runs without MCLR answers only that way, so a search
// for any chip tries it too.
bool SilentAfterVddFirst(const ProgrammingSession& session, const OperationResult& identity) {
    const bool silent = identity.outcome == OperationOutcome::NoChip ||
                        identity.outcome == OperationOutcome::DataLineLow;
    const BoardEntry entry = session.Entry();
    return silent && !session.VppBeforeVdd() && entry.switchesSupply && !entry.lowVoltage;
}

// A chip whose family needs VPP before VDD gets it wherever the board can
// give it; the address counter then starts at 0 again.
void EnterFor(ProgrammingSession& session, const Device& device) {
    if (FamilyOf(device).NeedsVppBeforeVdd()) {
        session.UseVppBeforeVdd();
    }
}

}  // namespace

// A profile that leaves a slow data line no slack (the fast one) has the line
// checked first, and its rise time waited for after every release.
LineFault RunInSession(LineTransport& lines, const SessionSetup& setup,
                       const std::function<void(ProgrammingSession&)>& work) {
    LineCheckResult board = setup.checkedLines != nullptr ? *setup.checkedLines : LineCheckResult{};
    if ((setup.timing->needsLineCheck || setup.measureLinesForReads) &&
        setup.checkedLines == nullptr) {
        board = CheckLines(lines);
        if (board.fault != LineFault::None && setup.timing->needsLineCheck) {
            target_lines::LeaveTargetRunning(lines);
            return board.fault;
        }
    }
    ProgrammingSession session(lines, *setup.timing, setup.progress, board, setup.vppBeforeVdd);
    work(session);
    return LineFault::None;
}

OperationReport RunOperation(LineTransport& lines, const SessionSetup& setup,
                             const OperationRequest& request) {
    OperationReport report;
    report.lowVoltageEntry = lines.Entry().lowVoltage;
    SessionSetup own = setup;
    // Write reads the erased chip back before it writes.
    own.measureLinesForReads =
        setup.measureLinesForReads || request.kind == DeviceCommandKind::WriteAll;
    own.vppBeforeVdd = setup.vppBeforeVdd ||
                       (request.asked != nullptr && FamilyOf(*request.asked).NeedsVppBeforeVdd());
    report.lineFault = RunInSession(lines, own, [&](ProgrammingSession& session) {
        OperationResult identity = Identify(session, request.asked);
        if (request.asked == nullptr && SilentAfterVddFirst(session, identity)) {
            session.UseVppBeforeVdd();
            identity = Identify(session, request.asked);
        }
        if (identity.outcome != OperationOutcome::Completed) {
            static_cast<OperationResult&>(report.result) = identity;
            return;
        }
        const Device& device = *identity.found;
        EnterFor(session, device);
        if (request.file != nullptr) {
            if (const auto outside = FirstLocationOutside(*request.file, device)) {
                report.result.outcome = OperationOutcome::TooLarge;
                report.result.differences = {*outside};
            }
        }
        OperationRequest own = request;
        if (request.keeper != nullptr) {
            own.write.keepCalibration = request.keeper->For(device, identity.idWord);
        }
        std::vector<DeviceCommandKind> commands{request.kind};
        commands.insert(commands.end(), request.then.begin(), request.then.end());
        for (const DeviceCommandKind kind : commands) {
            if (report.result.outcome != OperationOutcome::Completed) {
                break;
            }
            report.result = Operate(session, device, own, kind);
        }
        report.result.found = identity.found;
        report.result.idWord = identity.idWord;
    });
    if (report.lineFault != LineFault::None) {
        report.result.outcome = OperationOutcome::NoChip;  // no chip could be reached
    }
    if (request.keeper != nullptr) {
        report.calibrationFile = request.keeper->Saved();
        report.calibrationError = request.keeper->Error();
    }
    return report;
}

}  // namespace tallis
