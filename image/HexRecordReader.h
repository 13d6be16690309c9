#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "image/FirmwareImage.h"

namespace tallis {

// The header of one record: ':', byte count, address, type.
struct RecordHeader {
    std::uint8_t ByteCount = 0;
    std::uint8_t WordCount = 0;     // ByteCount / 2; an odd last byte is ignored
    std::uint16_t ByteAddress = 0;  // the four address characters as one number
    std::uint16_t WordAddress = 0;  // ByteAddress / 2, bit 0 dropped
    std::string Type;               // the two type characters as they stand (shorter if cut short)

    bool IsDataRecord() const { return Type == "00"; }
    bool IsEndRecord() const { return Type == "01"; }
    // 02 and 04: the upper bits of the addresses that follow.
    bool IsExtendedAddressRecord() const { return Type == "02" || Type == "04"; }
    // 00 to 05, the types the format defines (03 and 05 give a start address).
    bool HasKnownType() const {
        return Type.size() == 2 && Type[0] == '0' && Type[1] >= '0' && Type[1] <= '5';
    }
};

// One data word, low byte first in the file.
struct DataWord {
    std::uint8_t Low = 0;
    std::uint8_t High = 0;

    std::uint16_t Value() const { return static_cast<std::uint16_t>(High * 256 + Low); }
};

enum class RecordCheck {
    Sound,          // checksum + RecordSum is 0 modulo 256
    ChecksumError,  // the checksum does not match
    CutShort,       // the text ended before the checksum was complete
};

// The run's cursor over a FirmwareImage. Every character read first advances
// ReadPosition and then takes the character there, so at the start of a record
// ReadPosition stands on the ':' and after a read on the last character taken.
//
// Numbers end at the first character that is not a hex digit, without error.
// The reader never reads past LastIndex: a read that would goes no further than
// LastIndex + 1, takes nothing (the missing character ends a number like a
// non-hex one) and sets Truncated(); a run that sees it should end.
class HexRecordReader {
  public:
    explicit HexRecordReader(const FirmwareImage& image);

    std::int32_t ReadPosition = 0;
    char CurrentChar = 0;
    std::uint8_t RecordSum = 0;

    // Back to the start of the text, as at the start of a run.
    void Reset();

    // Takes the character at ReadPosition into CurrentChar (0 outside the text).
    char TakeCurrentChar();

    // The text ran out during a read since the last Reset.
    bool Truncated() const { return truncated_; }

    // Reads the next two characters as one byte.
    std::uint8_t ReadHexPair();

    // Nothing, reading nothing, when CurrentChar is not ':'. Otherwise reads the
    // header and leaves ReadPosition on the second type character and RecordSum
    // at the byte count plus both address bytes plus the type.
    std::optional<RecordHeader> ReadRecordHeader();

    // Reads the next data word and adds both its bytes to RecordSum.
    DataWord ReadDataWord();

    // Reads what is left of the record's data (the odd last byte of an odd byte
    // count, which holds no word but is part of the sum), then the checksum, and
    // passes over the one character after it (the line end) without examining it.
    RecordCheck FinishRecord();

    // Moves ReadPosition to just before the next ':', so that the run's next
    // step lands on it; to LastIndex when no ':' follows.
    void SkipRecord();

  private:
    // Advances ReadPosition and takes the character there; nothing past the text.
    std::optional<char> NextChar();
    template <std::size_t N>
    std::array<char, N> ReadChars();

    const FirmwareImage& image_;
    bool truncated_ = false;
    std::uint8_t dataBytesLeft_ = 0;  // of the current record, not yet read
};

}  // namespace tallis
