#include "wire/ParallelPortPins.h"

#include <array>

namespace tallis {

namespace {

constexpr PortPin Out(std::uint16_t offset, std::uint8_t mask, bool pcInverted = false) {
    return {offset, mask, pcInverted, true};
}
constexpr PortPin In(std::uint8_t mask, bool pcInverted = false) {
    return {kStatusRegister, mask, pcInverted, false};
}

// Pins 1 to 17, in order.
constexpr std::array<PortPin, 17> kPins = {
    Out(kControlRegister, 0x01, true),  // 1 nStrobe
    Out(kDataRegister, 0x01),           // 2 D0
    Out(kDataRegister, 0x02),           // 3 D1
    Out(kDataRegister, 0x04),           // 4 D2
    Out(kDataRegister, 0x08),           // 5 D3
    Out(kDataRegister, 0x10),           // 6 D4
    Out(kDataRegister, 0x20),           // 7 D5
    Out(kDataRegister, 0x40),           // 8 D6
    Out(kDataRegister, 0x80),           // 9 D7
    In(0x40),                           // 10 nAck
    In(0x80, true),                     // 11 Busy
    In(0x20),                           // 12 PaperOut
    In(0x10),                           // 13 Select
    Out(kControlRegister, 0x02, true),  // 14 nAutoFeed
    In(0x08),                           // 15 nError
    Out(kControlRegister, 0x04),        // 16 nInit
    Out(kControlRegister, 0x08, true),  // 17 nSelectIn
};

}  // namespace

std::optional<PortPin> ParallelPortPin(std::uint8_t db25Pin) {
    if (db25Pin < 1 || db25Pin > kPins.size()) {
        return std::nullopt;
    }
    return kPins[db25Pin - 1U];
}

}  // namespace tallis
