// The PIC16F87/88's programming algorithm, as its programming document
// DS39607 gives it: commands from table 3-1 and sections 3.4.2.1-3.4.2.9,
// erases from section 3.5, times from table 7-1, the memory map from section
// 3.1 and figure 3-1, entry from section 3.4.1 and figure 7-11. Where the
// document leaves a reading open, the chip takes the one that fails the
// most hosts, so that a host right here is right under every reading.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kUs = 1000;
constexpr std::uint64_t kMs = 1000 * kUs;

// Table 7-1, minimums; TPROG1 and TPROG2 are 1 ms above 4.5 V and 2 ms below.
constexpr std::uint64_t kTprogHighVddNs = 1 * kMs;  // command 24 or 8 until End Programming
constexpr std::uint64_t kTprogLowVddNs = 2 * kMs;
constexpr double kHighVdd = 4.5;
constexpr std::uint64_t kTprog3Ns = 2 * kMs;  // bulk erase (9 or 11, then 8) until End Programming
constexpr std::uint64_t kTprog4Ns = 8 * kMs;  // Chip Erase, timed by the chip
// The document gives no TDIS; the 87xA's 100 us, which established
// programmers wait here as well.
constexpr std::uint64_t kTdisNs = 100 * kUs;
// TPU: MCLR at VIHH at most 250 us after VDD rises, so that a chip whose
// MCLR pin is an input cannot run its program first.
constexpr std::uint64_t kPowerUpToVppNs = 250 * kUs;

// Table 3-1: five bits printed, the sixth taken as 0. Command 8 is Begin
// Erase here, externally timed like Begin Programming Only.
enum Command8788 : std::uint8_t {
    kLoadConfiguration = 0,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBeginErase = 8,
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
    kEndProgramming = 23,
    kBeginProgrammingOnly = 24,
    kChipErase = 31,
};

constexpr std::uint8_t kKnown[] = {
    kLoadConfiguration, kLoadDataProgram,  kLoadDataData,         kReadDataProgram,
    kReadDataData,      kIncrementAddress, kBeginErase,           kBulkEraseProgram,
    kBulkEraseData,     kEndProgramming,   kBeginProgrammingOnly, kChipErase,
};

// Section 3.4: four write latches; section 3.4.2.7: a Begin Erase row of 32
// program words (one byte of the EEPROM).
constexpr std::uint16_t kLatches = 4;
constexpr std::uint16_t kEraseRowWords = 32;
constexpr std::uint16_t kIdCount = 4;
// Section 3.5: from 0x2000-0x2008 the bulk erase and Chip Erase take the IDs.
constexpr std::uint16_t kIdEraseEnd = 0x2009;
// Register 4-1: CP and CPD, which only Chip Erase sets again; MCLRE.
constexpr std::uint16_t kCp = 0x2000;
constexpr std::uint16_t kCpd = 0x0100;
constexpr std::uint16_t kMclre = 0x0020;
// Register 4-2: CONFIG2's unimplemented bits read 1 by its text and 0 by its
// legend; they read 0, so that a host comparing them fails.
constexpr std::uint16_t kConfig2Implemented = 0x0003;

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

bool PicChip::IsKnownCommand8788(std::uint8_t code) {
    return std::ranges::find(kKnown, code) != std::end(kKnown);
}

void PicChip::Execute8788(std::uint8_t code, std::uint64_t now) {
    const PendingErase pendingErase = pendingErase_;
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
            if (pc_ == kConfigWord2Address) {
                outWord_ &= kConfig2Implemented;
            }
            phase_ = Phase::DataOut;
            break;
        case kReadDataData:
            outWord_ =
                IsDataProtected(type_, memory_.ConfigWord()) ? 0 : memory_.eeprom[EepromIndex(pc_)];
            phase_ = Phase::DataOut;
            break;
        case kIncrementAddress:
            IncrementPc();
            break;
        case kBulkEraseProgram:
            pendingErase_ = PendingErase::Program;
            break;
        case kBulkEraseData:
            pendingErase_ = PendingErase::Data;
            break;
        case kBeginErase:
            if (!ArraySelected8788(code, now)) {
                break;
            }
            StartErase8788(pendingErase == PendingErase::Program ? CycleTarget::BulkProgram
                           : pendingErase == PendingErase::Data  ? CycleTarget::BulkData
                                                                 : CycleTarget::RowErase,
                           now);
            break;
        case kBeginProgrammingOnly:
            if (ArraySelected8788(code, now)) {
                StartWriteCycle8788(now);
            }
            break;
        case kEndProgramming:
            EndProgramming8788(now);
            break;
        case kChipErase:
            StartErase8788(CycleTarget::ChipErase, now);
            break;
        default:
            break;
    }
}

