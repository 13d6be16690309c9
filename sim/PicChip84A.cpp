// The PIC16F84A's programming algorithm, as its programming document DS30262
// gives it: commands from table 2-2 and section 4.1, times from table 5-1 and
// section 2.3.1, erases from sections 2.3.1.9-10 and 4.1, the memory map from
// figure 2-1.
#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kMs = 1000 * 1000;

// Table 5-1 gives the cycles as maximums: the host waits them out.
constexpr std::uint64_t kEraseProgramNs = 8 * kMs;  // command 8: erase, then program
constexpr std::uint64_t kProgramOnlyNs = 4 * kMs;   // command 24: program only
// An EEPROM byte: the document gives only command 8's 8 ms for data memory;
// a byte written with command 24 is taken to need as long.
constexpr std::uint64_t kEepromNs = 8 * kMs;
// Bulk erases and the code-protect-disable erase: table 5-1 lists an erase
// cycle of 4 ms, the text of sections 2.3.1.9 and 4.1 says to wait 10 ms;
// the chip takes the longer.
constexpr std::uint64_t kEraseNs = 10 * kMs;

// Table 2-2: no End Programming, no Chip Erase; 1 and 7 serve only the
// code-protect-disable erase of section 4.1.
enum Command84A : std::uint8_t {
    kLoadConfiguration = 0,
    kSetup1 = 1,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kSetup2 = 7,
    kBeginEraseProgramming = 8,
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
    kBeginProgrammingOnly = 24,
};

constexpr std::uint8_t kKnown[] = {
    kLoadConfiguration,     kSetup1,           kLoadDataProgram,  kLoadDataData,
    kReadDataProgram,       kReadDataData,     kIncrementAddress, kSetup2,
    kBeginEraseProgramming, kBulkEraseProgram, kBulkEraseData,    kBeginProgrammingOnly,
};

// Figure 2-1: the IDs and the configuration word are writable (0x2004-0x2006
// are reserved); Bulk Erase Program Memory takes the IDs from 0x2000-0x200F.
constexpr std::uint16_t kIdCount = 4;
constexpr std::uint16_t kIdEraseEnd = 0x2010;

bool Writable(std::uint16_t address) {
    return (address >= kConfigSpaceStart && address < kConfigSpaceStart + kIdCount) ||
           address == kConfigWordAddress;
}

}  // namespace

bool PicChip::IsKnownCommand84A(std::uint8_t code) {
    return std::ranges::find(kKnown, code) != std::end(kKnown);
}

void PicChip::Execute84A(std::uint8_t code, std::uint64_t now) {
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
            outWord_ = memory_.eeprom[EepromIndex(pc_)];
            phase_ = Phase::DataOut;
            break;
        case kIncrementAddress:
            IncrementPc();
            break;
        case kSetup1:
            setupStep_ = 1;
            break;
        case kSetup2:
            setupStep_ = setupStep == 1 ? 2 : 0;
            break;
        case kBulkEraseProgram:
            pendingErase_ = PendingErase::Program;
            break;
        case kBulkEraseData:
            pendingErase_ = PendingErase::Data;
            break;
        case kBeginEraseProgramming:
            StartCycle84A(code, pendingErase, setupStep, now);
            break;
        case kBeginProgrammingOnly:
            StartWriteCycle84A(code, now);
            break;
        default:
            break;
    }
}

