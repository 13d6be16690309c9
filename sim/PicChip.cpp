#include "sim/PicChip.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

namespace tallis::sim {

namespace {

constexpr std::uint64_t kUs = 1000;
constexpr std::uint64_t kMs = 1000 * kUs;

// The chip's minimum times.
constexpr std::uint64_t kSetupHoldNs = 100;  // RB7 around the falling edge
constexpr std::uint64_t kTdlyNs = 1 * kUs;   // between command and data, command and command
// Clock to data out valid while reading: the chip puts each bit on RB7 this
// long after the rising clock edge (DS39025F and DS39589B, the AC timing
// requirements table of program/verify mode); a sample taken sooner reads
// the level before.
constexpr std::uint64_t kDataOutDelayNs = 80;
// Erase and programming need VDD 4.5-5.5 V on both families (DS39025F
// Table 2-2, DS39589B Table 2-1); reading works lower. Below it an erase or
// write cycle runs its time and leaves memory as it was.
constexpr double kEraseWriteMinimumVdd = 4.5;
constexpr double kLowestVdd = 2.0;
constexpr double kHighestVdd = 5.5;
// RB6/RB7 low before VPP rises (TSET0) and held low after it (THLD0): the
// values of this family's sibling programming documents. The hold is
// checked at the first clock edge.
constexpr std::uint64_t kEntrySetupNs = 100;
constexpr std::uint64_t kEntryHoldNs = 5 * kUs;
// Quiet time after End Programming (TDIS). The sources agree that nothing may
// follow within it; none says whether the chip then takes or drops a command.
// The chip drops it (and records the violation), so that a host breaking TDIS
// sees the command lost, as a failed read-back, instead of passing here on a
// sequence a real chip may not take.
constexpr std::uint64_t kTdisNs = 100 * kUs;
constexpr std::uint64_t kProgramOnly877Ns = 4 * kMs;   // 877 command 24, internally timed
constexpr std::uint64_t kEraseProgramNs = 8 * kMs;     // command 8, erase then program
constexpr std::uint64_t kProgramOnly877ANs = 1 * kMs;  // 877A command 24 until End Programming
constexpr std::uint64_t kEraseNs = 8 * kMs;            // chip erase and bulk erases
// The 877A's Chip Erase, bulk erases and command 8: DS39589B's command mapping
// table gives 8 ms (kEraseNs, kEraseProgramNs: below it nothing is committed);
// DS39589C's timing table, as pickle quotes it, gives 10 ms, and PICkit 2
// (10.9 ms), pickle and usbpicprog (10 ms) and OpenProg (15 ms) all wait at
// least that. A cycle ended between the two is committed and noted as a
// hazard, never a violation: the classic erase's 9 ms has erased real chips.
constexpr std::uint64_t kErase877ARevisedNs = 10 * kMs;
// The only data EEPROM write time any source gives is command 8's 8 ms; the
// 1 ms of command 24 is the program-memory row's. An 877A EEPROM byte written
// with command 24 therefore needs 8 ms before End Programming too.
constexpr std::uint64_t kEepromProgramOnly877ANs = kEraseProgramNs;

// Whether the 877's code-protect-disable erase (1, 7, 8 at 0x2007) also
// clears the ID locations (and the debug vector beside them): the sources
// leave it open. One established programmer's change log says its erase
// clears them, and the 877A's Chip Erase clears them when given from
// configuration space, as this erase is: so it clears them.
constexpr bool kCodeProtectEraseClearsIds = true;

enum Command : std::uint8_t {
    kLoadConfiguration = 0,
    kBulkEraseSetup1 = 1,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBulkEraseSetup2 = 7,
    kBeginEraseProgramming = 8,
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
    kEndProgramming = 23,
    kBeginProgrammingOnly = 24,
    kChipErase = 31,
};

constexpr std::uint64_t Bit(unsigned code) {
    return std::uint64_t{1} << code;
}

constexpr std::uint64_t kCommonCommands =
    Bit(kLoadConfiguration) | Bit(kLoadDataProgram) | Bit(kLoadDataData) | Bit(kReadDataProgram) |
    Bit(kReadDataData) | Bit(kIncrementAddress) | Bit(kBeginEraseProgramming) |
    Bit(kBulkEraseProgram) | Bit(kBulkEraseData) | Bit(kBeginProgrammingOnly);
constexpr std::uint64_t k877Commands =
    kCommonCommands | Bit(kBulkEraseSetup1) | Bit(kBulkEraseSetup2);
constexpr std::uint64_t k877ACommands = kCommonCommands | Bit(kEndProgramming) | Bit(kChipErase);

bool TakesDataIn(std::uint8_t code) {
    return code == kLoadConfiguration || code == kLoadDataProgram || code == kLoadDataData;
}
bool GivesDataOut(std::uint8_t code) {
    return code == kReadDataProgram || code == kReadDataData;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[200];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

double Us(std::uint64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

}  // namespace

const char* ChipModeName(ChipMode mode) {
    switch (mode) {
        case ChipMode::Reset:
            return "reset";
        case ChipMode::Running:
            return "running";
        case ChipMode::VppRejected:
            return "VPP without programming mode";
        case ChipMode::Programming:
            return "programming";
    }
    return "?";
}

std::optional<ConfigLatches> ConfigLatchesNamed(std::string_view name) {
    if (name == "single") {
        return ConfigLatches::Single;
    }
    if (name == "row") {
        return ConfigLatches::Row;
    }
    return std::nullopt;
}

std::optional<EepromEraseAtConfig> EepromEraseAtConfigNamed(std::string_view name) {
    if (name == "erases") {
        return EepromEraseAtConfig::Erases;
    }
    if (name == "ignores") {
        return EepromEraseAtConfig::Ignores;
    }
    return std::nullopt;
}

std::optional<double> SupplyVoltageNamed(std::string_view text) {
    double volts = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), volts, std::chars_format::fixed);
    const bool inRange = volts >= kLowestVdd && volts <= kHighestVdd;  // false for NaN
    if (error != std::errc{} || end != text.data() + text.size() || !inRange) {
        return std::nullopt;
    }
    return volts;
}

PicChip::PicChip(const Device& device, SimClock& clock, ViolationLog& log, std::uint16_t deviceId,
                 const ChipSettings& settings)
    : device_(device),
      type_(TypeOf(device)),
      settings_(settings),
      clock_(clock),
      log_(log),
      memory_(ChipMemory::Blank(type_, deviceId != 0 ? deviceId : DefaultDeviceId(device))) {
    ResetLatches();
}

// ---- Pins -------------------------------------------------------------------

void PicChip::SupplyChanged(bool on, std::uint64_t nowNs) {
    vddRoseNs_ = on ? std::optional<std::uint64_t>(nowNs) : std::nullopt;
    powered_ = on;
    poweredSinceNs_ = nowNs;
}

void PicChip::UpdatePins(MclrLevel mclr, bool rb6, bool rb7, std::uint64_t now, bool vppRising) {
    if (cycle_.active) {
        Settle(now);
    }
    SettleDrive(now);
    if (mclr != mclr_) {
        OnMclrChange(mclr, now);
    }
    if (rb7 != rb7_) {
        // Hold time matters only after an edge that took a bit from the host; the
        // last edge of a read frame latches nothing.
        if (mode_ == ChipMode::Programming && lastFallLatchedHostBit_ &&
            now - lastFallNs_ < kSetupHoldNs) {
            log_.Record(ViolationKind::DataSetupHold, now,
                        Format("RB7 changed %.3f us after the falling clock edge (hold 0.1 us)",
                               Us(now - lastFallNs_)));
        }
        rb7_ = rb7;
        lastRb7ChangeNs_ = now;
    }
    const bool low = !rb6 && !rb7;
    if (low != linesLow_) {
        linesLow_ = low;
        linesLowSinceNs_ = now;
    }
    if (rb6 && !rb6_ && vppRising) {
        log_.Record(ViolationKind::VppHold, now, "clock pulse while VPP was still rising");
    }
    if (rb6 != rb6_) {
        rb6_ = rb6;
        if (mode_ == ChipMode::Programming) {
            CheckEntryHold(now);
            if (rb6) {
                OnRisingEdge(now);
            } else {
                OnFallingEdge(rb7, now);
            }
        }
    }
}

void PicChip::OnMclrChange(MclrLevel level, std::uint64_t now) {
    const MclrLevel old = mclr_;
    mclr_ = level;
    if (mode_ == ChipMode::Programming) {
        LeaveProgramming(now);
    }
    switch (level) {
        case MclrLevel::Low:
            mode_ = ChipMode::Reset;
            break;
        case MclrLevel::High:
            mode_ = ChipMode::Running;
            if (old == MclrLevel::Low && !(pgm_ && EnterLowVoltage(now))) {
                ++resetReleases_;
            }
            break;
        case MclrLevel::Vpp:
            if (RefuseVppAfterRun(now)) {
                break;
            }
            CheckPgmAtVppEntry(now);
            if (linesLow_ && now - linesLowSinceNs_ >= kEntrySetupNs) {
                EnterProgramming(now);
                if (type_ == TargetType::Pic16F88) {
                    JudgePowerUpEntry8788(now);
                }
                if (old == MclrLevel::High) {
                    log_.RecordHazard(HazardKind::EntryFromRunningChip, now,
                                      "MCLR went from VDD to VPP: the chip ran its program "
                                      "until then");
                }
            } else {
                mode_ = ChipMode::VppRejected;
                log_.Record(ViolationKind::VppEntry, now,
                            linesLow_
                                ? Format("RB6/RB7 low only %.3f us before VPP (needs 0.1 us): "
                                         "no programming mode",
                                         Us(now - linesLowSinceNs_))
                                : Format("VPP applied with RB6=%d RB7=%d (both must be low): "
                                         "no programming mode",
                                         rb6_ ? 1 : 0, rb7_ ? 1 : 0));
            }
            break;
    }
}

void PicChip::CheckEntryHold(std::uint64_t now) {
    if (clockedSinceEntry_) {
        return;
    }
    clockedSinceEntry_ = true;
    if (now - enteredNs_ < kEntryHoldNs) {
        log_.Record(ViolationKind::VppHold, now,
                    Format("first clock edge %.3f us after VPP reached its level (needs 5 us)",
                           Us(now - enteredNs_)));
    }
}

// Between frames: the next clock starts a command and RB7 is the host's.
void PicChip::AwaitCommand() {
    phase_ = Phase::Command;
    bitCount_ = 0;
    riseCount_ = 0;
    shift_ = 0;
}

std::optional<std::uint64_t> PicChip::DriveChangeDueNs() const {
    return drivePending_ ? std::optional<std::uint64_t>(driveDueNs_) : std::nullopt;
}

void PicChip::SettleDrive(std::uint64_t nowNs) {
    if (drivePending_ && driveDueNs_ <= nowNs) {
        driveLow_ = nextDriveLow_;
        drivePending_ = false;
    }
}

// A level asked for before the last one took effect replaces it.
void PicChip::DriveAfterDelay(bool low, std::uint64_t risingEdgeNs) {
    drivePending_ = low != driveLow_;
    nextDriveLow_ = low;
    driveDueNs_ = risingEdgeNs + kDataOutDelayNs;
}

// Leaving or entering programming mode lets go of RB7 at once.
void PicChip::ReleaseRb7() {
    driveLow_ = false;
    drivePending_ = false;
}

void PicChip::EnterProgramming(std::uint64_t now) {
    mode_ = ChipMode::Programming;
    lowVoltage_ = false;
    enteredNs_ = now;
    clockedSinceEntry_ = false;
    pc_ = 0;
    AwaitCommand();
    ReleaseRb7();
    frameEnded_ = false;
    tdisUntilNs_ = 0;
    setupStep_ = 0;
    pendingErase_ = PendingErase::None;
    lastLoad_ = LastLoad::None;
    ResetLatches();
    ++programModeEntries_;
}

void PicChip::LeaveProgramming(std::uint64_t now) {
    if (cycle_.active) {
        AbortCycle(now, "programming mode was left");
    }
    if (phase_ != Phase::Command || bitCount_ != 0) {
        log_.Record(ViolationKind::IncompleteFrame, now,
                    Format("programming mode left after %u of %u clocks of a %s", bitCount_,
                           phase_ == Phase::Command ? 6U : 16U,
                           phase_ == Phase::Command ? "command" : "data frame"));
    }
    AwaitCommand();
    ReleaseRb7();
}

// ---- Framing ----------------------------------------------------------------

void PicChip::OnRisingEdge(std::uint64_t now) {
    switch (phase_) {
        case Phase::Command:
            if (bitCount_ == 0) {
                CheckFrameStart(now);
                startBusy_ = cycle_.active && !cycle_.externallyTimed;
                startInTdis_ = now < tdisUntilNs_;
            }
            break;
        case Phase::DataIn:
        case Phase::DataIgnored:
            if (riseCount_++ == 0) {
                CheckFrameStart(now);
            }
            break;
        case Phase::DataOut:
            if (riseCount_++ == 0) {
                CheckFrameStart(now);
            }
            // Rising edges 2..15 put data bits 0..13 on RB7; the 16th releases it.
            if (riseCount_ >= 2 && riseCount_ <= 15) {
                DriveAfterDelay(((outWord_ >> (riseCount_ - 2)) & 1U) == 0, now);
            } else {
                DriveAfterDelay(false, now);
            }
            break;
    }
}

void PicChip::CheckFrameStart(std::uint64_t now) {
    commandStartNs_ = now;
    if (frameEnded_ && now - frameEndNs_ < kTdlyNs) {
        log_.Record(
            ViolationKind::CommandTooSoon, now,
            Format("%s %.3f us after the previous frame ended (needs 1 us)",
                   phase_ == Phase::Command ? "command" : "data frame", Us(now - frameEndNs_)));
    }
}

void PicChip::OnFallingEdge(bool bit, std::uint64_t now) {
    const bool hostDrives = phase_ == Phase::Command || phase_ == Phase::DataIn;
    if (hostDrives && now - lastRb7ChangeNs_ < kSetupHoldNs) {
        log_.Record(ViolationKind::DataSetupHold, now,
                    Format("RB7 changed %.3f us before the falling clock edge (setup 0.1 us)",
                           Us(now - lastRb7ChangeNs_)));
    }
    lastFallLatchedHostBit_ = hostDrives;
    lastFallNs_ = now;
    if (phase_ == Phase::Command) {
        shift_ |= static_cast<std::uint16_t>((bit ? 1U : 0U) << bitCount_);
        if (++bitCount_ == 6) {
            const auto code = static_cast<std::uint8_t>(shift_ & 0x3F);
            bitCount_ = 0;
            shift_ = 0;
            frameEnded_ = true;
            frameEndNs_ = now;
            DecodeCommand(code, now);
        }
        return;
    }
    if (phase_ == Phase::DataIn) {
        shift_ |= static_cast<std::uint16_t>((bit ? 1U : 0U) << bitCount_);
    }
    if (++bitCount_ == 16) {
        if (phase_ == Phase::DataIn) {
            TakeData(static_cast<std::uint16_t>((shift_ >> 1) & kWordMask));
        }
        AwaitCommand();
        frameEndNs_ = now;
    }
}

// ---- Commands ---------------------------------------------------------------

bool PicChip::IsKnownCommand(std::uint8_t code) const {
    if (type_ == TargetType::Pic16F887) {
        return IsKnownCommand88x(code);
    }
    if (type_ == TargetType::Pic16F628A) {
        return IsKnownCommand62xA(code);
    }
    if (type_ == TargetType::Pic16F84A) {
        return IsKnownCommand84A(code);
    }
    if (type_ == TargetType::Pic16F88) {
        return IsKnownCommand8788(code);
    }
    if (type_ == TargetType::Pic12F675) {
        return IsKnownCommand629(code);
    }
    const std::uint64_t known = type_ == TargetType::Pic16F877 ? k877Commands : k877ACommands;
    return (known & Bit(code)) != 0;
}

void PicChip::DecodeCommand(std::uint8_t code, std::uint64_t now) {
    ++commandCounts_[code];
    const char* reason = nullptr;
    ViolationKind kind = ViolationKind::CommandWhileBusy;
    if (startBusy_) {
        reason = "an internally timed cycle was running when it began";
    } else if (cycle_.active && cycle_.externallyTimed && code != EndProgrammingCode()) {
        reason = "a Begin Programming Only cycle is waiting for End Programming";
    } else if (startInTdis_) {
        kind = ViolationKind::CommandDuringTdis;
        reason = "it began within 100 us of End Programming";
    } else if (!IsKnownCommand(code)) {
        kind = ViolationKind::UnknownCommand;
        reason = type_ == TargetType::Pic16F877    ? "not a PIC16F877 command"
                 : type_ == TargetType::Pic16F877A ? "not a PIC16F877A command"
                 : type_ == TargetType::Pic16F887  ? "not a PIC16F88x command"
                 : type_ == TargetType::Pic16F84A  ? "not a PIC16F84A command"
                 : type_ == TargetType::Pic16F88   ? "not a PIC16F87/88 command"
                 : type_ == TargetType::Pic12F675  ? "not a PIC12F629/675 command"
                                                   : "not a PIC16F62xA command";
    }
    if (reason != nullptr) {
        ++ignoredCommands_;
        log_.Record(kind, now, Format("command %u ignored: %s", code, reason));
        // Keep the framing: a data frame that belongs to the command still comes.
        phase_ = (TakesDataIn(code) || GivesDataOut(code)) ? Phase::DataIgnored : Phase::Command;
        riseCount_ = 0;
        return;
    }
    if (type_ == TargetType::Pic16F887) {
        Execute88x(code, now);
        return;
    }
    if (type_ == TargetType::Pic16F628A) {
        Execute62xA(code, now);
        return;
    }
    if (type_ == TargetType::Pic16F84A) {
        Execute84A(code, now);
        return;
    }
    if (type_ == TargetType::Pic16F88) {
        Execute8788(code, now);
        return;
    }
    if (type_ == TargetType::Pic12F675) {
        Execute629(code, now);
        return;
    }
    Execute(code, now);
}

void PicChip::Execute(std::uint8_t code, std::uint64_t now) {
    const std::uint8_t setupStep = setupStep_;
    const PendingErase pendingErase = pendingErase_;
    setupStep_ = 0;
    pendingErase_ = PendingErase::None;
    command_ = code;
    riseCount_ = 0;
    switch (code) {
        case kLoadConfiguration:
            pc_ = kConfigSpaceStart;
            phase_ = Phase::DataIn;
            break;
        case kLoadDataProgram:
        case kLoadDataData:
            phase_ = Phase::DataIn;
            break;
        case kReadDataProgram:
            outWord_ = WordAt(pc_);
            phase_ = Phase::DataOut;
            break;
        case kReadDataData:
            outWord_ = IsDataProtected(memory_.ConfigWord()) ? 0 : memory_.eeprom[EepromIndex(pc_)];
            phase_ = Phase::DataOut;
            break;
        case kIncrementAddress:
            IncrementPc();
            break;
        case kBulkEraseSetup1:
            setupStep_ = 1;
            break;
        case kBulkEraseSetup2:
            setupStep_ = setupStep == 1 ? 2 : 0;
            break;
        case kBulkEraseProgram:
            pendingErase_ = PendingErase::Program;
            break;
        case kBulkEraseData:
            pendingErase_ = PendingErase::Data;
            break;
        case kBeginEraseProgramming:
            if (setupStep == 2) {
                StartBulkErase877(now);
            } else if (pendingErase != PendingErase::None) {
                StartErase(pendingErase == PendingErase::Program ? CycleTarget::BulkProgram
                                                                 : CycleTarget::BulkData,
                           now);
            } else {
                StartWriteCycle(code, true, now);
            }
            break;
        case kBeginProgrammingOnly:
            StartWriteCycle(code, false, now);
            break;
        case kEndProgramming:
            EndProgramming(now);
            break;
        case kChipErase:
            StartErase(CycleTarget::ChipErase, now);
            break;
        default:
            break;
    }
}

void PicChip::TakeData(std::uint16_t data) {
    if (type_ == TargetType::Pic16F887) {
        TakeData88x(data);
        return;
    }
    if (type_ == TargetType::Pic16F628A) {
        TakeData62xA(data);
        return;
    }
    if (type_ == TargetType::Pic16F84A) {
        TakeData84A(data);
        return;
    }
    if (type_ == TargetType::Pic16F88) {
        TakeData8788(data);
        return;
    }
    if (type_ == TargetType::Pic12F675) {
        TakeData629(data);
        return;
    }
    switch (command_) {
        case kLoadDataProgram:
        case kLoadConfiguration:
            if (InConfigSpace() && !ConfigThroughRowLatches()) {
                configLatch_ = data;
            } else if (type_ == TargetType::Pic16F877) {
                wordLatch_ = data;
            } else {
                rowLatches_[pc_ & 7U] = data;
            }
            lastLoad_ = LastLoad::Program;
            break;
        case kLoadDataData:
            eepromLatch_ = static_cast<std::uint8_t>(data & 0xFF);
            lastLoad_ = LastLoad::Eeprom;
            break;
        default:
            break;
    }
}

// ---- Write and erase cycles -------------------------------------------------

void PicChip::StartWriteCycle(std::uint8_t command, bool eraseFirst, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = command;
    cycle.startNs = now;
    cycle.eraseFirst = eraseFirst;
    cycle.externallyTimed = type_ == TargetType::Pic16F877A && command == kBeginProgrammingOnly;
    if (cycle.externallyTimed) {
        cycle.minDurationNs =
            lastLoad_ == LastLoad::Eeprom ? kEepromProgramOnly877ANs : kProgramOnly877ANs;
    } else {
        cycle.minDurationNs =
            command == kBeginProgrammingOnly ? kProgramOnly877Ns : kEraseProgramNs;
    }
    if (type_ == TargetType::Pic16F877A && command == kBeginEraseProgramming) {
        cycle.revisedMinDurationNs = kErase877ARevisedNs;
    }
    cycle.wordCount = 1;
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
    } else if (InConfigSpace() && ConfigThroughRowLatches()) {
        cycle.target = CycleTarget::ConfigWords;
        cycle.address = static_cast<std::uint16_t>(pc_ & ~7U);
        cycle.words = rowLatches_;
        cycle.wordCount = 8;
    } else if (InConfigSpace()) {
        cycle.target = CycleTarget::ConfigWords;
        cycle.address = pc_;
        cycle.words[0] = configLatch_;
    } else if (type_ == TargetType::Pic16F877) {
        cycle.target = CycleTarget::ProgramWords;
        cycle.address = pc_;
        cycle.words[0] = wordLatch_;
    } else {
        cycle.target = CycleTarget::ProgramWords;
        cycle.address = static_cast<std::uint16_t>(pc_ & ~7U);
        cycle.words = rowLatches_;
        cycle.wordCount = 8;
    }
    cycle_ = cycle;
    lastLoad_ = LastLoad::None;
    if (type_ == TargetType::Pic16F877A) {
        ResetLatches();
    }
}

