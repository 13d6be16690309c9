// The PIC12F629/675's programming algorithm, as its programming document
// DS41191 gives it: commands from table 2-1, times from table 5-1, erases
// from sections 2.3.1.9-10 and 4.1, the memory map from figure 2-1.
#include <algorithm>
#include <iterator>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kUs = 1000;
constexpr std::uint64_t kMs = 1000 * kUs;

// Table 5-1 gives the internally timed cycles as maximums: the host waits
// them out. TERA is 8 ms in revision D (6 ms in an earlier one): the longer.
constexpr std::uint64_t kTprog1Ns = 2500 * kUs;   // program memory, IDs, configuration word
constexpr std::uint64_t kTprog1DataNs = 6 * kMs;  // data EEPROM, erased then programmed
constexpr std::uint64_t kTeraNs = 8 * kMs;        // bulk erases
// Command 24 until End Programming: 2 ms minimum. The table's 2 ms maximum
// is not judged: programmers in the field hold it longer with no reported
// failure.
constexpr std::uint64_t kTprog2Ns = 2 * kMs;

// Table 2-1 (codes with their don't-care bits at 0).
enum Command629 : std::uint8_t {
    kLoadConfiguration = 0,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBeginProgramming = 8,  // internally timed; an EEPROM byte is erased first
    kBulkEraseProgram = 9,
    kEndProgramming = 10,
    kBulkEraseData = 11,
    kBeginProgrammingExternallyTimed = 24,
};

constexpr std::uint8_t kKnown[] = {
    kLoadConfiguration,
    kLoadDataProgram,
    kLoadDataData,
    kReadDataProgram,
    kReadDataData,
    kIncrementAddress,
    kBeginProgramming,
    kBulkEraseProgram,
    kEndProgramming,
    kBulkEraseData,
    kBeginProgrammingExternallyTimed,
};

// Figure 2-1: of configuration space the IDs and the configuration word can
// be written (as on the 62xA, whose commit the 629 shares); Bulk Erase
// Program Memory takes the IDs from 0x2000-0x201F.
constexpr std::uint16_t kIdEraseEnd = 0x2020;

}  // namespace

bool PicChip::IsKnownCommand629(std::uint8_t code) {
    return std::ranges::find(kKnown, code) != std::end(kKnown);
}

void PicChip::Execute629(std::uint8_t code, std::uint64_t now) {
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
        case kBeginProgramming:
            StartWriteCycle629(false, now);
            break;
        case kBeginProgrammingExternallyTimed:
            StartWriteCycle629(true, now);
            break;
        case kEndProgramming:
            EndProgramming88x(now);  // the same ending as the 88x's
            break;
        case kBulkEraseProgram:
            StartErase629(CycleTarget::BulkProgram, now);
            break;
        case kBulkEraseData:
            StartErase629(CycleTarget::BulkData, now);
            break;
        default:
            break;
    }
}

// One latch: Load Configuration's word and Load Data's go into it alike.
void PicChip::TakeData629(std::uint16_t data) {
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

// A Load must come before every Begin Programming (section 2.3.1.7-8): a
// cycle without one writes nothing. Program memory is programmed (ANDed
// in), never erased by these cycles.
void PicChip::StartWriteCycle629(bool externallyTimed, std::uint64_t now) {
    if (lastLoad_ == LastLoad::None) {
        log_.Record(ViolationKind::BadEraseSequence, now,
                    "Begin Programming without a load before it: nothing written");
        return;
    }
    Cycle cycle;
    cycle.active = true;
    cycle.command = externallyTimed ? kBeginProgrammingExternallyTimed : kBeginProgramming;
    cycle.externallyTimed = externallyTimed;
    cycle.startNs = now;
    cycle.minDurationNs = externallyTimed ? kTprog2Ns : kTprog1Ns;
    cycle.wordCount = 1;
    cycle.address = pc_;
    cycle.words[0] = wordLatch_;
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
        cycle.minDurationNs = kTprog1DataNs;
    } else {
        cycle.target = InConfigSpace() ? CycleTarget::ConfigWords : CycleTarget::ProgramWords;
    }
    cycle_ = cycle;
    lastLoad_ = LastLoad::None;
}

void PicChip::StartErase629(CycleTarget target, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = target == CycleTarget::BulkProgram ? kBulkEraseProgram : kBulkEraseData;
    cycle.target = target;
    cycle.startNs = now;
    cycle.minDurationNs = kTeraNs;
    cycle.withIds = InConfigSpace() && pc_ < kIdEraseEnd;
    cycle_ = cycle;
}

// Writes and Bulk Erase Program Memory commit as on the 62xA: the same one
// latch, and all of program memory (OSCCAL with it) and the whole
// configuration word (band-gap bits with it) whatever CP says, the EEPROM
// too while CPD is 0 (section 2.3.1.9). Bulk Erase Data Memory does nothing
// while CPD protects the EEPROM (section 2.3.1.10).
void PicChip::CommitCycle629(const Cycle& cycle) {
    if (cycle.target == CycleTarget::BulkData && IsDataProtected(type_, memory_.ConfigWord())) {
        return;
    }
    CommitCycle62xA(cycle);
}

}  // namespace tallis::sim