// One latch: Load Configuration's word and Load Data's go into it alike.
void PicChip::TakeData84A(std::uint16_t data) {
    switch (command_) {
        case kLoadConfiguration:
        case kLoadDataProgram:
            wordLatch_ = data;
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

// Command 8 starts what the commands right before it asked for: the
// code-protect-disable erase after 1, 7 at 0x2007, a bulk erase after 9 or
// 11 (each after its load of a blank value), otherwise an erase-and-program
// cycle of the word loaded last.
void PicChip::StartCycle84A(std::uint8_t code, PendingErase pending, std::uint8_t setupStep,
                            std::uint64_t now) {
    if (setupStep == 2) {
        if (pc_ == kConfigWordAddress) {
            StartErase84A(CycleTarget::CodeProtectOff, now);
        } else {
            log_.Record(ViolationKind::BadEraseSequence, now,
                        "commands 1, 7, 8 away from 0x2007: nothing erased");
        }
        return;
    }
    if (pending == PendingErase::Program) {
        if (lastLoad_ == LastLoad::Program && wordLatch_ == kErasedWord) {
            StartErase84A(CycleTarget::BulkProgram, now);
        } else {
            log_.Record(ViolationKind::BadEraseSequence, now,
                        "Bulk Erase Program Memory without a load of 0x3FFF before it: nothing "
                        "erased");
        }
        return;
    }
    if (pending == PendingErase::Data) {
        if (lastLoad_ == LastLoad::Eeprom && eepromLatch_ == kErasedByte) {
            StartErase84A(CycleTarget::BulkData, now);
        } else {
            log_.Record(ViolationKind::BadEraseSequence, now,
                        "Bulk Erase Data Memory without a load of 0xFF before it: nothing erased");
        }
        return;
    }
    StartWriteCycle84A(code, now);
}

// Command 8 replaces the word loaded last, command 24 ANDs it in (the chip
// must have been erased). An EEPROM byte is taken whole either way.
void PicChip::StartWriteCycle84A(std::uint8_t code, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = code;
    cycle.startNs = now;
    cycle.eraseFirst = code == kBeginEraseProgramming;
    cycle.minDurationNs = cycle.eraseFirst ? kEraseProgramNs : kProgramOnlyNs;
    cycle.wordCount = 1;
    cycle.address = pc_;
    cycle.words[0] = wordLatch_;
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
        cycle.minDurationNs = kEepromNs;
    } else {
        cycle.target = InConfigSpace() ? CycleTarget::ConfigWords : CycleTarget::ProgramWords;
    }
    cycle_ = cycle;
    lastLoad_ = LastLoad::None;
}

void PicChip::StartErase84A(CycleTarget target, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = kBeginEraseProgramming;
    cycle.target = target;
    cycle.startNs = now;
    cycle.minDurationNs = kEraseNs;
    cycle.withIds = InConfigSpace() && pc_ < kIdEraseEnd;
    cycle_ = cycle;
}

void PicChip::CommitCycle84A(const Cycle& cycle) {
    // Any CP copy at 0 protects program memory; the bulk erases then do
    // nothing and the EEPROM takes no write (section 4.0).
    const bool isProtected = IsCodeProtected(device_, memory_.ConfigWord(), 0);
    switch (cycle.target) {
        case CycleTarget::ProgramWords: {
            const std::uint16_t address = ProgramIndex(cycle.address);
            if (address != unprogrammable_ && !isProtected) {
                std::uint16_t& word = memory_.program[address];
                const std::uint16_t value = cycle.words[0] & kWordMask;
                word = cycle.eraseFirst ? value : static_cast<std::uint16_t>(word & value);
            }
            break;
        }
        case CycleTarget::ConfigWords:
            if (Writable(cycle.address) && cycle.address != unprogrammable_) {
                // Only the code-protect-disable erase is said to set the
                // configuration word's bits again: command 8 only clears them.
                const bool isConfigWord = cycle.address == kConfigWordAddress;
                std::uint16_t& word = memory_.config[cycle.address - kConfigSpaceStart];
                const std::uint16_t value = cycle.words[0] & kWordMask;
                word = cycle.eraseFirst && !isConfigWord ? value
                                                         : static_cast<std::uint16_t>(word & value);
                if (isConfigWord) {
                    word = NormalizeConfigWord(device_, word);
                }
            }
            break;
        case CycleTarget::EepromByte:
            if (!isProtected) {
                memory_.eeprom[cycle.address] = static_cast<std::uint8_t>(cycle.words[0]);
            }
            break;
        case CycleTarget::BulkProgram:
            // Never the configuration word; the IDs from configuration space.
            if (!isProtected) {
                memory_.program.fill(kErasedWord);
                if (cycle.withIds) {
                    std::fill_n(memory_.config.begin(), kIdCount, kErasedWord);
                }
            }
            break;
        case CycleTarget::BulkData:
            if (!isProtected) {
                memory_.eeprom.fill(kErasedByte);
            }
            break;
        case CycleTarget::CodeProtectOff:
            // Section 4.1: program memory, data memory and the configuration
            // word. It does not say the IDs; they are kept.
            memory_.program.fill(kErasedWord);
            memory_.eeprom.fill(kErasedByte);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            break;
        default:
            break;
    }
}

}  // namespace tallis::sim