void PicChip::StartErase(CycleTarget target, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = target == CycleTarget::ChipErase ? kChipErase : kBeginEraseProgramming;
    cycle.target = target;
    cycle.startNs = now;
    cycle.minDurationNs = kEraseNs;
    if (type_ == TargetType::Pic16F877A) {
        cycle.revisedMinDurationNs = kErase877ARevisedNs;
    }
    cycle.withIds = InConfigSpace();
    cycle_ = cycle;
}

// 877 commands 1, 7, 8: what they erase depends on where the address is and
// on the load before them. At 0x2007 they disable code protection; in program
// space after Load Data 0x3FFF they erase program memory, after Load Data for
// Data Memory 0xFF (peers send 0x3FFF: only the low byte counts) the EEPROM.
// The data-EEPROM erase given at 0x2007 takes the chosen reading.
void PicChip::StartBulkErase877(std::uint64_t now) {
    const bool eepromLoaded = lastLoad_ == LastLoad::Eeprom && eepromLatch_ == kErasedByte;
    if (pc_ == kConfigWordAddress && eepromLoaded &&
        settings_.eepromEraseAtConfig == EepromEraseAtConfig::Erases) {
        StartErase(CycleTarget::BulkData, now);
        return;
    }
    if (pc_ == kConfigWordAddress) {
        StartErase(CycleTarget::CodeProtectOff, now);
        const std::uint16_t config = memory_.ConfigWord();
        cycle_.withEeprom =
            IsCodeProtected(device_, config, device_.programWords - 1) || IsDataProtected(config);
        cycle_.withIds = kCodeProtectEraseClearsIds;
        return;
    }
    if (!InConfigSpace() && lastLoad_ == LastLoad::Program && wordLatch_ == kErasedWord) {
        StartErase(CycleTarget::BulkProgram, now);
        return;
    }
    if (!InConfigSpace() && eepromLoaded) {
        StartErase(CycleTarget::BulkData, now);
        return;
    }
    log_.Record(ViolationKind::BadEraseSequence, now,
                Format("commands 1, 7, 8 at 0x%04X, neither at 0x2007 nor after Load Data 0x3FFF "
                       "or Load Data for Data Memory 0xFF: nothing erased",
                       pc_));
}

