#include "image/ChipImageHex.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <span>
#include <utility>
#include <vector>

#include "image/HexDigits.h"
#include "image/WordAddressClass.h"

namespace tallis {

namespace {

// Byte addresses of the PIC16 HEX layout (2 x word address), by which a
// location outside the chip's regions is named.
constexpr std::uint32_t kEepromByte = 0x4200;  // word 0x2100
constexpr std::size_t kBytesPerRecord = 16;
constexpr std::size_t kRecordOverhead = 5;  // count, address (2), type, checksum
constexpr std::size_t kExtendedAddressBytes = 2;

enum RecordType : std::uint8_t {
    kData = 0,
    kEndOfFile = 1,
    kExtendedSegment = 2,
    kStartSegment = 3,
    kExtendedLinear = 4,
    kStartLinear = 5,
};

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string Describe(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F ? Format("'%c'", c) : Format("byte 0x%02X", byte);
}

// Configuration word 2 is a PIC16 location, just not on these chips: a file
// that holds one was built for another chip, which is worth saying.
std::optional<std::string> OtherChipsConfigWord(std::uint32_t word, std::string_view chip) {
    if (word != kSecondConfigWordAddress) {
        return std::nullopt;
    }
    const std::string where = chip.empty() ? "any supported chip" : "the " + std::string(chip);
    return Format("configuration word 2 (0x%04X) is not on %s; is the file for another chip?",
                  static_cast<unsigned>(word), where.c_str());
}

// Sets one byte of a 14-bit word; the other byte stays erased until it comes.
void PutWordByte(std::optional<std::uint16_t>& word, bool high, std::uint8_t byte) {
    const std::uint16_t old = word.value_or(0xFFFF);
    word = high ? static_cast<std::uint16_t>((old & 0x00FFU) | (byte << 8))
                : static_cast<std::uint16_t>((old & 0xFF00U) | byte);
}

class Parser {
  public:
    explicit Parser(ImageBounds bounds) : regions_(bounds.regions), chip_(bounds.chip) {
        for (const MemoryRegion& region : regions_) {
            if (region.kind != RegionKind::Program && region.kind != RegionKind::Eeprom) {
                configSpaceFrom_ = std::min(configSpaceFrom_, region.hexStart);
                configSpaceTo_ = std::max(configSpaceTo_, region.HexEnd());
            }
        }
    }

    HexParseResult Run(std::string_view text) {
        while (!text.empty()) {
            ++line_;
            std::string_view record = NextLine(text);
            while (!record.empty() && (record.back() == ' ' || record.back() == '\t')) {
                record.remove_suffix(1);
            }
            if (record.empty()) {
                continue;
            }
            if (ended_) {
                // Compilers end their files with comment lines (";PIC16F877",
                // ";CRC=... CREATED=..."); a record there would be lost without a word.
                if (!IsRecordLine(record)) {
                    continue;
                }
                return Fail(Format("a record after the end-of-file record on line %zu", endLine_));
            }
            if (std::optional<std::string> error = Record(record)) {
                return Fail(*error);
            }
        }
        if (!ended_) {
            line_ = std::max<std::size_t>(line_, 1);
            return Fail("the file ends without an end-of-file record");
        }
        MaskWords();
        HexParseResult result;
        result.image = image_;
        return result;
    }

  private:
    // A line whose first character, after blanks and a DOS end-of-file
    // character, starts a record.
    static bool IsRecordLine(std::string_view line) {
        const std::size_t first = line.find_first_not_of(" \t\x1A");
        return first != std::string_view::npos && line[first] == ':';
    }

    // The text up to the next CR, LF or CRLF; the text after it stays in `text`.
    static std::string_view NextLine(std::string_view& text) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        std::size_t next = end;
        if (next < text.size()) {
            next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        }
        text.remove_prefix(next);
        return line;
    }

    HexParseResult Fail(const std::string& why) const {
        HexParseResult result;
        result.line = line_;
        result.error = "line " + std::to_string(line_) + ": " + why;
        return result;
    }

