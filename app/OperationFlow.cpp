#include "app/OperationFlow.h"

#include <optional>

#include "engine/ChipOperations.h"

namespace tallis {

namespace {

// The fast profile leaves a slow data line no slack: the line is checked
// first, and its rise time waited for after every release.
bool NeedsLineCheck(const TimingProfile& timing) {
    return &timing == &kFastTiming;
}

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
                Verify(session, device, *request.file, request.kept);
            break;
        case DeviceCommandKind::BlankCheck:
            static_cast<OperationResult&>(result) = BlankCheck(session, device);
            break;
        case DeviceCommandKind::WriteAll:
            static_cast<OperationResult&>(result) = Write(session, device, *request.file);
            break;
    }
    return result;
}

// The first location of the image that the device does not have, if any.
std::optional<Difference> FirstLocationOutside(const ChipImage& image, const Device& device) {
    for (std::size_t a = device.programWords; a < image.program.size(); ++a) {
        if (image.program[a]) {
            return Difference{MemorySpace::Program, static_cast<std::uint16_t>(a),
                              *image.program[a], 0};
        }
    }
    for (std::size_t a = device.eepromBytes; a < image.eeprom.size(); ++a) {
        if (image.eeprom[a]) {
            return Difference{MemorySpace::Eeprom, static_cast<std::uint16_t>(a), *image.eeprom[a],
                              0};
        }
    }
    return std::nullopt;
}

}  // namespace

LineFault RunInSession(Programmer& wire, const SessionSetup& setup,
                       const std::function<void(ProgrammingSession&)>& work) {
    if (NeedsLineCheck(*setup.timing) && !setup.linesChecked) {
        if (const LineCheckResult lines = CheckLines(wire); lines.fault != LineFault::None) {
            wire.LeavePort();
            return lines.fault;
        }
    }
    ProgrammingSession session(wire, *setup.timing, setup.progress);
    work(session);
    return LineFault::None;
}

OperationReport RunOperation(Programmer& wire, const SessionSetup& setup,
                             const OperationRequest& request) {
    OperationReport report;
    report.lineFault = RunInSession(wire, setup, [&](ProgrammingSession& session) {
        const OperationResult identity = Identify(session, request.asked);
        if (identity.outcome != OperationOutcome::Completed) {
            static_cast<OperationResult&>(report.result) = identity;
            return;
        }
        const Device& device = *identity.found;
        if (request.file != nullptr) {
            if (const auto outside = FirstLocationOutside(*request.file, device)) {
                report.result.outcome = OperationOutcome::TooLarge;
                report.result.differences = {*outside};
            }
        }
        std::vector<DeviceCommandKind> commands{request.kind};
        commands.insert(commands.end(), request.then.begin(), request.then.end());
        for (const DeviceCommandKind kind : commands) {
            if (report.result.outcome != OperationOutcome::Completed) {
                break;
            }
            report.result = Operate(session, device, request, kind);
        }
        report.result.found = identity.found;
        report.result.idWord = identity.idWord;
    });
    if (report.lineFault != LineFault::None) {
        report.result.outcome = OperationOutcome::NoChip;  // no chip could be reached
    }
    return report;
}

}  // namespace tallis
