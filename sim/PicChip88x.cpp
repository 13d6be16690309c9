// The PIC16F882/883/884/886/887's programming algorithm, as its programming
// document DS41287 gives it: commands from table 3-1, times from table 6-1,
// the memory map from section 2.1 and figure 2-1.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "sim/PicChip.h"

namespace tallis::sim {

namespace {

constexpr std::uint64_t kUs = 1000;
constexpr std::uint64_t kMs = 1000 * kUs;

// Table 6-1.
constexpr std::uint64_t kTprog1Ns = 3 * kMs;        // command 8: program memory, IDs, configuration
constexpr std::uint64_t kTprog1DataNs = 6 * kMs;    // command 8: data EEPROM (erase, then program)
constexpr std::uint64_t kTprog2MinNs = 2 * kMs;     // command 24 until End Programming
constexpr std::uint64_t kTprog2MaxNs = 2500 * kUs;  // and no longer: the document gives a maximum
constexpr std::uint64_t kTeraNs = 6 * kMs;          // bulk and row erases, the maximum of TERA
constexpr std::uint64_t kTdisNs = 100 * kUs;        // after End Programming

// Table 3-1. No Chip Erase, no 1/7 bulk-erase set-up and End Programming is
// 10, not 23.
enum Command88x : std::uint8_t {
    kLoadConfiguration = 0,
    kLoadDataProgram = 2,
    kLoadDataData = 3,
    kReadDataProgram = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBeginProgramming = 8,  // internally timed, programs only
    kBulkEraseProgram = 9,
    kEndProgramming = 10,
    kBulkEraseData = 11,
    kRowEraseProgram = 17,
    kBeginProgrammingExternallyTimed = 24,
};

constexpr std::uint8_t kKnown[] = {
    kLoadConfiguration, kLoadDataProgram,  kLoadDataData,     kReadDataProgram,
    kReadDataData,      kIncrementAddress, kBeginProgramming, kBulkEraseProgram,
    kEndProgramming,    kBulkEraseData,    kRowEraseProgram,  kBeginProgrammingExternallyTimed,
};

// Section 3.2: four write latches on the 882/883/884, eight on the 886/887
// (device IDs 0x2060 and 0x2080). The chip knows its latches by its own ID.
constexpr std::uint16_t kFirstEightLatchId = 0x2060;
constexpr std::uint16_t kIdBits = 0x3FE0;
constexpr std::uint16_t kRowEraseWords = 16;  // section 3.2.6.12

// Section 2.1: of configuration space only the IDs (0x2000-0x2003), the two
// configuration words and the calibration word can be written.
bool Writable(std::uint16_t address) {
    return (address >= kConfigSpaceStart && address < kConfigSpaceStart + 4) ||
           (address >= kConfigWordAddress && address <= kCalibrationWordAddress);
}

std::string Format(const char* format, double a, double b, unsigned c) {
    char text[200];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

bool PicChip::IsKnownCommand88x(std::uint8_t code) {
    return std::ranges::find(kKnown, code) != std::end(kKnown);
}

std::uint8_t PicChip::EndProgrammingCode() const {
    // The 629/675 end with the same code as the 88x.
    return type_ == TargetType::Pic16F887 || type_ == TargetType::Pic12F675
               ? std::uint8_t{kEndProgramming}
               : std::uint8_t{23};
}

std::uint8_t PicChip::LatchCount88x() const {
    return (memory_.DeviceId() & kIdBits) >= kFirstEightLatchId ? 8 : 4;
}

void PicChip::Execute88x(std::uint8_t code, std::uint64_t now) {
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
            StartWriteCycle88x(false, now);
            break;
        case kBeginProgrammingExternallyTimed:
            StartWriteCycle88x(true, now);
            break;
        case kEndProgramming:
            EndProgramming88x(now);
            break;
        case kBulkEraseProgram:
            StartErase88x(CycleTarget::BulkProgram, now);
            break;
        case kBulkEraseData:
            StartErase88x(CycleTarget::BulkData, now);
            break;
        case kRowEraseProgram:
            StartErase88x(CycleTarget::RowErase, now);
            break;
        default:
            break;
    }
}

// Load Configuration's word waits for a write at whatever configuration
// address the counter is then (section 3.2.6.1). Load Data puts its word in
// the latch the address selects; in configuration space it is also the word
// for that address.
void PicChip::TakeData88x(std::uint16_t data) {
    switch (command_) {
        case kLoadConfiguration:
            configLatch_ = data;
            lastLoad_ = LastLoad::Program;
            break;
        case kLoadDataProgram:
            rowLatches_[pc_ % LatchCount88x()] = data;
            if (InConfigSpace()) {
                configLatch_ = data;
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

// Neither Begin Programming erases program memory: the latches' block is
// ANDed in. An EEPROM byte is erased, then programmed. In configuration space
// the cycle writes the word for the address and every latch of the block
// that an earlier load left (section 3.2.4: configuration-space writes do
// not reset the latches), so stale latches reach the calibration word.
void PicChip::StartWriteCycle88x(bool externallyTimed, std::uint64_t now) {
    const std::uint8_t latches = LatchCount88x();
    Cycle cycle;
    cycle.active = true;
    cycle.command = externallyTimed ? kBeginProgrammingExternallyTimed : kBeginProgramming;
    cycle.startNs = now;
    cycle.externallyTimed = externallyTimed;
    cycle.minDurationNs = externallyTimed ? kTprog2MinNs : kTprog1Ns;
    cycle.maxDurationNs = externallyTimed ? kTprog2MaxNs : 0;
    cycle.wordCount = latches;
    cycle.address = static_cast<std::uint16_t>(pc_ & ~(latches - 1U));
    cycle.words = rowLatches_;
    if (lastLoad_ == LastLoad::Eeprom) {
        cycle.target = CycleTarget::EepromByte;
        cycle.eraseFirst = true;
        cycle.address = EepromIndex(pc_);
        cycle.words[0] = eepromLatch_;
        cycle.wordCount = 1;
        if (!externallyTimed) {
            cycle.minDurationNs = kTprog1DataNs;
        }
    } else if (InConfigSpace()) {
        cycle.target = CycleTarget::ConfigBlock;
        cycle.words[pc_ % latches] = configLatch_;
    } else {
        cycle.target = CycleTarget::ProgramWords;
        ResetLatches();
    }
    cycle_ = cycle;
    lastLoad_ = LastLoad::None;
}

// Bulk Erase Program Memory from configuration space takes the IDs too, and
// from 0x2009 the calibration word. What it does from above 0x2009 the
// document's map leaves illegible: there the calibration word goes too.
void PicChip::StartErase88x(CycleTarget target, std::uint64_t now) {
    Cycle cycle;
    cycle.active = true;
    cycle.command = target == CycleTarget::BulkProgram ? kBulkEraseProgram
                    : target == CycleTarget::BulkData  ? kBulkEraseData
                                                       : kRowEraseProgram;
    cycle.target = target;
    cycle.startNs = now;
    cycle.minDurationNs = kTeraNs;
    cycle.withIds = InConfigSpace();
    cycle.withCalibration = InConfigSpace() && pc_ >= kCalibrationWordAddress;
    cycle.address = static_cast<std::uint16_t>(pc_ & ~(kRowEraseWords - 1U));
    cycle_ = cycle;
}

void PicChip::EndProgramming88x(std::uint64_t now) {
    tdisUntilNs_ = now + kTdisNs;
    if (!cycle_.active) {
        return;
    }
    const std::uint64_t elapsed = commandStartNs_ - cycle_.startNs;
    if (elapsed < cycle_.minDurationNs) {
        log_.Record(ViolationKind::ProgramTimeTooShort, now,
                    Format("End Programming %.3f us after command 24 (needs %.0f us): the "
                           "block at 0x%04X is not written",
                           static_cast<double>(elapsed) / 1000.0,
                           static_cast<double>(cycle_.minDurationNs) / 1000.0, cycle_.address));
    } else if (cycle_.maxDurationNs != 0 && elapsed > cycle_.maxDurationNs) {
        log_.Record(ViolationKind::ProgramTimeTooLong, now,
                    Format("End Programming %.3f us after command 24 (at most %.0f us): the "
                           "block at 0x%04X is not written",
                           static_cast<double>(elapsed) / 1000.0,
                           static_cast<double>(cycle_.maxDurationNs) / 1000.0, cycle_.address));
    } else {
        Commit(cycle_);
    }
    cycle_.active = false;
}

void PicChip::CommitCycle88x(const Cycle& cycle) {
    const std::uint16_t config = memory_.ConfigWord();
    const bool programProtected = IsCodeProtected(device_, config, 0);
    const bool dataProtected = IsDataProtected(type_, config);
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
        case CycleTarget::ConfigBlock:
            CommitConfigBlock88x(cycle);
            break;
        case CycleTarget::EepromByte:
            if (!dataProtected) {
                memory_.eeprom[cycle.address] = static_cast<std::uint8_t>(cycle.words[0]);
            }
            break;
        case CycleTarget::BulkProgram:
            // It removes code protection: with CPD at 0 the EEPROM goes too.
            memory_.program.fill(kErasedWord);
            memory_.ConfigWord() = NormalizeConfigWord(device_, kErasedWord);
            memory_.ConfigWord2() = NormalizeConfigWord2(kErasedWord);
            if (dataProtected) {
                memory_.eeprom.fill(kErasedByte);
            }
            if (cycle.withIds) {
                EraseIds();
            }
            if (cycle.withCalibration) {
                memory_.CalibrationWord() = kErasedWord;
            }
            break;
        case CycleTarget::BulkData:
            if (!dataProtected) {
                memory_.eeprom.fill(kErasedByte);
            }
            break;
        case CycleTarget::RowErase:
            if (!cycle.withIds && !programProtected) {
                for (std::uint16_t i = 0; i < kRowEraseWords; ++i) {
                    memory_.program[ProgramIndex(static_cast<std::uint16_t>(cycle.address + i))] =
                        kErasedWord;
                }
            }
            break;
        default:
            break;
    }
}

void PicChip::CommitConfigBlock88x(const Cycle& cycle) {
    for (unsigned i = 0; i < cycle.wordCount; ++i) {
        const auto address = static_cast<std::uint16_t>(cycle.address + i);
        if (!Writable(address) || address == unprogrammable_) {
            continue;
        }
        std::uint16_t& word = memory_.config[address - kConfigSpaceStart];
        word &= cycle.words[i] & kWordMask;
        if (address == kConfigWordAddress) {
            word = NormalizeConfigWord(device_, word);
        } else if (address == kConfigWord2Address) {
            word = NormalizeConfigWord2(word);
        }
    }
}

}  // namespace tallis::sim
