#include "ftdi/BitBangChip.h"

#include <algorithm>

namespace tallis::ftdi {

namespace {

constexpr BitBangChip kChips[] = {kFt232r, kFt232h, kFt2232h};

}  // namespace

std::span<const BitBangChip> BitBangChips() {
    return kChips;
}

const BitBangChip* FindBitBangChip(std::string_view name) {
    const auto* found =
        std::ranges::find_if(kChips, [name](const BitBangChip& c) { return c.name == name; });
    return found == std::end(kChips) ? nullptr : found;
}

const BitBangChip& BitBangChipOfType(std::string_view type) {
    if (const BitBangChip* chip = FindBitBangChip(type)) {
        return *chip;
    }
    return type == "FT4232H" ? kFt232h : kFt232r;
}

}  // namespace tallis::ftdi
