#include "sim/ChipHexFile.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace tallis::sim {

namespace {

constexpr std::uint32_t kConfigByteStart = 2U * kConfigSpaceStart;  // 0x4000
constexpr std::uint32_t kEepromByteStart = 0x4200;
constexpr std::uint32_t kImageBytes = kEepromByteStart + 2U * kEepromBytes;  // up to 0x43FF
constexpr std::size_t kBytesPerRecord = 16;
constexpr std::uintmax_t kMaxFileBytes = 16U * 1024U * 1024U;

enum RecordType : std::uint8_t {
    kData = 0,
    kEndOfFile = 1,
    kExtendedSegment = 2,
    kStartSegment = 3,
    kExtendedLinear = 4,
    kStartLinear = 5,
};

void AppendRecord(std::string& out, std::uint16_t address, RecordType type,
                  const std::uint8_t* bytes, std::size_t count) {
    char field[16];
    unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFFU) + type;
    std::snprintf(field, sizeof field, ":%02X%04X%02X", static_cast<unsigned>(count), address,
                  static_cast<unsigned>(type));
    out += field;
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(field, sizeof field, "%02X", bytes[i]);
        out += field;
        sum += bytes[i];
    }
    std::snprintf(field, sizeof field, "%02X\n", (0x100U - (sum & 0xFFU)) & 0xFFU);
    out += field;
}

// Little-endian words into bytes, then records of 16 bytes.
void AppendWords(std::string& out, std::uint32_t byteAddress, const std::uint16_t* words,
                 std::size_t count) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(words[i] & 0xFFU));
        bytes.push_back(static_cast<std::uint8_t>(words[i] >> 8));
    }
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerRecord) {
        const std::size_t n = std::min(kBytesPerRecord, bytes.size() - offset);
        AppendRecord(out, static_cast<std::uint16_t>(byteAddress + offset), kData,
                     bytes.data() + offset, n);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

HexStatus Fail(std::size_t lineNumber, const std::string& why) {
    return HexStatus{false, "line " + std::to_string(lineNumber) + ": " + why};
}

// The bytes of the whole image, starting from the erased chip.
struct ByteImage {
    std::array<std::uint8_t, kImageBytes> bytes{};

    explicit ByteImage(const ChipMemory& blank) {
        for (std::uint32_t w = 0; w < kProgramWords; ++w) {
            Put(2 * w, blank.program[w]);
        }
        for (std::uint32_t w = 0; w < kConfigSpaceWords; ++w) {
            Put(kConfigByteStart + 2 * w, blank.config[w]);
        }
        for (std::uint32_t b = kConfigByteStart + 2 * kConfigSpaceWords; b < kEepromByteStart;
             ++b) {
            bytes[b] = 0xFF;
        }
        for (std::uint32_t e = 0; e < kEepromBytes; ++e) {
            Put(kEepromByteStart + 2 * e, blank.eeprom[e]);
        }
    }
    void Put(std::uint32_t at, std::uint16_t word) {
        bytes[at] = static_cast<std::uint8_t>(word & 0xFFU);
        bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    std::uint16_t Word(std::uint32_t at) const {
        return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    }
};

bool InChip(std::uint32_t address) {
    return address < 2U * kProgramWords ||
           (address >= kConfigByteStart && address < kConfigByteStart + 2U * kConfigSpaceWords) ||
           (address >= kEepromByteStart && address < kImageBytes);
}

// One record's bytes (count, address, type, data, checksum), checked.
std::optional<std::string> DecodeRecord(std::string_view line, std::vector<std::uint8_t>& out) {
    if (line.empty() || line[0] != ':') {
        return "a record must start with ':'";
    }
    const std::string_view digits = line.substr(1);
    if (digits.size() % 2 != 0 || digits.size() < 10) {
        return "record too short or with an odd number of digits";
    }
    out.clear();
    unsigned sum = 0;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigit(digits[i]);
        const int low = HexDigit(digits[i + 1]);
        if (high < 0 || low < 0) {
            return "not a hexadecimal digit in the record";
        }
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
        sum += out.back();
    }
    if (out.size() != static_cast<std::size_t>(out[0]) + 5) {
        return "byte count " + std::to_string(out[0]) + " does not match the record length";
    }
    if ((sum & 0xFFU) != 0) {
        return "checksum error";
    }
    return std::nullopt;
}

}  // namespace