void PicChip::EndProgramming(std::uint64_t now) {
    tdisUntilNs_ = now + kTdisNs;
    if (!cycle_.active) {
        return;  // nothing to end: harmless (it follows a chip erase, for one)
    }
    // The cycle ran from the end of command 24 to the start of End Programming.
    const std::uint64_t elapsed = commandStartNs_ - cycle_.startNs;
    if (elapsed < cycle_.minDurationNs) {
        log_.Record(ViolationKind::ProgramTimeTooShort, now,
                    Format("End Programming %.3f us after command 24 (needs %.0f us): the row "
                           "at 0x%04X is not written",
                           Us(elapsed), Us(cycle_.minDurationNs), cycle_.address));
    } else {
        Commit(cycle_);
    }
    cycle_.active = false;
}

void PicChip::Settle(std::uint64_t now) {
    if (cycle_.active && !cycle_.externallyTimed && now - cycle_.startNs >= cycle_.minDurationNs) {
        NoteBelowRevisedMinimum(now);
        Commit(cycle_);
        cycle_.active = false;
    }
}

// The cycle is over at the first change of the pins after its minimum: the
// host waited from its start until then.
void PicChip::NoteBelowRevisedMinimum(std::uint64_t now) {
    if (now - cycle_.startNs >= cycle_.revisedMinDurationNs) {
        return;
    }
    log_.RecordHazard(HazardKind::CycleBelowRevisedMinimum, now,
                      Format("the cycle of command %u ended within 10 ms: below DS39589C's 10 ms, "
                             "above DS39589B's 8 ms",
                             cycle_.command));
}

