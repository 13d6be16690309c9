#include "sim/Violation.h"

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

static_assert(static_cast<std::size_t>(ViolationKind::BadEraseSequence) + 1 == kViolationKinds);

void ViolationLog::Record(ViolationKind kind, std::uint64_t timeNs, std::string detail) {
    ++counts_[static_cast<std::size_t>(kind)];
    ++total_;
    if (violations_.size() < kMaxKept) {
        violations_.push_back(Violation{kind, timeNs, std::move(detail)});
    }
}

void ViolationLog::Clear() {
    violations_.clear();
    counts_.fill(0);
    total_ = 0;
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
    if (total_ > violations_.size()) {
        text += std::to_string(total_ - violations_.size()) + " more not kept\n";
    }
    return text;
}

}  // namespace tallis::sim