// Section 3.4.2.1: Load Configuration only moves the address; its word is
// discarded. Load Data puts its word in the latch the address selects, in
// configuration space as in program memory. The last load also selects the
// array the cycles that follow work on.
void PicChip::TakeData8788(std::uint16_t data) {
    switch (command_) {
        case kLoadDataProgram:
            rowLatches_[pc_ % kLatches] = data;
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

// Section 3.4.2.6: after entry a Load Data must come before the first Begin
// Erase or Begin Programming, or the chip does not know which array is meant.
bool PicChip::ArraySelected8788(std::uint8_t code, std::uint64_t now) {
    if (lastLoad_ != LastLoad::None) {
        return true;
    }
    log_.Record(ViolationKind::BadEraseSequence, now,
                "command " + std::to_string(code) +
                    " with no Load Data since programming mode was entered: no array "
                    "selected, nothing done");
    return false;
}

// Begin Programming Only programs what the latches hold into the four-word
// block at the address (only clearing bits), an EEPROM byte, or in
// configuration space the IDs' block or the configuration word the address
// points at exactly (section 3.4.2.8). The host ends it.
void PicChip::StartWriteCycle8788(std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = kBeginProgrammingOnly;
    cycle.startNs = now;
    cycle.externallyTimed = true;
    cycle.minDurationNs = settings_.vddVolts < kHighVdd ? kTprogLowVddNs : kTprogHighVddNs;
    cycle.words = rowLatches_;
    cycle.wordCount = kLatches;
    cycle.address = static_cast<std::uint16_t>(pc_ & ~(kLatches - 1U));
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
        cycle.wordCount = 1;
    } else if (InConfigSpace()) {
        cycle.target = CycleTarget::ConfigWords;
        cycle.address = pc_;
    } else {
        cycle.target = CycleTarget::ProgramWords;
    }
    cycle_ = cycle;
}

// Every erase but Chip Erase waits for End Programming: Begin Erase on its
// own erases the 32-word row (or EEPROM byte) at the address, after 9 or 11
// it is the bulk erase of that array.
void PicChip::StartErase8788(CycleTarget target, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.target = target;
    cycle.startNs = now;
    cycle.withIds = InConfigSpace() && pc_ < kIdEraseEnd;
    switch (target) {
        case CycleTarget::ChipErase:
            cycle.command = kChipErase;
            cycle.minDurationNs = kTprog4Ns;
            break;
        case CycleTarget::RowErase:
            cycle.command = kBeginErase;
            cycle.externallyTimed = true;
            cycle.minDurationNs = settings_.vddVolts < kHighVdd ? kTprogLowVddNs : kTprogHighVddNs;
            cycle.withEeprom = lastLoad_ == LastLoad::Eeprom;
            cycle.address = cycle.withEeprom
                                ? EepromIndex(pc_)
                                : static_cast<std::uint16_t>(pc_ & ~(kEraseRowWords - 1U));
            break;
        default:
            cycle.command = kBeginErase;
            cycle.externallyTimed = true;
            cycle.minDurationNs = kTprog3Ns;
            break;
    }
    cycle_ = cycle;
}

// End Programming ends the cycle the host timed and resets the latches to
// 0x3FFF (section 3.4.2.9); the data latch is taken to go with them.
void PicChip::EndProgramming8788(std::uint64_t now) {
    tdisUntilNs_ = now + kTdisNs;
    ResetLatches();
    eepromLatch_ = kErasedByte;
    if (!cycle_.active) {
        return;
    }
    const std::uint64_t elapsed = commandStartNs_ - cycle_.startNs;
    if (elapsed < cycle_.minDurationNs) {
        const bool erase = cycle_.command == kBeginErase;
        log_.Record(
            erase ? ViolationKind::EraseTimeTooShort : ViolationKind::ProgramTimeTooShort, now,
            Format("End Programming %.3f us after command %u (needs %.0f us): nothing "
                   "done",
                   Us(elapsed), static_cast<unsigned>(cycle_.command), Us(cycle_.minDurationNs)));
    } else {
        Commit(cycle_);
    }
    cycle_.active = false;
}

void PicChip::CommitCycle8788(const Cycle& cycle) {
    const std::uint16_t config = memory_.ConfigWord();
    const bool programProtected = (config & kCp) == 0;
    const bool dataProtected = (config & kCpd) == 0;
    switch (cycle.target) {
        case CycleTarget::ProgramWords:
            for (unsigned i = 0; i < cycle.wordCount && !programProtected; ++i) {
                const std::uint16_t address =
                    ProgramIndex(static_cast<std::uint16_t>(cycle.address + i));
                if (address != unprogrammable_) {
                    memory_.program[address] &= cycle.words[i] & kWordMask;
                }
            }
            break;
        case CycleTarget::ConfigWords:
            CommitConfigWord8788(cycle.address, cycle.words[cycle.address % kLatches]);
            if (cycle.address < kConfigSpaceStart + kIdCount) {
                for (std::uint16_t i = 0; i < kIdCount; ++i) {
                    const auto id = static_cast<std::uint16_t>(kConfigSpaceStart + i);
                    if (id != unprogrammable_) {
                        memory_.config[i] &= cycle.words[i] & kWordMask;
                    }
                }
            }
            break;
        case CycleTarget::EepromByte:
            if (!dataProtected) {
                memory_.eeprom[cycle.address] &= static_cast<std::uint8_t>(cycle.words[0]);
            }
            break;
        case CycleTarget::RowErase:
            // Nothing in configuration space, nothing under protection.
            if (cycle.withEeprom && !dataProtected) {
                memory_.eeprom[cycle.address] = kErasedByte;
            } else if (!cycle.withEeprom && cycle.address < kConfigSpaceStart &&
                       !programProtected) {
                std::fill_n(memory_.program.begin() + ProgramIndex(cycle.address), kEraseRowWords,
                            kErasedWord);
            }
            break;
        case CycleTarget::BulkProgram:
            // Never the configuration words; the IDs from 0x2000-0x2008.
            if (!programProtected) {
                memory_.program.fill(kErasedWord);
                if (cycle.withIds) {
                    std::fill_n(memory_.config.begin(), kIdCount, kErasedWord);
                }
            }
            break;
        case CycleTarget::BulkData:
            if (!dataProtected) {
                memory_.eeprom.fill(kErasedByte);
            }
            break;
        case CycleTarget::ChipErase:
            // Every protection goes. The EEPROM is erased "regardless of the
            // address" by one sentence and only from configuration space by
            // the next: it goes only from there.
            memory_.program.fill(kErasedWord);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            memory_.ConfigWord2() = NormalizeConfigWord2(type_, kErasedWord);
            if (cycle.withIds) {
                std::fill_n(memory_.config.begin(), kIdCount, kErasedWord);
                memory_.eeprom.fill(kErasedByte);
            }
            break;
        default:
            break;
    }
}

// Configuration bits are written to 0 or 1 (section 4.0), but CP and CPD are
// cleared only by Chip Erase (section 3.4.2.7 note 1, section 3.5.2).
void PicChip::CommitConfigWord8788(std::uint16_t address, std::uint16_t value) {
    if (address == unprogrammable_) {
        return;
    }
    value &= kWordMask;
    if (address == kConfigWordAddress) {
        const std::uint16_t sticky = memory_.ConfigWord() & (kCp | kCpd);
        const auto kept = static_cast<std::uint16_t>(value & ~(kCp | kCpd));
        memory_.ConfigWord() =
            NormalizeConfigWord(device_, static_cast<std::uint16_t>(kept | (value & sticky)));
    } else if (address == kConfigWord2Address) {
        memory_.ConfigWord2() = NormalizeConfigWord2(type_, value);
    }
}

// Figure 7-11 and section 3.4.1. On a board that switches VDD, MCLR must reach
// VPP within TPU of VDD rising; the document's reason is a chip whose MCLR pin
// is an input (MCLRE 0), which otherwise starts its program, with any
// oscillator, and may drive RB6 and RB7. On a board that cannot switch VDD
// the same chip has been running since it was last let go: a hazard, since
// only such a program can say whether it touches the programming pins.
void PicChip::JudgePowerUpEntry8788(std::uint64_t now) {
    const bool mclrIsInput = (memory_.ConfigWord() & kMclre) == 0;
    const std::optional<std::uint64_t> rose = vddRoseNs_;
    vddRoseNs_.reset();
    if (!mclrIsInput) {
        return;
    }
    if (!rose) {
        log_.RecordHazard(HazardKind::EntryFromRunningChip, now,
                          "MCLR is an input (MCLRE 0): the chip ran its program until VPP came");
        return;
    }
    if (now - *rose > kPowerUpToVppNs) {
        log_.Record(ViolationKind::VppLateAfterPowerUp, now,
                    Format("VPP reached %.3f us after VDD rose (at most %.0f us) with MCLR an "
                           "input: the program ran first",
                           Us(now - *rose), Us(kPowerUpToVppNs)));
    }
}

}  // namespace tallis::sim