void PicChip::AbortCycle(std::uint64_t now, const char* why) {
    const std::uint64_t elapsed = now - cycle_.startNs;
    const bool erase =
        cycle_.target == CycleTarget::ChipErase || cycle_.target == CycleTarget::BulkProgram ||
        cycle_.target == CycleTarget::BulkData || cycle_.target == CycleTarget::CodeProtectOff ||
        cycle_.target == CycleTarget::RowErase;
    ViolationKind kind =
        erase ? ViolationKind::EraseTimeTooShort : ViolationKind::ProgramTimeTooShort;
    if (cycle_.externallyTimed) {
        kind = ViolationKind::ProgrammingNotEnded;
    }
    log_.Record(kind, now,
                Format("cycle of command %u cut short after %.3f us (needs %.0f us), %s: "
                       "not committed",
                       cycle_.command, Us(elapsed), Us(cycle_.minDurationNs), why));
    cycle_.active = false;
}

// What a cycle leaves in memory. An unerasable word keeps every bit that is
// clear through whatever the cycle erased; programming may clear more.
void PicChip::Commit(const Cycle& cycle) {
    if (settings_.vddVolts < kEraseWriteMinimumVdd) {
        return;
    }
    std::uint16_t* stuck = UnerasableWord();
    const std::uint16_t before = stuck != nullptr ? *stuck : kErasedWord;
    if (type_ == TargetType::Pic16F887) {
        CommitCycle88x(cycle);
    } else if (type_ == TargetType::Pic16F628A) {
        CommitCycle62xA(cycle);
    } else if (type_ == TargetType::Pic16F84A) {
        CommitCycle84A(cycle);
    } else if (type_ == TargetType::Pic16F88) {
        CommitCycle8788(cycle);
    } else if (type_ == TargetType::Pic12F675) {
        CommitCycle629(cycle);
    } else {
        CommitCycle(cycle);
    }
    if (stuck != nullptr) {
        *stuck &= before;
    }
}