std::string FormatChipHex(const ChipMemory& memory) {
    std::string out;
    out.reserve(45 * 1100);
    AppendWords(out, 0, memory.program.data(), memory.program.size());
    AppendWords(out, kConfigByteStart, memory.config.data(), memory.config.size());
    std::array<std::uint16_t, kEepromBytes> eepromWords{};
    for (std::size_t i = 0; i < kEepromBytes; ++i) {
        eepromWords[i] = memory.eeprom[i];
    }
    AppendWords(out, kEepromByteStart, eepromWords.data(), eepromWords.size());
    AppendRecord(out, 0, kEndOfFile, nullptr, 0);
    return out;
}

HexStatus ParseChipHex(std::string_view text, TargetType type, ChipMemory& memory) {
    const ChipMemory blank = ChipMemory::Blank(type, memory.DeviceId());
    ByteImage image(blank);
    std::uint32_t base = 0;
    bool ended = false;
    std::vector<std::uint8_t> record;
    std::size_t lineNumber = 0;
    while (!text.empty() && !ended) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineNumber;
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (const auto error = DecodeRecord(line, record)) {
            return Fail(lineNumber, *error);
        }
        const std::size_t count = record[0];
        const auto offset = static_cast<std::uint32_t>((record[1] << 8) | record[2]);
        const std::uint8_t* data = record.data() + 4;
        switch (record[3]) {
            case kData:
                for (std::size_t i = 0; i < count; ++i) {
                    const std::uint32_t address = base + offset + static_cast<std::uint32_t>(i);
                    if (!InChip(address)) {
                        char where[64];
                        std::snprintf(where, sizeof where,
                                      "byte address 0x%X is outside the chip's memory", address);
                        return Fail(lineNumber, where);
                    }
                    image.bytes[address] = data[i];
                }
                break;
            case kEndOfFile:
                ended = true;
                break;
            case kExtendedSegment:
            case kExtendedLinear:
                if (count != 2) {
                    return Fail(lineNumber, "extended address record without 2 data bytes");
                }
                base = static_cast<std::uint32_t>((data[0] << 8) | data[1]);
                base <<= record[3] == kExtendedLinear ? 16 : 4;
                break;
            case kStartSegment:
            case kStartLinear:
                break;  // a start address means nothing to a chip image
            default:
                return Fail(lineNumber, "unknown record type " + std::to_string(record[3]));
        }
    }
    if (!ended) {
        return HexStatus{false, "no end-of-file record"};
    }
    ChipMemory parsed = blank;
    for (std::uint32_t w = 0; w < kProgramWords; ++w) {
        parsed.program[w] = image.Word(2 * w) & kWordMask;
    }
    for (std::uint32_t w = 0; w < kConfigSpaceWords; ++w) {
        if (kConfigSpaceStart + w != kDeviceIdAddress) {
            parsed.config[w] = image.Word(kConfigByteStart + 2 * w) & kWordMask;
        }
    }
    parsed.ConfigWord() = NormalizeConfigWord(type, parsed.ConfigWord());
    for (std::uint32_t e = 0; e < kEepromBytes; ++e) {
        parsed.eeprom[e] = image.bytes[kEepromByteStart + 2 * e];
    }
    memory = parsed;
    return HexStatus{};
}

HexStatus SaveChipHex(const ChipMemory& memory, const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return HexStatus{false, "cannot create " + path.string()};
    }
    const std::string text = FormatChipHex(memory);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        return HexStatus{false, "cannot write " + path.string()};
    }
    return HexStatus{};
}

HexStatus LoadChipHex(const std::filesystem::path& path, TargetType type, ChipMemory& memory) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return HexStatus{false, "cannot read " + path.string() + ": " + error.message()};
    }
    if (size > kMaxFileBytes) {
        return HexStatus{false, path.string() + " is too large for a chip image"};
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        return HexStatus{false, "cannot read " + path.string()};
    }
    HexStatus status = ParseChipHex(text.str(), type, memory);
    if (!status) {
        status.message = path.string() + ": " + status.message;
    }
    return status;
}

}  // namespace tallis::sim
