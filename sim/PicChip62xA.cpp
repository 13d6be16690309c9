// The PIC16F627A/628A/648A's programming algorithm, as its programming
// document DS41196 gives it: commands from table 2-3, times from table 4-1,
// erases from section 3 and table 3-1, the memory map from figure 2-1.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kMs = 1000 * 1000;

// Table 4-1 gives the cycles as maximums: the host waits them out.
constexpr std::uint64_t kTprogNs = 4 * kMs;   // program memory, IDs, configuration word
constexpr std::uint64_t kTdprogNs = 6 * kMs;  // data EEPROM
constexpr std::uint64_t kTeraNs = 6 * kMs;    // bulk erases

// Table 2-3: one write command, no End Programming, no Chip Erase.
enum Command62xA : std::uint8_t {
    kLoadConfiguration = 0,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBeginProgrammingOnly = 8,  // internally timed
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
};

constexpr std::uint8_t kKnown[] = {
    kLoadConfiguration, kLoadDataProgram,      kLoadDataData,     kReadDataProgram, kReadDataData,
    kIncrementAddress,  kBeginProgrammingOnly, kBulkEraseProgram, kBulkEraseData,
};

// Figure 2-1: of configuration space the IDs and the configuration word can
// be written; Bulk Erase Program Memory takes the IDs from 0x2000-0x200F.
constexpr std::uint16_t kIdEraseEnd = 0x2010;

bool Writable(std::uint16_t address) {
    return (address >= kConfigSpaceStart && address < kConfigSpaceStart + 4) ||
           address == kConfigWordAddress;
}

}  // namespace

bool PicChip::IsKnownCommand62xA(std::uint8_t code) {
    return std::ranges::find(kKnown, code) != std::end(kKnown);
}

void PicChip::Execute62xA(std::uint8_t code, std::uint64_t now) {
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
            outWord_ =
                IsDataProtected(type_, memory_.ConfigWord()) ? 0 : memory_.eeprom[EepromIndex(pc_)];
            phase_ = Phase::DataOut;
            break;
        case kIncrementAddress:
            IncrementPc();
            break;
        case kBeginProgrammingOnly:
            StartWriteCycle62xA(now);
            break;
        case kBulkEraseProgram:
            StartErase62xA(CycleTarget::BulkProgram, now);
            break;
        case kBulkEraseData:
            StartErase62xA(CycleTarget::BulkData, now);
            break;
        default:
            break;
    }
}

// One latch: Load Configuration's word and Load Data's go into it alike.
void PicChip::TakeData62xA(std::uint16_t data) {
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

// Command 8 programs the word loaded last (ANDed in: the chip must have been
// erased). An EEPROM byte is taken whole, as the sibling documents say.
void PicChip::StartWriteCycle62xA(std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = kBeginProgrammingOnly;
    cycle.startNs = now;
    cycle.minDurationNs = kTprogNs;
    cycle.wordCount = 1;
    cycle.address = pc_;
    cycle.words[0] = wordLatch_;
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
        cycle.minDurationNs = kTdprogNs;
    } else {
        cycle.target = InConfigSpace() ? CycleTarget::ConfigWords : CycleTarget::ProgramWords;
    }
    cycle_ = cycle;
    lastLoad_ = LastLoad::None;
}

// Bulk Erase Program Memory follows a load of 0x3FFF (section 3.1); without
// it the chip is taken to erase nothing.
void PicChip::StartErase62xA(CycleTarget target, std::uint64_t now) {
    if (target == CycleTarget::BulkProgram &&
        (lastLoad_ != LastLoad::Program || wordLatch_ != kErasedWord)) {
        log_.Record(ViolationKind::BadEraseSequence, now,
                    "Bulk Erase Program Memory without a load of 0x3FFF before it: nothing erased");
        return;
    }
    Cycle cycle;
    cycle.active = true;
    cycle.command = target == CycleTarget::BulkProgram ? kBulkEraseProgram : kBulkEraseData;
    cycle.target = target;
    cycle.startNs = now;
    cycle.minDurationNs = kTeraNs;
    cycle.withIds = InConfigSpace() && pc_ < kIdEraseEnd;
    cycle_ = cycle;
}

void PicChip::CommitCycle62xA(const Cycle& cycle) {
    const std::uint16_t config = memory_.ConfigWord();
    switch (cycle.target) {
        case CycleTarget::ProgramWords: {
            const std::uint16_t address = ProgramIndex(cycle.address);
            if (address != unprogrammable_ && !IsCodeProtected(device_, config, address)) {
                memory_.program[address] &= cycle.words[0] & kWordMask;
            }
            break;
        }
        case CycleTarget::ConfigWords:
            if (Writable(cycle.address) && cycle.address != unprogrammable_) {
                std::uint16_t& word = memory_.config[cycle.address - kConfigSpaceStart];
                word &= cycle.words[0] & kWordMask;
                if (cycle.address == kConfigWordAddress) {
                    word = NormalizeConfigWord(device_, word);
                }
            }
            break;
        case CycleTarget::EepromByte:
            if (!IsDataProtected(type_, config)) {
                memory_.eeprom[cycle.address] = static_cast<std::uint8_t>(cycle.words[0]);
            }
            break;
        case CycleTarget::BulkProgram:
            // Table 3-1: whatever CP says; the EEPROM too while CPD is 0.
            memory_.program.fill(kErasedWord);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            if (IsDataProtected(type_, config)) {
                memory_.eeprom.fill(kErasedByte);
            }
            if (cycle.withIds) {
                EraseIds();
            }
            break;
        case CycleTarget::BulkData:
            memory_.eeprom.fill(kErasedByte);  // table 3-1: whatever CPD says
            break;
        default:
            break;
    }
}

}  // namespace tallis::sim
