#include "classic/ProgramRun.h"

#include <cmath>
#include <cstdio>

#include "classic/RunMessages.h"
#include "device/Device.h"
#include "image/WordAddressClass.h"

namespace tallis {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr int kGaugeFull = 100;
// Moves of the address counter at least this long (about 0.3 s) are shown, every
// kSkipReportEvery increments.
constexpr std::uint32_t kLongSkip = 256;
constexpr std::uint32_t kSkipReportEvery = 64;

RunOutcome RefusalOutcome(HexFileFault fault) {
    switch (fault) {
        case HexFileFault::NotIntelHex:
            return RunOutcome::NotIntelHex;
        case HexFileFault::ChecksumError:
            return RunOutcome::ChecksumError;
        case HexFileFault::NoEndRecord:
            return RunOutcome::EndOfText;
        case HexFileFault::None:
        case HexFileFault::UnknownRecordType:
        case HexFileFault::ExtendedAddress:
        case HexFileFault::PastProgramMemory:
        case HexFileFault::PastChipMemory:
        case HexFileFault::ConflictingWord:
            break;
    }
    return RunOutcome::RefusedRecord;
}

// The chip type stands for its family, whose chips share their
// configuration bits: its row in the device table says which are implemented.
std::uint16_t ImplementedConfigurationBits(ChipType chip) {
    const Device* device = FindDevice(chip == ChipType::Pic16F877 ? "16f877" : "16f877a");
    return device->configImplemented;
}

// The chip's words have 14 bits: a file's bits 14-15 would never read back.
DataWord WithoutHighBits(const DataWord& word) {
    constexpr std::uint8_t kHighByteBits = 0x3F;
    return {.Low = word.Low, .High = static_cast<std::uint8_t>(word.High & kHighByteBits)};
}

}  // namespace

std::string PortStatusText(std::int32_t portNumber, std::uint16_t portBase) {
    char base[8];
    std::snprintf(base, sizeof base, "%03X", unsigned{portBase});
    std::string text(kPortStatusPrefix);
    text += std::to_string(portNumber);
    text += "  (";
    text += base;
    text += "H)";
    return text;
}

// Rounded with the current rounding mode, which is round-half-to-even unless
// someone changed it.
int ProgressPercent(std::uint16_t wordsDone, std::uint32_t wordCount) {
    if (wordCount == 1) {
        return kGaugeFull;
    }
    double value = static_cast<double>(wordsDone) * 100.0 / (static_cast<double>(wordCount) - 1.0);
    double rounded = std::nearbyint(value);
    if (rounded < 0.0) {
        return 0;
    }
    if (rounded > kGaugeFull) {
        return kGaugeFull;
    }
    return static_cast<int>(rounded);
}

ProgramRun::ProgramRun(ClassicProgrammer& programmer, RunHost& host)
    : programmer_(programmer), host_(host) {}

RunOutcome ProgramRun::Execute(const FirmwareImage& image, std::uint16_t programWords) {
    addressCounter_ = 0;
    WordsDone = 0;
    WordsWritten = 0;
    programmer_.SelectPort(host_.OptionsPortChoice());
    host_.ShowStatus(PortStatusText(programmer_.PortNumber(), programmer_.PortBase()));
    StopRun = false;
    configMode_ = false;
    outcome_ = RunOutcome::EndOfText;
    host_.SetGauge(0);

    // A file the run would give up on part way, or whose data would land in
    // the wrong place, is refused before the chip is erased.
    fileCheck_ = CheckHexFile(image, programWords);
    if (!fileCheck_.Sound()) {
        host_.ShowMessage(FileCheckMessage(fileCheck_));
        return RefusalOutcome(fileCheck_.fault);
    }
    if (const std::string warning = SkippedRecordsWarning(fileCheck_); !warning.empty()) {
        host_.ShowMessage(warning);
    }

    programmer_.EraseChip();
    HexRecordReader reader(image);

    // Kept on purpose: the character at LastIndex never starts a record.
    while (reader.ReadPosition < image.LastIndex) {
        char current = reader.TakeCurrentChar();
        if (current != kCarriageReturn && current != kLineFeed) {
            HandleRecord(reader, image);
        }
        if (StopRun) {
            programmer_.ResetTarget();
            return outcome_;
        }
        ++reader.ReadPosition;
    }
    // The check has found an end record, so the walk never gets here; should
    // it, the target is left safe all the same.
    programmer_.ResetTarget();
    return RunOutcome::EndOfText;
}

void ProgramRun::HandleRecord(HexRecordReader& reader, const FirmwareImage& image) {
    std::optional<RecordHeader> header = reader.ReadRecordHeader();
    if (!header) {
        Stop(RunOutcome::NotIntelHex, std::string(kNotIntelHexMessage));
        return;
    }
    programmer_.HoldDataLow();
    if (reader.Truncated()) {
        Stop(RunOutcome::ChecksumError, std::string(kChecksumErrorMessage));
        return;
    }
    if (header->IsEndRecord()) {
        host_.SetGauge(kGaugeFull);
        Stop(RunOutcome::Completed, DownloadCompleteMessage(image.WordCount));
        return;
    }
    if (header->IsDataRecord()) {
        ProgramRecordWords(reader, *header, image);
        if (StopRun) {
            return;
        }
    }
    if (reader.FinishRecord() != RecordCheck::Sound) {
        Stop(RunOutcome::ChecksumError, std::string(kChecksumErrorMessage));
    } else if (!header->IsDataRecord()) {
        // An extended address of 0 or a start address: nothing for the chip.
        reader.SkipRecord();
    }
}

