#include "image/HexFileCheck.h"

#include "image/HexRecordReader.h"
#include "image/WordAddressClass.h"

namespace tallis {

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Lines end in LF, CR LF or a lone CR.
int LineOf(std::string_view text, std::int32_t position) {
    int line = 1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(position); ++i) {
        const bool lineFeed = text[i] == '\n';
        const bool loneReturn = text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n');
        if (lineFeed || loneReturn) {
            ++line;
        }
    }
    return line;
}

// An extended address other than 0, or one that is not two bytes long.
bool PointsOutsidePic16Memory(const RecordHeader& header, const DataWord& firstWord) {
    return header.ByteCount != 2 || firstWord.Value() != 0;
}

void NoteSkippedWord(std::uint16_t wordAddress, HexFileCheck& check) {
    const WordAddressClass addressClass = ClassifyWordAddress(wordAddress);
    check.hasIdWords = check.hasIdWords || addressClass == WordAddressClass::IdLocation;
    check.hasEepromWords = check.hasEepromWords || addressClass == WordAddressClass::DataEeprom;
    check.hasSecondConfigWord =
        check.hasSecondConfigWord || wordAddress == kSecondConfigWordAddress;
}

// Reads one record as the run does and sets check.fault when it is refused.
// True at the end record.
bool CheckRecord(HexRecordReader& reader, HexFileCheck& check) {
    const std::optional<RecordHeader> header = reader.ReadRecordHeader();
    if (!header) {
        check.fault = HexFileFault::NotIntelHex;
        return false;
    }
    if (reader.Truncated()) {
        check.fault = HexFileFault::ChecksumError;
        return false;
    }
    if (!header->HasKnownType()) {
        check.fault = HexFileFault::UnknownRecordType;
        check.recordType = header->Type;
        return false;
    }
    DataWord firstWord;
    for (int i = 0; i < header->WordCount; ++i) {
        const DataWord word = reader.ReadDataWord();
        firstWord = i == 0 ? word : firstWord;
        if (header->IsDataRecord()) {
            NoteSkippedWord(static_cast<std::uint16_t>(header->WordAddress + i), check);
        }
    }
    if (reader.FinishRecord() != RecordCheck::Sound) {
        check.fault = HexFileFault::ChecksumError;
    } else if (header->IsExtendedAddressRecord() && PointsOutsidePic16Memory(*header, firstWord)) {
        check.fault = HexFileFault::ExtendedAddress;
    } else if (header->IsDataRecord() && header->WordAddress < kProgramMemoryEnd &&
               header->WordAddress + header->WordCount > kProgramMemoryEnd) {
        // The chip's address counter would wrap round to the reset vector.
        check.fault = HexFileFault::PastProgramMemory;
    } else if (!header->IsDataRecord() && !header->IsEndRecord()) {
        // The run passes over the rest of such a record's line unread.
        reader.SkipRecord();
    }
    return check.Sound() && header->IsEndRecord();
}

}  // namespace

HexFileCheck CheckHexFile(const FirmwareImage& image) {
    HexFileCheck check;
    if (image.LastIndex < 0) {
        check.fault = HexFileFault::NotIntelHex;
        return check;
    }
    HexRecordReader reader(image);
    // The run's steps between records: line ends are passed over, and the
    // character at LastIndex never starts a record.
    while (reader.ReadPosition < image.LastIndex) {
        if (!IsLineEnd(reader.TakeCurrentChar())) {
            const std::int32_t recordStart = reader.ReadPosition;
            if (CheckRecord(reader, check)) {
                return check;
            }
            if (!check.Sound()) {
                check.line = LineOf(image.Text(), recordStart);
                return check;
            }
        }
        ++reader.ReadPosition;
    }
    check.fault = HexFileFault::NoEndRecord;
    return check;
}

}  // namespace tallis
