#include "app/DeviceCommand.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/ChipOperations.h"
#include "engine/LineCheck.h"
#include "engine/ProgrammingSession.h"
#include "engine/ResultText.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

std::string Name(const Device& device) {
    return std::string(device.name);
}

// The first differences, one a line, and how many more there are.
std::string DifferenceLines(const std::vector<Difference>& differences) {
    std::string lines;
    const std::size_t listed = std::min(differences.size(), OperationResult::kMaxDifferences);
    for (std::size_t i = 0; i < listed; ++i) {
        lines += '\n';
        lines += DifferenceText(differences[i]);
    }
    if (differences.size() > listed) {
        lines += "\n... and ";
        lines += std::to_string(differences.size() - listed);
        lines += " more";
    }
    return lines;
}

// "No chip answered (...)." from the engine's "no chip answered (...)".
std::string Sentence(std::string text) {
    if (!text.empty()) {
        text.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(text.front())));
        text += '.';
    }
    return text;
}

// The message for an outcome that ends every command alike; empty for others.
std::string CommonMessage(const OperationResult& result, const Device* asked) {
    switch (result.outcome) {
        case OperationOutcome::PortError:
            return FormatText(
                "The parallel port refused %llu accesses: nothing read or written "
                "counts.",
                static_cast<unsigned long long>(result.portFailures));
        case OperationOutcome::TooLarge:
            return "The file holds " +
                   LocationText(result.differences.at(0).space, result.differences.at(0).address) +
                   ", which the chip does not have.";
        case OperationOutcome::WrongChip:
            return Sentence(IdentifyProblem(result, asked) + " under Device > Chip");
        default:
            return Sentence(IdentifyProblem(result, asked));
    }
}

class DeviceCommandRun {
  public:
    DeviceCommandRun(ProgrammingSession& session, const Device& device, std::uint16_t idWord,
                     const ChipImage* file)
        : session_(session), device_(device), chip_(ChipText(device, idWord)), file_(file) {}

    void Run(DeviceCommandKind kind, DeviceCommandReport& report) {
        switch (kind) {
            case DeviceCommandKind::Identify:
                report.message = "Found " + chip_;
                report.status = "Identified " + Name(device_);
                return;
            case DeviceCommandKind::Read:
                return ReadChip(report);
            case DeviceCommandKind::Verify:
                return Finish(
                    // Every difference, for the memory view to mark.
                    Verify(session_, device_, *file_, DifferencesKept::All),
                    "Verify OK: the " + Name(device_) + " holds the file",
                    "The " + Name(device_) + " differs from the file; first differences:", report);
            case DeviceCommandKind::BlankCheck:
                return Finish(BlankCheck(session_, device_), "The " + Name(device_) + " is blank",
                              "The " + Name(device_) + " is not blank:", report);
            case DeviceCommandKind::WriteAll:
                return Finish(Write(session_, device_, *file_), "Wrote and verified " + chip_,
                              "Write failed: the " + Name(device_) +
                                  " does not hold what was written; first differences:",
                              report);
        }
    }

  private:
    void ReadChip(DeviceCommandReport& report) {
        ReadResult result = Read(session_, device_);
        if (!Common(result, report)) {
            return;
        }
        report.message = "Read " + chip_ + ProtectionLines(result, "it is not in the file");
        report.status = "Read " + Name(device_);
        report.chipImage = std::move(result.image);
    }

    void Finish(const OperationResult& result, const std::string& done, const std::string& failed,
                DeviceCommandReport& report) {
        if (!Common(result, report)) {
            return;
        }
        report.differences = result.differences;
        const std::string hidden = ProtectionLines(result, "it was not compared");
        if (result.outcome == OperationOutcome::Completed) {
            report.message = done;
            report.status = done;
        } else if (result.outcome == OperationOutcome::Protected) {
            report.message =
                "Verify incomplete: the rest of the file matches the " + Name(device_) + hidden;
            report.status = "Verify incomplete: code-protected memory was not compared";
        } else {
            report.message = failed + DifferenceLines(result.differences) + hidden;
            report.status =
                result.differences.empty() ? failed : DifferenceText(result.differences.front());
        }
    }

    // One line for each part of the chip that code protection hid, saying
    // what that meant for the command.
    static std::string ProtectionLines(const OperationResult& result, const char* consequence) {
        std::string lines;
        for (const std::string& area : ProtectedAreas(result)) {
            lines += '\n';
            lines += Sentence(area + " is code-protected: " + consequence);
        }
        return lines;
    }

    // False, with the report filled in, when the outcome ends every command alike.
    static bool Common(const OperationResult& result, DeviceCommandReport& report) {
        report.outcome = result.outcome;
        if (result.outcome == OperationOutcome::Cancelled) {
            report.status = "Cancelled; VPP off";
            return false;
        }
        report.message = CommonMessage(result, nullptr);
        if (!report.message.empty()) {
            report.status = report.message.substr(0, report.message.find('\n'));
            return false;
        }
        return true;
    }

    ProgrammingSession& session_;
    const Device& device_;
    std::string chip_;
    const ChipImage* file_;
};

}  // namespace

DeviceCommandReport RunDeviceCommand(DeviceCommandKind kind, LineTransport& lines,
                                     OperationProgress& progress, const Device* asked,
                                     const ChipImage* file, const TimingProfile& timing) {
    DeviceCommandReport report;
    // The fast timing leaves a slow data line no slack: the line is checked
    // first, and its rise time waited for after every release.
    LineCheckResult board;
    if (timing.needsLineCheck) {
        board = CheckLines(lines);
        if (board.fault != LineFault::None) {
            target_lines::LeaveTargetRunning(lines);
            report.outcome = OperationOutcome::NoChip;  // no chip could be reached
            report.message = Sentence(LineFaultText(board.fault));
            report.status = report.message;
            return report;
        }
    }
    ProgrammingSession session(lines, timing, &progress, board);
    const OperationResult identity = Identify(session, asked);
    report.outcome = identity.outcome;
    report.device = identity.found;
    if (identity.outcome == OperationOutcome::Cancelled) {
        report.status = "Cancelled; VPP off";
        return report;
    }
    if (identity.outcome != OperationOutcome::Completed) {
        report.message = CommonMessage(identity, asked);
        report.status = report.message.substr(0, report.message.find('\n'));
        return report;
    }
    DeviceCommandRun(session, *identity.found, identity.idWord, file).Run(kind, report);
    return report;
}

}  // namespace tallis
