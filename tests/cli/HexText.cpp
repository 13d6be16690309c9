#include "HexText.h"

#include <algorithm>
#include <cstdio>

namespace tallis::testing {

namespace {

void AppendByte(std::string& text, unsigned value) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value & 0xFFu);
    text += digits;
}

std::vector<std::uint8_t> LowByteFirst(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

}  // namespace

std::string HexRecord(std::uint16_t byteAddress, std::uint8_t type,
                      const std::vector<std::uint8_t>& data, bool breakChecksum) {
    std::string line = ":";
    unsigned sum =
        static_cast<unsigned>(data.size()) + (byteAddress >> 8) + (byteAddress & 0xFF) + type;
    AppendByte(line, static_cast<unsigned>(data.size()));
    AppendByte(line, byteAddress >> 8);
    AppendByte(line, byteAddress & 0xFF);
    AppendByte(line, type);
    for (std::uint8_t byte : data) {
        AppendByte(line, byte);
        sum += byte;
    }
    unsigned checksum = (0x100 - (sum & 0xFF)) & 0xFF;
    AppendByte(line, breakChecksum ? checksum ^ 0x01 : checksum);
    return line + "\r\n";
}

std::string HexEndRecord() {
    return HexRecord(0, 0x01, {});
}

std::string ProgramHex(const std::vector<std::uint16_t>& words, std::uint16_t configWord,
                       bool withEndRecord) {
    std::string text;
    for (std::size_t first = 0; first < words.size(); first += 8) {
        std::vector<std::uint16_t> chunk(
            words.begin() + static_cast<std::ptrdiff_t>(first),
            words.begin() + static_cast<std::ptrdiff_t>(std::min(first + 8, words.size())));
        text += HexRecord(static_cast<std::uint16_t>(first * 2), 0x00, LowByteFirst(chunk));
    }
    text += HexRecord(0x2007 * 2, 0x00, LowByteFirst({configWord}));
    if (withEndRecord) {
        text += HexEndRecord();
    }
    return text;
}

}  // namespace tallis::testing
