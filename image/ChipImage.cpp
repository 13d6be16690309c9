#include "image/ChipImage.h"

#include <span>

namespace tallis {

namespace {

template <typename Image>
auto WordOf(Image& image, RegionKind kind, std::size_t index) -> decltype(&image.debugVector) {
    const auto in = [&](auto& locations) -> decltype(&locations[0]) {
        return index < locations.size() ? &locations[index] : nullptr;
    };
    switch (kind) {
        case RegionKind::Program:
            return in(image.program);
        case RegionKind::Id:
            return in(image.ids);
        case RegionKind::DebugVector:
            return index == 0 ? &image.debugVector : nullptr;
        case RegionKind::DeviceId:
            return index == 0 ? &image.deviceId : nullptr;
        case RegionKind::Config:
            return in(image.config);
        case RegionKind::Calibration:
            return in(image.calibration);
        case RegionKind::Eeprom:
            return nullptr;
    }
    return nullptr;
}

}  // namespace

std::size_t ChipImage::Capacity(RegionKind kind) {
    switch (kind) {
        case RegionKind::Program:
            return kMaxProgramWords;
        case RegionKind::Id:
            return kMaxIds;
        case RegionKind::DebugVector:
        case RegionKind::DeviceId:
            return 1;
        case RegionKind::Config:
            return kMaxConfigWords;
        case RegionKind::Calibration:
            return kMaxCalibrationWords;
        case RegionKind::Eeprom:
            return kMaxEepromBytes;
    }
    return 0;
}

std::optional<std::uint16_t>* ChipImage::Word(RegionKind kind, std::size_t index) {
    return WordOf(*this, kind, index);
}

const std::optional<std::uint16_t>* ChipImage::Word(RegionKind kind, std::size_t index) const {
    return WordOf(*this, kind, index);
}

std::optional<std::uint16_t> ChipImage::Value(RegionKind kind, std::size_t index) const {
    if (kind == RegionKind::Eeprom) {
        if (index < eeprom.size() && eeprom[index]) {
            return *eeprom[index];
        }
        return std::nullopt;
    }
    const std::optional<std::uint16_t>* word = Word(kind, index);
    return word != nullptr ? *word : std::nullopt;
}

bool ChipImage::Set(RegionKind kind, std::size_t index, std::uint16_t value) {
    if (kind == RegionKind::Eeprom) {
        if (index >= eeprom.size()) {
            return false;
        }
        eeprom[index] = static_cast<std::uint8_t>(value);
        return true;
    }
    std::optional<std::uint16_t>* word = Word(kind, index);
    if (word == nullptr) {
        return false;
    }
    *word = value;
    return true;
}

}  // namespace tallis
