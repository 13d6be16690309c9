// How a chip comes into programming mode besides VPP on MCLR: low-voltage
// programming through PGM, and the order of VDD and VPP for a chip that runs
// without MCLR.
//
// Low-voltage entry (DS41196 section 2.4 and figure 2-3 for the 62xA; DS41287
// section 3.1 for the 88x; the 87x and 87xA take the same sequence on RB3):
// with the configuration's LVP bit set, RB6/RB7 low, PGM raised, then MCLR
// taken from VIL to VDD; the address counter starts at 0 as with VPP. With
// LVP clear, RB3 (RB4) is an I/O pin and the chip simply runs. Raising PGM
// is the only thing that differs: the commands and their times are the same.
//
// VPP before VDD (DS41196 section 2.4, only that order for high-voltage
// entry; DS41287 section 3.0, required with FOSC 100 or 101 and MCLRE 0): a
// chip on its internal oscillator with MCLR as an input runs its program as
// soon as VDD is on, whatever MCLR does, and may drive its programming pins
// before VPP comes.
#include <cstdio>
#include <string>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kUs = 1000;
// PGM high this long before MCLR rises (TLVPP, DS41196 table 4-1; the
// 87x/87xA and 88x documents name no other figure).
constexpr std::uint64_t kPgmHoldNs = 5 * kUs;
// RB6/RB7 low before MCLR rises (TSET0), as for VPP entry.
constexpr std::uint64_t kEntrySetupNs = 100;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[240];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

double Us(std::uint64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

// The oscillator field's value names an internal oscillator.
bool InternalOscillator(const Device& device, std::uint16_t config) {
    for (const ConfigField& field : device.configFields) {
        if (field.name != "FOSC") {
            continue;
        }
        for (const ConfigChoice& choice : field.choices) {
            if ((config & field.mask) == choice.value &&
                choice.meaning.starts_with("internal oscillator")) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::optional<VppAfterRun> VppAfterRunNamed(std::string_view name) {
    if (name == "refused") {
        return VppAfterRun::Refused;
    }
    if (name == "enters") {
        return VppAfterRun::Enters;
    }
    return std::nullopt;
}

bool PicChip::LowVoltageEnabled() const {
    const std::uint16_t lvp = device_.ConfigMask("LVP");
    return lvp != 0 && (memory_.ConfigWord() & lvp) != 0;
}

bool PicChip::RunsWithoutMclr() const {
    const std::uint16_t mclre = device_.ConfigMask("MCLRE");
    const std::uint16_t config = memory_.ConfigWord();
    return mclre != 0 && (config & mclre) == 0 && InternalOscillator(device_, config);
}

// MCLR has just risen from low to VDD with PGM high. True when that was taken
// as a low-voltage entry (made or refused for its timing); false when the
// chip just runs.
bool PicChip::EnterLowVoltage(std::uint64_t now) {
    if (device_.ConfigMask("LVP") == 0) {
        return false;  // no PGM function: the pin is an I/O pin
    }
    if (!LowVoltageEnabled()) {
        log_.Record(ViolationKind::LowVoltageEntry, now,
                    "PGM high as MCLR rose, but the configuration's LVP bit is 0: the pin is an "
                    "I/O pin, the chip runs its program and only VPP can enter");
        return false;
    }
    if (!linesLow_ || now - linesLowSinceNs_ < kEntrySetupNs) {
        log_.Record(ViolationKind::LowVoltageEntry, now,
                    Format("MCLR rose with PGM high and RB6=%d RB7=%d (both must be low for "
                           "0.1 us): no programming mode",
                           rb6_ ? 1 : 0, rb7_ ? 1 : 0));
        return true;
    }
    if (now - pgmRoseNs_ < kPgmHoldNs) {
        log_.Record(ViolationKind::LowVoltageEntry, now,
                    Format("MCLR rose %.3f us after PGM (needs 5 us): no programming mode",
                           Us(now - pgmRoseNs_)));
        return true;
    }
    EnterProgramming(now);
    lowVoltage_ = true;
    return true;
}

// PGM falling in low-voltage programming mode ends it; with MCLR still at VDD
// the chip then runs its program while the host still holds its pins. In
// high-voltage programming with LVP set, a PGM edge may reset the address
// counter (DS41196 section 2.4; the 88x errata, every silicon revision).
void PicChip::UpdatePgm(bool high, std::uint64_t nowNs) {
    if (high == pgm_) {
        return;
    }
    pgm_ = high;
    if (high) {
        pgmRoseNs_ = nowNs;
    }
    if (mode_ != ChipMode::Programming) {
        return;
    }
    if (lowVoltage_) {
        LeaveProgramming(nowNs);
        lowVoltage_ = false;
        mode_ = ChipMode::Running;
        ++resetReleases_;
        log_.Record(ViolationKind::LowVoltageEntry, nowNs,
                    "PGM fell with MCLR still at VDD: the chip left programming mode and ran "
                    "its program (take MCLR low first)");
    } else if (LowVoltageEnabled()) {
        log_.Record(ViolationKind::LowVoltageEntry, nowNs,
                    "PGM changed in high-voltage programming with LVP set: the edge may reset "
                    "the address counter (hold PGM low)");
    }
}

// High-voltage entry with PGM high on a chip whose LVP is set: the errata ask
// for PGM held low.
void PicChip::CheckPgmAtVppEntry(std::uint64_t now) {
    if (pgm_ && LowVoltageEnabled()) {
        log_.Record(ViolationKind::LowVoltageEntry, now,
                    "VPP applied with PGM high on a chip with LVP set (hold PGM low during "
                    "high-voltage programming)");
    }
}

// A chip that runs without MCLR has run since VDD came on unless VPP came
// with it (VPP first: the board's VPP was on before VDD).
bool PicChip::RefuseVppAfterRun(std::uint64_t now) {
    // The 87/88 judge their own window after VDD (PicChip8788.cpp).
    if (type_ == TargetType::Pic16F88 || !RunsWithoutMclr() || !powered_ ||
        now == poweredSinceNs_) {
        return false;
    }
    const char* what =
        "VPP came %.3f us after VDD on a chip with the internal oscillator and MCLR as an "
        "input: it ran its program since VDD came on (it needs VPP before VDD)";
    if (settings_.vppAfterRun == VppAfterRun::Enters) {
        log_.RecordHazard(HazardKind::EntryFromRunningChip, now,
                          Format(what, Us(now - poweredSinceNs_)));
        return false;
    }
    mode_ = ChipMode::VppRejected;
    log_.Record(ViolationKind::VppEntry, now,
                Format(what, Us(now - poweredSinceNs_)) + ": no programming mode");
    return true;
}

}  // namespace tallis::sim