    std::optional<std::string> Record(std::string_view line) {
        if (line.front() != ':') {
            return "a record must start with ':', not " + Describe(line.front());
        }
        if (std::optional<std::string> error = Decode(line.substr(1))) {
            return error;
        }
        const std::uint8_t count = bytes_[0];
        const auto offset = static_cast<std::uint16_t>(bytes_[1] << 8 | bytes_[2]);
        const std::uint8_t type = bytes_[3];
        const std::uint8_t* data = bytes_.data() + 4;
        switch (type) {
            case kData:
                return Data(offset, data, count);
            case kEndOfFile:
                ended_ = true;
                endLine_ = line_;
                return std::nullopt;
            case kExtendedSegment:
            case kExtendedLinear:
                if (count != kExtendedAddressBytes) {
                    return Format("extended address record with %u data bytes instead of 2",
                                  static_cast<unsigned>(count));
                }
                base_ = static_cast<std::uint32_t>(data[0] << 8 | data[1])
                        << (type == kExtendedSegment ? 4 : 16);
                return std::nullopt;
            case kStartSegment:
            case kStartLinear:
                return std::nullopt;  // a start address means nothing to a PIC
            default:
                return Format("unknown record type 0x%02X", static_cast<unsigned>(type));
        }
    }

    // The record's digits after ':' into bytes_, checked for digits, length and checksum.
    std::optional<std::string> Decode(std::string_view digits) {
        const auto bad =
            std::ranges::find_if(digits, [](char c) { return !HexDigitValue(c).has_value(); });
        if (bad != digits.end()) {
            return Describe(*bad) + " is not a hexadecimal digit";
        }
        if (digits.size() % 2 != 0) {
            return Format("record cut short: an odd number of hex digits (%zu)", digits.size());
        }
        if (digits.size() < 2 * kRecordOverhead) {
            return Format("record cut short: %zu hex digits, a record has at least 10",
                          digits.size());
        }
        bytes_.clear();
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            bytes_.push_back(static_cast<std::uint8_t>(*HexDigitValue(digits[i]) << 4 |
                                                       *HexDigitValue(digits[i + 1])));
        }
        const std::size_t expected = bytes_[0] + kRecordOverhead;
        if (bytes_.size() < expected) {
            return Format("record cut short: byte count 0x%02X needs %zu bytes, the line holds %zu",
                          static_cast<unsigned>(bytes_[0]), expected, bytes_.size());
        }
        if (bytes_.size() > expected) {
            return Format("byte count 0x%02X needs %zu bytes, the line holds %zu",
                          static_cast<unsigned>(bytes_[0]), expected, bytes_.size());
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes_.size(); ++i) {
            sum += bytes_[i];
        }
        const unsigned wanted = (0x100U - (sum & 0xFFU)) & 0xFFU;
        if (wanted != bytes_.back()) {
            return Format("bad checksum (expected 0x%02X, found 0x%02X)", wanted,
                          static_cast<unsigned>(bytes_.back()));
        }
        return std::nullopt;
    }

