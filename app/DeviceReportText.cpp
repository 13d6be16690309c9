#include "app/DeviceReportText.h"

#include <cctype>

#include "app/DifferenceList.h"
#include "app/FileNames.h"
#include "engine/ResultText.h"
#include "image/ImageChecksum.h"

namespace tallis {

namespace {

std::string Name(const Device& device) {
    return std::string(device.name);
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
std::string CommonMessage(const OperationReport& report, const Device* asked) {
    const OperationResult& result = report.result;
    if (report.lineFault != LineFault::None) {
        return Sentence(LineFaultText(report.lineFault));
    }
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
        case OperationOutcome::CalibrationKept:
            return Sentence(CalibrationKeptText(result.differences.at(0)));
        case OperationOutcome::CalibrationNotSaved:
            return Sentence("The chip's calibration could not be kept before the erase (" +
                            report.calibrationError + "); nothing was erased");
        case OperationOutcome::LvpOffRefused:
            return Sentence(LvpOffText(result.differences.at(0)));
        default:
            return Sentence(IdentifyProblem(result, asked));
    }
}

// One line for each part of the chip that code protection hid, saying what
// that meant for the command.
std::string ProtectionLines(const OperationResult& result, const char* consequence) {
    std::string lines;
    for (const std::string& area : ProtectedAreas(result)) {
        lines += '\n';
        lines += Sentence(area + " is code-protected: " + consequence);
    }
    return lines;
}

// How a verify, blank check or write that ran to its end turned out.
DeviceReportText Finished(const OperationResult& result, const std::string& done,
                          const std::string& failed, const Device& device) {
    const std::string hidden = ProtectionLines(result, "it was not compared");
    if (result.outcome == OperationOutcome::Completed) {
        return {done, done};
    }
    if (result.outcome == OperationOutcome::Protected) {
        return {"Verify incomplete: the rest of the file matches the " + Name(device) + hidden,
                "Verify incomplete: code-protected memory was not compared"};
    }
    std::string message = failed;
    for (const std::string& line : DifferenceLines(result.differences)) {
        message += '\n' + line;
    }
    if (result.outcome == OperationOutcome::Differs ||
        result.outcome == OperationOutcome::WriteFailed ||
        result.outcome == OperationOutcome::NotErased) {
        message += '\n' + std::string(kEraseWriteSupplyText);
    }
    return {message + hidden,
            result.differences.empty() ? failed : DifferenceText(result.differences.front())};
}

// ", checksum 0115" of what a read took from the chip; nothing when code
// protection kept program memory from it.
std::string ReadChecksum(const ReadResult& result, const Device& device) {
    if (result.ProgramProtected()) {
        return {};
    }
    return ", checksum " + ChecksumText(ImageChecksum(result.image, device));
}

DeviceReportText WriteText(const OperationResult& result, const Device& device,
                           const std::string& chip) {
    if (result.outcome == OperationOutcome::NotErased) {
        return Finished(
            result, {},
            "The erase did not clear the " + Name(device) + "; nothing was written:", device);
    }
    return Finished(
        result, "Wrote and verified " + chip,
        "Write failed: the " + Name(device) + " does not hold what was written; first differences:",
        device);
}

// A write's calibration lost before it, and where the calibration read
// before the erase is when the write did not put it back.
DeviceReportText WithCalibrationNotes(DeviceReportText text, const OperationReport& report) {
    if (report.result.calibrationLost) {
        text.message += '\n' + Sentence(kCalibrationLostText);
    }
    if (report.Outcome() != OperationOutcome::Completed && report.calibrationFile) {
        text.message +=
            '\n' + Sentence("The chip's calibration, read before the erase, is kept in " +
                            PathText(*report.calibrationFile));
    }
    return text;
}

}  // namespace

DeviceReportText DescribeDeviceReport(DeviceCommandKind kind, const OperationReport& report,
                                      const Device* asked) {
    const ReadResult& result = report.result;
    if (result.outcome == OperationOutcome::Cancelled) {
        return {{}, "Cancelled; VPP off"};
    }
    if (std::string message = CommonMessage(report, asked); !message.empty()) {
        std::string status = message.substr(0, message.find('\n'));
        return {std::move(message), std::move(status)};
    }
    const Device& device = *report.Chip();
    const std::string chip = ChipText(device, result.idWord);
    switch (kind) {
        case DeviceCommandKind::Identify:
            return {"Found " + chip, "Identified " + Name(device)};
        case DeviceCommandKind::Read:
            return {"Read " + chip + ProtectionLines(result, "it is not in the file"),
                    "Read " + Name(device) + ReadChecksum(result, device)};
        case DeviceCommandKind::Verify:
            return Finished(
                result, "Verify OK: the " + Name(device) + " holds the file",
                "The " + Name(device) + " differs from the file; first differences:", device);
        case DeviceCommandKind::BlankCheck:
            return Finished(result, "The " + Name(device) + " is blank",
                            "The " + Name(device) + " is not blank:", device);
        case DeviceCommandKind::WriteAll:
            return WithCalibrationNotes(WriteText(result, device, chip), report);
    }
    return {};
}

}  // namespace tallis
