#include "app/SerialNumber.h"

#include <algorithm>
#include <charconv>

#include "engine/ResultText.h"

namespace tallis {

namespace {

constexpr std::uint16_t kRetlw = 0x3400;
constexpr unsigned kMaxUnits = 8;

template <typename T>
std::optional<T> Number(std::string_view text, int base = 10) {
    if (base == 16 && text.starts_with("0x")) {
        text.remove_prefix(2);
    }
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t colon = text.find(':', at);
        fields.push_back(text.substr(at, colon - at));
        if (colon == std::string_view::npos) {
            return fields;
        }
        at = colon + 1;
    }
}

// The number's units, most significant first, each of `bits` bits.
std::optional<std::vector<std::uint16_t>> Units(std::uint64_t number, SerialFormat format,
                                                unsigned count, unsigned bits) {
    std::vector<std::uint16_t> units(count);
    const bool oneDigit = format == SerialFormat::Bcd && bits < 8;
    for (unsigned i = count; i-- > 0;) {
        switch (format) {
            case SerialFormat::Dec:
                units[i] = static_cast<std::uint16_t>('0' + number % 10);
                number /= 10;
                break;
            case SerialFormat::Hex:
                units[i] = static_cast<std::uint16_t>(number & ((1U << bits) - 1U));
                number >>= bits;
                break;
            case SerialFormat::Bcd:
                units[i] = static_cast<std::uint16_t>(number % 10);
                number /= 10;
                if (!oneDigit) {
                    units[i] = static_cast<std::uint16_t>(units[i] | (number % 10) << 4);
                    number /= 10;
                }
                break;
        }
    }
    if (number != 0) {
        return std::nullopt;  // digits or bits left over
    }
    return units;
}

// The ID or program word the number's unit i goes to (nullptr for EEPROM).
template <typename Image>
auto WordOf(Image& image, const SerialLocation& at, unsigned i) -> decltype(&image.ids[0]) {
    switch (at.place) {
        case SerialPlace::Id:
            return &image.ids[i];
        case SerialPlace::Retlw:
            return at.address + i < kMaxProgramWords ? &image.program[at.address + i] : nullptr;
        case SerialPlace::Eeprom:
            break;
    }
    return nullptr;
}

}  // namespace

bool ParseSerialStart(std::string_view text, SerialPlan& plan) {
    const std::vector<std::string_view> fields = Fields(text);
    const auto start = Number<std::uint64_t>(fields[0]);
    const auto step = fields.size() == 2 ? Number<std::uint64_t>(fields[1]) : std::uint64_t{1};
    if (!start || !step || *step == 0 || fields.size() > 2) {
        return false;
    }
    plan.start = *start;
    plan.step = *step;
    return true;
}

std::optional<SerialLocation> ParseSerialLocation(std::string_view text, std::string& problem) {
    std::vector<std::string_view> fields = Fields(text);
    SerialLocation at;
    if (fields[0] == "id" && fields.size() == 1) {
        return at;
    }
    problem = "--serial-at must be id, eeprom:ADDR[:BYTES][:be] or retlw:ADDR[:BYTES][:be], got '" +
              std::string(text) + "'";
    if ((fields[0] != "eeprom" && fields[0] != "retlw") || fields.size() < 2) {
        return std::nullopt;
    }
    at.place = fields[0] == "eeprom" ? SerialPlace::Eeprom : SerialPlace::Retlw;
    if (fields.back() == "be") {
        at.bigEndian = true;
        fields.pop_back();
    }
    const auto address = Number<std::uint16_t>(fields[1], 16);
    const auto units = fields.size() == 3 ? Number<unsigned>(fields[2]) : 4U;
    if (!address || !units || *units == 0 || *units > kMaxUnits || fields.size() > 3) {
        return std::nullopt;
    }
    const unsigned room = at.place == SerialPlace::Eeprom ? kMaxEepromBytes : kMaxProgramWords;
    if (*address + *units > room) {
        problem = "--serial-at " + std::string(text) + ": runs past the end of the memory";
        return std::nullopt;
    }
    at.address = *address;
    at.units = *units;
    problem.clear();
    return at;
}

std::optional<SerialFormat> ParseSerialFormat(std::string_view text) {
    if (text == "dec") {
        return SerialFormat::Dec;
    }
    if (text == "hex") {
        return SerialFormat::Hex;
    }
    if (text == "bcd") {
        return SerialFormat::Bcd;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint16_t>> EncodeSerial(std::uint64_t number, SerialFormat format,
                                                       const SerialLocation& at) {
    const bool idWords = at.place == SerialPlace::Id;
    auto units = Units(number, format, at.units, idWords ? 7 : 8);
    if (units && !idWords && !at.bigEndian) {
        std::reverse(units->begin(), units->end());
    }
    if (units && at.place == SerialPlace::Retlw) {
        for (std::uint16_t& unit : *units) {
            unit = static_cast<std::uint16_t>(kRetlw | unit);
        }
    }
    return units;
}

void PlaceSerial(ChipImage& image, const SerialLocation& at,
                 const std::vector<std::uint16_t>& values) {
    for (unsigned i = 0; i < values.size(); ++i) {
        if (at.place == SerialPlace::Eeprom) {
            image.eeprom[at.address + i] = static_cast<std::uint8_t>(values[i]);
        } else if (std::optional<std::uint16_t>* word = WordOf(image, at, i)) {
            *word = values[i];
        }
    }
}

std::optional<std::string> LocationFilledByFile(const ChipImage& file, const SerialLocation& at) {
    for (unsigned i = 0; i < at.units; ++i) {
        const bool filled = at.place == SerialPlace::Eeprom
                                ? file.eeprom[at.address + i].has_value()
                                : WordOf(file, at, i)->has_value();
        if (!filled) {
            continue;
        }
        switch (at.place) {
            case SerialPlace::Id:
                return LocationText(MemorySpace::Id, static_cast<std::uint16_t>(kIdAddress + i));
            case SerialPlace::Eeprom:
                return LocationText(MemorySpace::Eeprom,
                                    static_cast<std::uint16_t>(at.address + i));
            case SerialPlace::Retlw:
                return LocationText(MemorySpace::Program,
                                    static_cast<std::uint16_t>(at.address + i));
        }
    }
    return std::nullopt;
}

}  // namespace tallis
