#include "cli/SelfTestImages.h"

namespace tallis {

namespace {

// A word that differs from its neighbours and from the word one page or one
// 4K half away, so that a write at a wrong address reads back wrong.
std::uint16_t PatternWord(std::uint16_t address) {
    return static_cast<std::uint16_t>((address ^ 0x2A55U) & kWordMask);
}

std::uint8_t PatternByte(std::uint16_t address) {
    return static_cast<std::uint8_t>(address ^ 0xA5U);
}

// Program memory and EEPROM whole, but for a calibration word at the top of
// program memory, which a write keeps rather than takes from the image.
ChipImage FullMemory(const Device& device) {
    ChipImage image;
    for (std::uint16_t a = 0; a < device.WritableProgramWords(); ++a) {
        image.program[a] = PatternWord(a);
    }
    for (std::uint16_t a = 0; a < device.eepromBytes; ++a) {
        image.eeprom[a] = PatternByte(a);
    }
    return image;
}

// The first and last word of the first rows, both sides of the first page
// boundary where the chip has a second page, and the last written words of
// program memory.
ChipImage Sparse(const Device& device) {
    ChipImage image;
    const std::uint16_t last = device.WritableProgramWords() - 1;
    for (std::uint16_t a : {0x0000, 0x0007, 0x0008, 0x07FF, 0x0800, 0x0805}) {
        if (a < last - 8) {
            image.program[a] = PatternWord(a);
        }
    }
    image.program[last - 8] = 0x0000;
    image.program[last] = PatternWord(last);
    return image;
}

// A walking one through the IDs; the first, second, a middle and the last
// EEPROM byte, the first one all zeros.
ChipImage EepromAndIds(const Device& device) {
    ChipImage image;
    image.ids = {0x0001, 0x0010, 0x0100, 0x1000};
    const std::uint16_t last = device.eepromBytes - 1;
    const auto middle = static_cast<std::uint16_t>(device.eepromBytes / 2);
    for (std::uint16_t a : {std::uint16_t{0}, std::uint16_t{1}, middle, last}) {
        image.eeprom[a] = a == 0 ? 0x00 : PatternByte(a);
    }
    return image;
}

// The configuration word bits the self-test compares: the implemented ones
// less the factory's trims, which a write keeps.
std::uint16_t ComparedConfigBits(const Device& device) {
    return static_cast<std::uint16_t>(device.configImplemented & ~device.configCalibrationBits);
}

// HS oscillator, watchdog off, power-up timer on, low-voltage programming off
// where the chip has it, and every other bit erased, so that every protection
// is off whatever the family's layout of those fields.
std::uint16_t UnprotectedConfig(const Device& device) {
    std::uint16_t word = kWordMask;
    for (const std::string_view cleared : {"WDTE", "PWRTE", "LVP", "FOSC"}) {
        word = static_cast<std::uint16_t>(word & ~device.ConfigMask(cleared));
    }
    for (const ConfigField& field : device.configFields) {
        for (const ConfigChoice& choice : field.choices) {
            if (field.name == "FOSC" && choice.meaning.starts_with("HS")) {
                word = static_cast<std::uint16_t>(word | choice.value);
            }
        }
    }
    return word;
}

ChipImage ConfigWord(const Device& device) {
    ChipImage image;
    image.program[0] = 0x2800;  // goto 0: something to run with that configuration
    image.config[0] = UnprotectedConfig(device);
    return image;
}

void Compare(std::vector<Difference>& differences, MemorySpace space, std::uint16_t address,
             std::uint16_t expected, std::uint16_t actual, std::uint16_t mask) {
    if (differences.size() < OperationResult::kMaxDifferences &&
        (expected & mask) != (actual & mask)) {
        differences.push_back({space, address, expected, actual});
    }
}

}  // namespace

std::vector<ChipImage> SelfTestImages(const Device& device) {
    return {FullMemory(device), Sparse(device), EepromAndIds(device), ConfigWord(device)};
}

std::vector<Difference> ReadBackDifferences(const Device& device, const ChipImage& written,
                                            const ChipImage& read) {
    std::vector<Difference> differences;
    auto value = [](const auto& location) { return location.value_or(0); };
    for (std::uint16_t a = 0; a < device.WritableProgramWords(); ++a) {
        Compare(differences, MemorySpace::Program, a, written.program[a].value_or(kErasedWord),
                value(read.program[a]), kWordMask);
    }
    for (std::uint16_t a = 0; a < device.eepromBytes; ++a) {
        Compare(differences, MemorySpace::Eeprom, a, written.eeprom[a].value_or(kErasedByte),
                value(read.eeprom[a]), 0xFF);
    }
    for (std::size_t i = 0; i < written.ids.size(); ++i) {
        if (written.ids[i]) {
            Compare(differences, MemorySpace::Id, static_cast<std::uint16_t>(0x2000 + i),
                    *written.ids[i], value(read.ids[i]), kWordMask);
        }
    }
    if (written.config[0]) {
        Compare(differences, MemorySpace::Config, 0x2007, *written.config[0], value(read.config[0]),
                ComparedConfigBits(device));
    }
    return differences;
}

}  // namespace tallis
