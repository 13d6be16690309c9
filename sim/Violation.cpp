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
        case ViolationKind::VppHold:
            return "VPP hold";
        case ViolationKind::ProgramTimeTooLong:
            return "program time too long";
        case ViolationKind::DataContention:
            return "data contention";
        case ViolationKind::VppLateAfterPowerUp:
            return "VPP late after power-up";
        case ViolationKind::LowVoltageEntry:
            return "low-voltage entry";
    }
    return "?";
}

const char* HazardKindName(HazardKind kind) {
    switch (kind) {
        case HazardKind::EntryFromRunningChip:
            return "entry from a running chip";
        case HazardKind::CycleBelowRevisedMinimum:
            return "cycle below the revised minimum";
    }
    return "?";
}

static_assert(static_cast<std::size_t>(ViolationKind::LowVoltageEntry) + 1 == kViolationKinds);
static_assert(static_cast<std::size_t>(HazardKind::CycleBelowRevisedMinimum) + 1 == kHazardKinds);

namespace {

std::string TimeText(std::uint64_t timeNs) {
    char when[32];
    std::snprintf(when, sizeof when, "%.3f us: ", static_cast<double>(timeNs) / 1000.0);
    return when;
}

}  // namespace

void ViolationLog::Record(ViolationKind kind, std::uint64_t timeNs, std::string detail) {
    ++counts_[static_cast<std::size_t>(kind)];
    ++total_;
    if (violations_.size() < kMaxKept) {
        violations_.push_back(Violation{kind, timeNs, std::move(detail)});
    }
}

void ViolationLog::RecordHazard(HazardKind kind, std::uint64_t timeNs, std::string detail) {
    ++hazardCounts_[static_cast<std::size_t>(kind)];
    ++hazardTotal_;
    if (hazards_.size() < kMaxKept) {
        hazards_.push_back(Hazard{kind, timeNs, std::move(detail)});
    }
}

void ViolationLog::Clear() {
    violations_.clear();
    counts_.fill(0);
    total_ = 0;
    hazards_.clear();
    hazardCounts_.fill(0);
    hazardTotal_ = 0;
}

std::string ViolationLog::DescribeViolations() const {
    std::string text;
    for (const Violation& v : violations_) {
        text += TimeText(v.timeNs) + ViolationKindName(v.kind) + ": " + v.detail + '\n';
    }
    if (total_ > violations_.size()) {
        text += std::to_string(total_ - violations_.size()) + " more not kept\n";
    }
    return text;
}

std::string ViolationLog::Describe() const {
    std::string text = DescribeViolations();
    for (const Hazard& h : hazards_) {
        text += TimeText(h.timeNs) + "hazard: " + HazardKindName(h.kind) + ": " + h.detail + '\n';
    }
    if (hazardTotal_ > hazards_.size()) {
        text += std::to_string(hazardTotal_ - hazards_.size()) + " more hazards not kept\n";
    }
    return text;
}

}  // namespace tallis::sim
