#include "sim/Violation.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tallis::sim {

const char* ViolationKindName(ViolationKind kind) {
    switch (kind) {
        case ViolationKind::PortAddress:
            return "port address";
        case ViolationKind::VppEntry:
            return "VPP entry";
        case ViolationKind::DataSetupHold:
            return "data setup/hold";
        case ViolationKind::CommandTooSoon:
            return "command too soon";
        case ViolationKind::CommandWhileBusy:
            return "command while busy";
        case ViolationKind::CommandDuringTdis:
            return "command during TDIS";
        case ViolationKind::UnknownCommand:
            return "unknown command";
        case ViolationKind::ProgramTimeTooShort:
            return "program time too short";
        case ViolationKind::EraseTimeTooShort:
            return "erase time too short";
        case ViolationKind::ProgrammingNotEnded:
            return "programming not ended";
        case ViolationKind::IncompleteFrame:
            return "incomplete frame";
        case ViolationKind::BadEraseSequence:
            return "bad erase sequence";
    }
    return "?";
}

void ViolationLog::Record(ViolationKind kind, std::uint64_t timeNs, std::string detail) {
    violations_.push_back(Violation{kind, timeNs, std::move(detail)});
}

std::size_t ViolationLog::Count(ViolationKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(violations_.begin(), violations_.end(),
                      [kind](const Violation& v) { return v.kind == kind; }));
}

std::string ViolationLog::Describe() const {
    std::string text;
    for (const Violation& v : violations_) {
        char when[32];
        std::snprintf(when, sizeof when, "%.3f us", static_cast<double>(v.timeNs) / 1000.0);
        text += when;
        text += ": ";
        text += ViolationKindName(v.kind);
        text += ": ";
        text += v.detail;
        text += '\n';
    }
    return text;
}

}  // namespace tallis::sim
