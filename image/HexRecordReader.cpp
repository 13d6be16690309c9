#include "image/HexRecordReader.h"

#include "image/HexDigits.h"

namespace tallis {

namespace {

// A character that is not there ends a number like a non-hex character does.
constexpr char kMissing = '\0';

}  // namespace

HexRecordReader::HexRecordReader(const FirmwareImage& image) : image_(image) {}

void HexRecordReader::Reset() {
    ReadPosition = 0;
    CurrentChar = 0;
    RecordSum = 0;
    truncated_ = false;
    dataBytesLeft_ = 0;
}

char HexRecordReader::TakeCurrentChar() {
    const bool inText = ReadPosition >= 0 && ReadPosition <= image_.LastIndex;
    CurrentChar = inText ? image_.HexText[static_cast<std::size_t>(ReadPosition)] : kMissing;
    return CurrentChar;
}

std::optional<char> HexRecordReader::NextChar() {
    if (ReadPosition >= image_.LastIndex) {
        ReadPosition = image_.LastIndex + 1;
        truncated_ = true;
        return std::nullopt;
    }
    ++ReadPosition;
    return image_.HexText[static_cast<std::size_t>(ReadPosition)];
}

template <std::size_t N>
std::array<char, N> HexRecordReader::ReadChars() {
    std::array<char, N> chars{};
    for (char& c : chars) {
        c = NextChar().value_or(kMissing);
    }
    return chars;
}

std::uint8_t HexRecordReader::ReadHexPair() {
    const std::array<char, 2> digits = ReadChars<2>();
    return static_cast<std::uint8_t>(HexPrefixValue({digits.data(), digits.size()}));
}

std::optional<RecordHeader> HexRecordReader::ReadRecordHeader() {
    if (CurrentChar != ':') {
        return std::nullopt;
    }
    RecordHeader header;
    header.ByteCount = ReadHexPair();
    header.WordCount = header.ByteCount / 2;
    RecordSum = header.ByteCount;
    dataBytesLeft_ = header.ByteCount;

    // The address is taken twice: as two bytes for the sum, and as its four
    // characters read as one number (which stops at a non-hex character).
    const std::array<char, 4> addressDigits = ReadChars<4>();
    const std::string_view address(addressDigits.data(), addressDigits.size());
    RecordSum += static_cast<std::uint8_t>(HexPrefixValue(address.substr(0, 2)));
    RecordSum += static_cast<std::uint8_t>(HexPrefixValue(address.substr(2, 2)));
    header.ByteAddress = static_cast<std::uint16_t>(HexPrefixValue(address));
    header.WordAddress = header.ByteAddress / 2;

    for (int i = 0; i < 2; ++i) {
        if (const auto c = NextChar()) {
            header.Type.push_back(*c);
        }
    }
    // 0 for a data record; the other types' checksums cover their type too.
    RecordSum += static_cast<std::uint8_t>(HexPrefixValue(header.Type));
    return header;
}

DataWord HexRecordReader::ReadDataWord() {
    DataWord word;
    word.Low = ReadHexPair();
    RecordSum += word.Low;
    word.High = ReadHexPair();
    RecordSum += word.High;
    dataBytesLeft_ = dataBytesLeft_ >= 2 ? static_cast<std::uint8_t>(dataBytesLeft_ - 2) : 0;
    return word;
}

RecordCheck HexRecordReader::FinishRecord() {
    for (; dataBytesLeft_ > 0; --dataBytesLeft_) {
        RecordSum += ReadHexPair();
    }
    const std::uint8_t checksum = ReadHexPair();
    if (truncated_) {
        return RecordCheck::CutShort;
    }
    // The line end is passed over unexamined; a text that ends right after the
    // checksum has a complete record all the same.
    ++ReadPosition;
    const auto expected = static_cast<std::uint8_t>(256 - RecordSum);
    return checksum == expected ? RecordCheck::Sound : RecordCheck::ChecksumError;
}

void HexRecordReader::SkipRecord() {
    while (ReadPosition < image_.LastIndex) {
        ++ReadPosition;
        if (image_.HexText[static_cast<std::size_t>(ReadPosition)] == ':') {
            --ReadPosition;
            return;
        }
    }
}

}  // namespace tallis
