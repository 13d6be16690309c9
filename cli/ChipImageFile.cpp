#include "cli/ChipImageFile.h"
#include "app/AtomicFile.h"
#include "app/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <span>
#include <sstream>
#include <vector>

namespace tallis {

namespace {

// Far more than the largest image a HEX file of these chips can hold; a larger
// file is not one.
constexpr std::uintmax_t kMaxFileBytes = 4 * 1024 * 1024;

template <typename Array>
std::size_t Present(const Array& locations) {
    return static_cast<std::size_t>(std::ranges::count_if(
        locations, [](const auto& location) { return location.has_value(); }));
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

ChipImageLoad Refused(std::string why) {
    ChipImageLoad load;
    load.error = std::move(why);
    return load;
}

}  // namespace

bool IsStandardOutput(const std::filesystem::path& path) {
    return path == "-";
}

ChipImageLoad LoadChipImageFile(const std::filesystem::path& path, ImageBounds bounds) {
    const std::string name = PathText(path);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return Refused(name + " is a folder, not a HEX file");
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Refused("cannot read " + name + ": " + std::strerror(errno != 0 ? errno : EIO));
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxFileBytes) {
        return Refused(name + " is too large for a HEX file of these chips");
    }
    std::ostringstream text;
    text << file.rdbuf();
    HexParseResult parsed = ParseChipImageHex(text.str(), bounds);
    if (!parsed) {
        return Refused(name + ": " + parsed.error);
    }
    return {std::move(parsed.image), {}, std::move(text).str()};
}

std::string FileFitError(const std::filesystem::path& path, const ChipImageLoad& loaded,
                         ImageBounds bounds) {
    const HexParseResult parsed = ParseChipImageHex(loaded.text, bounds);
    return parsed ? std::string{} : PathText(path) + ": " + parsed.error;
}

std::string SaveChipImageFile(const std::filesystem::path& path, const ChipImage& image,
                              std::span<const MemoryRegion> layout) {
    const std::string text = FormatChipImageHex(image, layout);
    if (IsStandardOutput(path)) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? std::string{} : "writing to standard output failed";
    }
    // Whole or not at all: a read that cannot be saved keeps the old file.
    AtomicFile file(path);
    if (std::string error = file.Create(); !error.empty()) {
        return error;
    }
    file.Stream() << text;
    return file.Commit();
}

std::string ImageContents(const ChipImage& image, const Device& device) {
    std::vector<std::string> parts;
    if (std::size_t words = Present(std::span(image.program).first(device.WritableProgramWords()));
        words > 0) {
        parts.push_back(Counted(words, "program word", "program words"));
    }
    if (std::size_t ids = Present(image.ids); ids > 0) {
        parts.push_back(Counted(ids, "ID", "IDs"));
    }
    if (image.debugVector) {
        parts.emplace_back("the debug vector");
    }
    if (std::size_t bytes = Present(image.eeprom); bytes > 0) {
        parts.push_back(Counted(bytes, "EEPROM byte", "EEPROM bytes"));
    }
    if (image.config[0] && image.config[1]) {
        parts.emplace_back("both configuration words");
    } else if (image.config[0]) {
        parts.emplace_back("the configuration word");
    } else if (image.config[1]) {
        parts.emplace_back("configuration word 2");
    }

    if (parts.empty()) {
        return "nothing";
    }
    std::string text = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        text += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return text;
}

}  // namespace tallis
