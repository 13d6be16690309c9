#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace tallis {

// An opened Intel HEX file, kept as its text exactly as stored. The run takes
// the records apart while it programs (HexRecordReader); nothing is decoded here.
struct FirmwareImage {
    static constexpr std::size_t kCapacity = 50001;

    std::array<char, kCapacity> HexText{};
    std::int32_t LastIndex = -1;   // position of the last stored character, -1 when empty
    std::uint32_t WordCount = 0;   // by the counting rule; kept to 16 bits
};

struct ImageLoadResult {
    std::unique_ptr<FirmwareImage> image;  // null when the load failed
    std::string error;                     // the reason, for the user, when it failed
};

// Reads a HEX file by the Open command's two passes (count, then load up to the
// first Ctrl-Z or the end). A file that does not fit the store is refused.
ImageLoadResult LoadFirmwareImage(const std::filesystem::path& path);

}  // namespace tallis