    std::optional<std::string> Data(std::uint16_t offset, const std::uint8_t* data,
                                    std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            // No wrap at 64 KiB for segment addresses: a record that would wrap
            // starts above 0xFFFF, outside every PIC16, and is refused there.
            const std::uint32_t address = base_ + offset + static_cast<std::uint32_t>(i);
            if (std::optional<std::string> error = Put(address, data[i])) {
                return error;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> Put(std::uint32_t address, std::uint8_t byte) {
        const bool high = (address & 1U) != 0;
        const auto region = std::ranges::find_if(
            regions_, [&](const MemoryRegion& r) { return r.HoldsHex(address); });
        if (region != regions_.end()) {
            const std::size_t index = (address - region->hexStart) / 2;
            if (region->kind == RegionKind::Eeprom) {
                if (!high) {
                    image_.Set(RegionKind::Eeprom, index, byte);
                }
            } else if (std::optional<std::uint16_t>* word = image_.Word(region->kind, index)) {
                PutWordByte(*word, high, byte);
            }
            return std::nullopt;
        }
        return Outside(address);
    }

    // Why a byte outside every region is refused, if it is: reserved words
    // between the regions of configuration space are dropped.
    std::optional<std::string> Outside(std::uint32_t address) const {
        const std::uint32_t word = address / 2;
        if (word < kMaxProgramWords) {
            return Format("word address 0x%04X is outside the %u words of program memory",
                          static_cast<unsigned>(word), Size(RegionKind::Program));
        }
        if (address >= configSpaceFrom_ && address < configSpaceTo_) {
            return std::nullopt;
        }
        const std::uint32_t eeprom = (address - kEepromByte) / 2;
        if (address >= kEepromByte && eeprom < kMaxEepromBytes) {
            return Format("EEPROM address 0x%02X is outside the %u bytes of data EEPROM",
                          static_cast<unsigned>(eeprom), Size(RegionKind::Eeprom));
        }
        if (std::optional<std::string> otherChips = OtherChipsConfigWord(word, chip_)) {
            return otherChips;
        }
        return Format("byte address 0x%X is outside the chip's memory (no PIC16 location)",
                      static_cast<unsigned>(address));
    }

    unsigned Size(RegionKind kind) const {
        const MemoryRegion* region = FindRegion(regions_, kind);
        return region != nullptr ? region->size : 0U;
    }

    void MaskWords() {
        for (const MemoryRegion& region : regions_) {
            for (std::size_t i = 0; i < region.size; ++i) {
                std::optional<std::uint16_t>* word = image_.Word(region.kind, i);
                if (word != nullptr && word->has_value()) {
                    **word &= region.Blank();
                }
            }
        }
    }

    std::span<const MemoryRegion> regions_;
    std::string_view chip_;
    // HEX byte addresses from the first to the end of the last region of
    // configuration space: a word between them that no region has is reserved.
    std::uint32_t configSpaceFrom_ = UINT32_MAX;
    std::uint32_t configSpaceTo_ = 0;
    ChipImage image_;
    std::vector<std::uint8_t> bytes_;
    std::size_t line_ = 0;
    std::uint32_t base_ = 0;
    bool ended_ = false;
    std::size_t endLine_ = 0;
};

// The image as (byte address, byte) in address order.
using HexBytes = std::vector<std::pair<std::uint16_t, std::uint8_t>>;

void AppendWord(HexBytes& bytes, std::uint32_t byteAddress,
                const std::optional<std::uint16_t>& word) {
    if (word) {
        bytes.emplace_back(static_cast<std::uint16_t>(byteAddress),
                           static_cast<std::uint8_t>(*word));
        bytes.emplace_back(static_cast<std::uint16_t>(byteAddress + 1),
                           static_cast<std::uint8_t>(*word >> 8));
    }
}

HexBytes ImageBytes(const ChipImage& image, std::span<const MemoryRegion> layout) {
    std::vector<const MemoryRegion*> regions;
    for (const MemoryRegion& region : layout) {
        regions.push_back(&region);
    }
    std::ranges::sort(regions, {}, &MemoryRegion::hexStart);
    HexBytes bytes;
    for (const MemoryRegion* region : regions) {
        for (std::size_t i = 0; i < region->size; ++i) {
            AppendWord(bytes, region->hexStart + 2 * static_cast<std::uint32_t>(i),
                       image.Value(region->kind, i));
        }
    }
    return bytes;
}

void AppendHexByte(std::string& out, unsigned byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[byte >> 4 & 0xFU];
    out += kDigits[byte & 0xFU];
}

void AppendRecord(std::string& out, std::uint16_t address, RecordType type,
                  std::span<const std::uint8_t> data) {
    const std::uint8_t header[] = {static_cast<std::uint8_t>(data.size()),
                                   static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address & 0xFFU), type};
    unsigned sum = 0;
    out += ':';
    for (std::span<const std::uint8_t> part : {std::span<const std::uint8_t>(header), data}) {
        for (std::uint8_t byte : part) {
            AppendHexByte(out, byte);
            sum += byte;
        }
    }
    AppendHexByte(out, (0x100U - (sum & 0xFFU)) & 0xFFU);
    out += '\n';
}

}  // namespace

HexParseResult ParseChipImageHex(std::string_view text, ImageBounds bounds) {
    // Editors on Windows start UTF-8 text with a byte-order mark; it is no record.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return Parser(bounds).Run(text);
}

std::string FormatChipImageHex(const ChipImage& image, std::span<const MemoryRegion> layout) {
    const HexBytes bytes = ImageBytes(image, layout);
    std::string out;
    out.reserve(bytes.size() / kBytesPerRecord * 45 + 45);
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint16_t start = bytes[i].first;
        data.clear();
        do {
            data.push_back(bytes[i].second);
            ++i;
        } while (i < bytes.size() && bytes[i].first == bytes[i - 1].first + 1 &&
                 bytes[i].first % kBytesPerRecord != 0);
        AppendRecord(out, start, kData, data);
    }
    AppendRecord(out, 0, kEndOfFile, {});
    return out;
}

}  // namespace tallis