std::uint16_t* PicChip::UnerasableWord() {
    if (!unerasable_) {
        return nullptr;
    }
    if (*unerasable_ < kProgramWords) {
        return &memory_.program[ProgramIndex(*unerasable_)];
    }
    if (*unerasable_ < kConfigSpaceStart + kConfigSpaceWords) {
        return &memory_.config[*unerasable_ - kConfigSpaceStart];
    }
    return nullptr;
}

void PicChip::CommitCycle(const Cycle& cycle) {
    const std::uint16_t config = memory_.ConfigWord();
    switch (cycle.target) {
        case CycleTarget::ProgramWords:
            for (unsigned i = 0; i < cycle.wordCount; ++i) {
                const std::uint16_t address =
                    ProgramIndex(static_cast<std::uint16_t>(cycle.address + i));
                if (address == unprogrammable_ || IsCodeProtected(device_, config, address)) {
                    continue;
                }
                std::uint16_t& word = memory_.program[address];
                const std::uint16_t value = cycle.words[i] & kWordMask;
                word = cycle.eraseFirst ? value : static_cast<std::uint16_t>(word & value);
            }
            break;
        case CycleTarget::ConfigWords:
            for (unsigned i = 0; i < cycle.wordCount; ++i) {
                CommitConfigWord(static_cast<std::uint16_t>(cycle.address + i), cycle.words[i],
                                 cycle.eraseFirst);
            }
            break;
        case CycleTarget::EepromByte:
            if (!IsDataProtected(config)) {
                memory_.eeprom[cycle.address] = static_cast<std::uint8_t>(cycle.words[0]);
            }
            break;
        case CycleTarget::ChipErase:
            memory_.program.fill(kErasedWord);
            memory_.eeprom.fill(kErasedByte);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            if (cycle.withIds) {
                EraseIds();
            }
            break;
        case CycleTarget::BulkProgram:
            memory_.program.fill(kErasedWord);
            if (cycle.withIds) {
                EraseIds();
                memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            }
            break;
        case CycleTarget::BulkData:
            memory_.eeprom.fill(kErasedByte);
            break;
        case CycleTarget::ConfigBlock:
        case CycleTarget::RowErase:
            break;  // the 88x's own
        case CycleTarget::CodeProtectOff:
            memory_.program.fill(kErasedWord);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            if (cycle.withEeprom) {
                memory_.eeprom.fill(kErasedByte);
            }
            if (cycle.withIds) {
                EraseIds();
            }
            break;
    }
}

