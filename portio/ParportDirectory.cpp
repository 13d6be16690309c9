#include "portio/ParportDirectory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace tallis {

namespace {

// The N of a directory named "parportN"; other entries ("default") give none.
std::optional<int> ParportNumber(const std::string& name) {
    constexpr std::string_view kPrefix = "parport";
    if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) {
        return std::nullopt;
    }
    int number = 0;
    for (std::size_t i = kPrefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || number > 9999) {
            return std::nullopt;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// base-addr holds the base and the extended base in decimal ("888\t1912").
std::optional<unsigned long> ReadBaseAddress(const std::filesystem::path& file) {
    std::ifstream stream(file);
    unsigned long base = 0;
    if (!(stream >> base)) {
        return std::nullopt;
    }
    return base;
}

}  // namespace

std::vector<ParportEntry> ListParports(const std::string& procRoot) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(fs::path(procRoot) / "sys/dev/parport", error);
    std::vector<ParportEntry> parports;
    if (error) {
        return parports;
    }
    for (const fs::directory_entry& entry : entries) {
        std::optional<int> number = ParportNumber(entry.path().filename().string());
        if (!number) {
            continue;
        }
        if (std::optional<unsigned long> base = ReadBaseAddress(entry.path() / "base-addr")) {
            parports.push_back({*number, *base});
        }
    }
    // Sorted, so that the answers do not depend on listing order.
    std::sort(parports.begin(), parports.end(),
              [](const ParportEntry& a, const ParportEntry& b) { return a.number < b.number; });
    return parports;
}

std::optional<int> FindParportForBase(const std::string& procRoot, std::uint16_t base) {
    // The lowest number wins.
    for (const ParportEntry& parport : ListParports(procRoot)) {
        if (parport.base == base) {
            return parport.number;
        }
    }
    return std::nullopt;
}

}  // namespace tallis
