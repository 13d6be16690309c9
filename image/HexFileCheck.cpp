#include "image/HexFileCheck.h"

#include <map>

#include "image/HexRecordReader.h"

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

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A blank that follows a record's characters on its line, rather than one
// that starts a line.
bool BlankAfterRecord(std::string_view text, std::int32_t position) {
    const auto at = static_cast<std::size_t>(position);
    return at > 0 && at < text.size() && IsBlank(text[at]) && !IsLineEnd(text[at - 1]);
}

constexpr std::uint16_t kHighBits = 0xC000;

// What the walk keeps from record to record.
struct Walk {
    std::uint16_t programWords;
    std::map<std::uint16_t, std::uint16_t> given = {};  // word address -> value, so far
    bool highBitsHere = false;                          // in the record being read
};

// A data word against the chosen chip's memory and the words given before.
void CheckDataWord(std::uint16_t wordAddress, const DataWord& word, Walk& walk,
                   HexFileCheck& check) {
    NoteSkippedWord(wordAddress, check);
    if (!check.Sound()) {
        return;
    }
    if (wordAddress >= walk.programWords && wordAddress < kProgramMemoryEnd) {
        check.fault = HexFileFault::PastChipMemory;
        check.address = static_cast<std::uint16_t>(walk.programWords - 1);
        return;
    }
    const auto [given, isNew] = walk.given.emplace(wordAddress, word.Value());
    if (!isNew && given->second != word.Value()) {
        check.fault = HexFileFault::ConflictingWord;
        check.address = wordAddress;
        return;
    }
    const WordAddressClass addressClass = ClassifyWordAddress(wordAddress);
    const bool written = addressClass == WordAddressClass::ProgramMemory ||
                         addressClass == WordAddressClass::ConfigurationWord;
    walk.highBitsHere = walk.highBitsHere || (written && (word.Value() & kHighBits) != 0);
}

// Reads one record as the run does and sets check.fault when it is refused.
// True at the end record.
bool CheckRecord(HexRecordReader& reader, Walk& walk, HexFileCheck& check) {
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
            CheckDataWord(static_cast<std::uint16_t>(header->WordAddress + i), word, walk, check);
        }
    }
    const HexFileFault wordFault = check.fault;
    check.fault = HexFileFault::None;
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
    // A damaged record is named as such before what its words say.
    if (check.Sound()) {
        check.fault = wordFault;
    }
    return check.Sound() && header->IsEndRecord();
}

}  // namespace

HexFileCheck CheckHexFile(const FirmwareImage& image, std::uint16_t programWords) {
    HexFileCheck check;
    Walk walk{.programWords = programWords};
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
            walk.highBitsHere = false;
            const bool atEnd = CheckRecord(reader, walk, check);
            if (walk.highBitsHere && check.Sound() && check.highBitsLine == 0) {
                check.highBitsLine = LineOf(image.Text(), recordStart);
            }
            if (atEnd) {
                return check;
            }
            if (!check.Sound()) {
                check.line = LineOf(image.Text(), recordStart);
                check.blanksAfterRecord = check.fault == HexFileFault::NotIntelHex &&
                                          BlankAfterRecord(image.Text(), recordStart);
                return check;
            }
        }
        ++reader.ReadPosition;
    }
    check.fault = HexFileFault::NoEndRecord;
    return check;
}

}  // namespace tallis