// The IDs, the debug vector and the configuration word are writable; the
// reserved word, the device ID and the test memory above 0x2007 are not.
void PicChip::CommitConfigWord(std::uint16_t address, std::uint16_t value, bool eraseFirst) {
    const bool isId = address <= kDebugVectorAddress;  // written like the IDs
    if ((!isId && address != kConfigWordAddress) || address == unprogrammable_) {
        return;
    }
    std::uint16_t& word = memory_.config[address - kConfigSpaceStart];
    value &= kWordMask;
    word = eraseFirst ? value : static_cast<std::uint16_t>(word & value);
    if (!isId) {
        word = NormalizeConfigWord(device_, word);
    }
}

// The IDs and the debug vector: the writable words below the device ID.
void PicChip::EraseIds() {
    std::fill_n(memory_.config.begin(), kDebugVectorAddress - kConfigSpaceStart + 1, kErasedWord);
}

void PicChip::ResetLatches() {
    rowLatches_.fill(kErasedWord);
    configLatch_ = kErasedWord;
}

// ---- Inspection -------------------------------------------------------------

std::uint16_t PicChip::WordAt(std::uint16_t address) const {
    if (address < kProgramWords) {
        const std::uint16_t index = ProgramIndex(address);
        return IsCodeProtected(device_, memory_.ConfigWord(), index) ? 0 : memory_.program[index];
    }
    if (address < kConfigSpaceStart + kConfigSpaceWords) {
        return memory_.config[address - kConfigSpaceStart];
    }
    return kErasedWord;
}

