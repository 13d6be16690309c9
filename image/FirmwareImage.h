#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tallis {

// Ctrl-Z ends the text of a file wherever it stands, as an end-of-file mark.
constexpr char kCtrlZ = '\x1A';

// An opened Intel HEX file, kept as its text exactly as stored. The run takes
// the records apart while it programs (HexRecordReader); nothing is decoded here.
struct FirmwareImage {
    static constexpr std::size_t kCapacity = 50001;

    std::array<char, kCapacity> HexText{};
    std::int32_t LastIndex = -1;  // position of the last stored character, -1 when empty
    std::uint32_t WordCount = 0;  // by the counting rule; kept to 16 bits

    // The stored characters, positions 0 to LastIndex.
    std::string_view Text() const {
        return {HexText.data(), static_cast<std::size_t>(LastIndex + 1)};
    }
};

struct ImageLoadResult {
    std::unique_ptr<FirmwareImage> image;  // null when the load failed
    std::string error;                     // the reason, for the user, when it failed
};

// The number of words a HEX text holds, as shown after Open. Every ':' starts a
// record whose byte count and address are read; a record whose word address is
// in program memory or is the configuration word adds byte count / 2, whatever
// its type. The count ends with the first record of type 01 (the end record),
// the text at its first Ctrl-Z; a text that starts with a carriage return
// counts 0. The sum is kept in 16 bits and wraps past 65,535.
std::uint16_t CountWords(std::string_view text);

// An image of the given file contents: the bytes up to the first Ctrl-Z, with
// their word count. Contents that do not fit the store are refused.
ImageLoadResult MakeFirmwareImage(std::string_view fileBytes);

// Reads a HEX file for the Open command: its text up to the first Ctrl-Z or the
// end, read in binary (no line-end translation), and its word count. The file
// is read once, so the count always matches the text. A file that cannot be
// read, or that does not fit the store, gives an error naming the file.
ImageLoadResult LoadFirmwareImage(const std::filesystem::path& path);

}  // namespace tallis
