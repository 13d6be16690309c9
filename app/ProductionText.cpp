#include "app/ProductionText.h"

#include "engine/ResultText.h"

namespace tallis {

std::optional<std::string> FirstDifference(const ChipRun& run) {
    const ReadResult& result = run.report.result;
    if (result.outcome != OperationOutcome::WriteFailed || result.differences.empty()) {
        return std::nullopt;
    }
    return DifferenceText(result.differences.front());
}

std::string ChipRunProblem(const ChipRun& run, const Device* asked) {
    const ReadResult& result = run.report.result;
    if (run.report.lineFault != LineFault::None) {
        return LineFaultText(run.report.lineFault);
    }
    switch (result.outcome) {
        case OperationOutcome::Completed:
            return {};
        case OperationOutcome::WriteFailed:
            return "the " + std::string(result.found->name) +
                   " does not hold what was written: " + FirstDifference(run).value_or("");
        case OperationOutcome::TooLarge:
            return "the file holds " +
                   LocationText(result.differences.at(0).space, result.differences.at(0).address) +
                   ", which the " + std::string(result.found->name) + " does not have";
        case OperationOutcome::Cancelled:
            return "stopped before the chip was finished; VPP is off";
        case OperationOutcome::PortError:
            return "the port refused " + std::to_string(result.portFailures) +
                   " accesses: nothing written counts";
        default: {
            std::string problem = IdentifyProblem(result, asked);
            return problem.empty() ? "failed" : problem;
        }
    }
}

}  // namespace tallis
