#include "image/FirmwareImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "image/HexDigits.h"
#include "image/WordAddressClass.h"

namespace tallis {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr std::string_view kEndRecordType = "01";

// The text of a file ends at its first Ctrl-Z.
std::string_view UpToCtrlZ(std::string_view bytes) {
    return bytes.substr(0, std::min(bytes.find(kCtrlZ), bytes.size()));
}

// The count goes by a record's start address alone.
bool IsCountedAddress(std::uint16_t wordAddress) {
    const WordAddressClass addressClass = ClassifyWordAddress(wordAddress);
    return addressClass == WordAddressClass::ProgramMemory ||
           addressClass == WordAddressClass::ConfigurationWord;
}

std::string PathText(const std::filesystem::path& path) {
    const auto utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

std::string SystemErrorText(int errorNumber) {
    return std::error_code(errorNumber, std::generic_category()).message();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

FileHandle OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return FileHandle(_wfopen(path.c_str(), L"rb"));
#else
    return FileHandle(std::fopen(path.c_str(), "rb"));
#endif
}

// Reads the file's bytes up to its first Ctrl-Z, but never more than one byte
// past the store's capacity: that is enough to tell that it does not fit.
// Returns the errno value of a failed read, 0 on success.
int ReadText(std::FILE* file, std::string& text) {
    constexpr std::size_t kLimit = FirmwareImage::kCapacity + 1;
    std::array<char, 4096> chunk{};
    errno = 0;
    while (text.size() < kLimit) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        const std::string_view bytes(chunk.data(), got);
        const std::string_view before = UpToCtrlZ(bytes);
        text.append(before.substr(0, kLimit - text.size()));
        if (before.size() < bytes.size()) {
            return 0;
        }
        if (got < chunk.size()) {
            return std::ferror(file) ? (errno != 0 ? errno : EIO) : 0;
        }
    }
    return 0;
}

}  // namespace

std::uint16_t CountWords(std::string_view text) {
    text = UpToCtrlZ(text);
    if (text.empty() || text.front() == kCarriageReturn) {
        return 0;
    }
    std::uint16_t count = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != ':') {
            ++pos;
            continue;
        }
        // Byte count and address follow the ':'. Where the text ends first, the
        // missing characters end the numbers like any other non-hex character.
        const std::string_view byteCountDigits = text.substr(pos + 1).substr(0, 2);
        const std::string_view addressDigits =
            text.substr(std::min(pos + 3, text.size())).substr(0, 4);
        const auto byteCount = HexPrefixValue(byteCountDigits);
        const auto wordAddress = static_cast<std::uint16_t>(HexPrefixValue(addressDigits) / 2);
        if (IsCountedAddress(wordAddress)) {
            count = static_cast<std::uint16_t>(count + byteCount / 2);
        }
        // The run stops at the end record; a ':' in the comments some
        // compilers put after it (a time, "22:26") is no record.
        if (text.substr(std::min(pos + 7, text.size()), 2) == kEndRecordType) {
            break;
        }
        pos += 7;  // on with the character after the address
    }
    return count;
}

ImageLoadResult MakeFirmwareImage(std::string_view fileBytes) {
    const std::string_view text = UpToCtrlZ(fileBytes);
    if (text.size() > FirmwareImage::kCapacity) {
        return {nullptr, "the file is too large (more than " +
                             std::to_string(FirmwareImage::kCapacity) +
                             " characters before its end); it was not loaded"};
    }
    auto image = std::make_unique<FirmwareImage>();
    std::copy(text.begin(), text.end(), image->HexText.begin());
    image->LastIndex = static_cast<std::int32_t>(text.size()) - 1;
    image->WordCount = CountWords(text);
    return {std::move(image), {}};
}

ImageLoadResult LoadFirmwareImage(const std::filesystem::path& path) {
    errno = 0;
    const FileHandle file = OpenForReading(path);
    if (!file) {
        return {nullptr,
                "Cannot open " + PathText(path) + ": " + SystemErrorText(errno != 0 ? errno : EIO)};
    }
    std::string text;
    if (const int readError = ReadText(file.get(), text); readError != 0) {
        return {nullptr, "Cannot read " + PathText(path) + ": " + SystemErrorText(readError)};
    }
    ImageLoadResult result = MakeFirmwareImage(text);
    if (!result.image) {
        result.error = PathText(path) + ": " + result.error;
    }
    return result;
}

}  // namespace tallis