// Program space counts to 0x1FFF and wraps to 0 (on the 87/88 it runs on
// into 0x2000, DS39607 section 3.1); configuration space to 0x3FFF and wraps
// to 0x2000.
void PicChip::IncrementPc() {
    if (InConfigSpace()) {
        pc_ = pc_ == 0x3FFF ? kConfigSpaceStart : static_cast<std::uint16_t>(pc_ + 1);
    } else if (type_ == TargetType::Pic16F88) {
        pc_ = static_cast<std::uint16_t>(pc_ + 1);
    } else {
        pc_ = static_cast<std::uint16_t>((pc_ + 1) & (kProgramWords - 1));
    }
}

bool PicChip::Busy() {
    Settle(clock_.NowNs());
    return cycle_.active;
}

const ChipMemory& PicChip::Memory() {
    Settle(clock_.NowNs());
    return memory_;
}

std::uint16_t PicChip::ReadProgramWord(std::uint16_t address) {
    Settle(clock_.NowNs());
    return WordAt(address);
}

void PicChip::LoadMemory(const ChipMemory& memory) {
    const std::uint16_t deviceId = memory_.DeviceId();
    memory_ = memory;
    memory_.config[kDeviceIdAddress - kConfigSpaceStart] = deviceId;
    memory_.ConfigWord() = NormalizeConfigWord(device_, memory_.ConfigWord());
    memory_.ConfigWord2() = NormalizeConfigWord2(type_, memory_.ConfigWord2());
}

}  // namespace tallis::sim