void ProgramRun::ProgramRecordWords(HexRecordReader& reader, const RecordHeader& header,
                                    const FirmwareImage& image) {
    for (int i = 0; i < header.WordCount; ++i) {
        if (host_.CancelRequested()) {
            Cancel(static_cast<std::uint16_t>(header.WordAddress + i));
            return;
        }
        const DataWord word = WithoutHighBits(reader.ReadDataWord());
        // A word whose digits ran past the end of the text is never written.
        if (reader.Truncated()) {
            Stop(RunOutcome::ChecksumError, std::string(kChecksumErrorMessage));
            return;
        }
        const auto wordAddress = static_cast<std::uint16_t>(header.WordAddress + i);
        switch (ClassifyWordAddress(wordAddress)) {
            case WordAddressClass::ProgramMemory:
                if (!ProgramWord(wordAddress, word, image)) {
                    return;
                }
                break;
            case WordAddressClass::ConfigurationWord:
                if (!WriteConfigurationWord(word, image)) {
                    return;
                }
                break;
            case WordAddressClass::IdLocation:
            case WordAddressClass::DataEeprom:
            case WordAddressClass::Other:
                break;
        }
    }
}

// Within a record the counter already stands on the word, so only a record's
// first word steps it. After the configuration word, or for a record below
// the counter, the run enters programming mode again first and steps up from 0.
bool ProgramRun::ProgramWord(std::uint16_t wordAddress, const DataWord& word,
                             const FirmwareImage& image) {
    if (configMode_) {
        ReturnToProgramMemory();
    } else if (wordAddress < addressCounter_) {
        RestartAddressCounter();
    }
    const std::uint16_t from = addressCounter_;
    addressCounter_ = programmer_.AdvanceAddress(
        from, wordAddress, [this, from](std::uint32_t done, std::uint32_t total) {
            addressCounter_ = static_cast<std::uint16_t>(from + done);
            return AddressSkipStep(done, total);
        });
    if (addressCounter_ != wordAddress) {
        Cancel(addressCounter_);
        return false;
    }
    ShowProgress(image);
    ++WordsDone;
    programmer_.WriteProgramWord(word.High, word.Low);
    ++WordsWritten;
    if (!programmer_.ReadAndCompareWord(word.High, word.Low)) {
        Stop(RunOutcome::VerifyError, VerifyErrorMessage(addressCounter_));
        return false;
    }
    programmer_.SerialWire().ShiftCommand(kIncrementAddress, 0, false);
    ++addressCounter_;
    return true;
}

// The chip reads its unimplemented configuration bits as 1 whatever the file
// holds there, so only the bits the selected chip implements are compared.
bool ProgramRun::WriteConfigurationWord(const DataWord& word, const FirmwareImage& image) {
    ShowProgress(image);
    host_.ProcessEvents();
    configMode_ = true;
    programmer_.WriteConfigurationWord(word.High, word.Low);
    ++WordsWritten;
    const auto expected = static_cast<std::uint16_t>(word.High * 256 + word.Low);
    const std::uint16_t read = programmer_.ReadWord();
    if (((expected ^ read) & ImplementedConfigurationBits(host_.SelectedChip())) != 0) {
        Stop(RunOutcome::VerifyError, ConfigurationVerifyErrorMessage(expected, read));
        return false;
    }
    return true;
}

// Program-memory records after the configuration word: the chip's address
// counter is in configuration space, and only a fresh entry into programming
// mode brings it back to 0. Without this the words would go out as
// configuration writes.
void ProgramRun::ReturnToProgramMemory() {
    programmer_.EnterProgramMode();
    addressCounter_ = 0;
    configMode_ = false;
}

// The counter only counts up: a record below it would be reached by wrapping
// round through thousands of steps. A fresh entry brings it back to 0, from
// where it steps up to the record.
void ProgramRun::RestartAddressCounter() {
    programmer_.ReenterProgramMode();
    addressCounter_ = 0;
}

void ProgramRun::ShowProgress(const FirmwareImage& image) {
    host_.SetGauge(ProgressPercent(WordsDone, image.WordCount));
}

bool ProgramRun::AddressSkipStep(std::uint32_t done, std::uint32_t total) {
    if (total >= kLongSkip && done % kSkipReportEvery == 0) {
        host_.ShowAddressSkip(done, total);
    }
    return !host_.CancelRequested();
}

void ProgramRun::Cancel(std::uint16_t wordAddress) {
    outcome_ = RunOutcome::Cancelled;
    CancelledAt = wordAddress;
    StopRun = true;
}

void ProgramRun::Stop(RunOutcome outcome, const std::string& message) {
    outcome_ = outcome;
    StopRun = true;
    host_.ShowMessage(message);
}

}  // namespace tallis
