#pragma once

#include <cstdint>

// The simulated PC's parallel port as its DB-25 connector shows it: which
// register bit each signal pin is, and which pins the PC's own hardware
// inverts. The simulation keeps this model of its own, so that a programmer
// that got a pin or an inversion wrong is caught, not copied.
namespace tallis::sim::pc_port {

enum class Register : std::uint8_t { None, Data, Status, Control };

struct Pin {
    Register reg = Register::None;
    std::uint8_t bit = 0;
    bool inverted = false;  // the register bit is the opposite of the pin's level
};

// DB-25 pins 1 to 17; Register::None for the ground pins and any other number.
constexpr Pin PinAt(std::uint8_t pin) {
    if (pin >= 2 && pin <= 9) {
        return {Register::Data, static_cast<std::uint8_t>(1U << (pin - 2U)), false};
    }
    switch (pin) {
        case 1:  // nStrobe
            return {Register::Control, 0x01, true};
        case 14:  // nAutoFeed
            return {Register::Control, 0x02, true};
        case 16:  // nInit
            return {Register::Control, 0x04, false};
        case 17:  // nSelectIn
            return {Register::Control, 0x08, true};
        case 15:  // nError
            return {Register::Status, 0x08, false};
        case 13:  // Select
            return {Register::Status, 0x10, false};
        case 12:  // PaperOut
            return {Register::Status, 0x20, false};
        case 10:  // nAck
            return {Register::Status, 0x40, false};
        case 11:  // Busy
            return {Register::Status, 0x80, true};
        default:
            return {};
    }
}

// The level an output pin has with these register values; false for a pin
// that is no output.
constexpr bool OutputLevel(std::uint8_t pin, std::uint8_t data, std::uint8_t control) {
    const Pin p = PinAt(pin);
    std::uint8_t value = 0;
    if (p.reg == Register::Data) {
        value = data;
    } else if (p.reg == Register::Control) {
        value = control;
    } else {
        return false;
    }
    return ((value & p.bit) != 0) != p.inverted;
}

// The register bit that puts an output pin at a level.
constexpr bool BitFor(std::uint8_t pin, bool level) {
    return level != PinAt(pin).inverted;
}

// The status register with one input pin at a level; every other bit reads 1.
constexpr std::uint8_t StatusWith(std::uint8_t pin, bool level) {
    constexpr std::uint8_t kOtherBits = 0xFF;
    const std::uint8_t status = kOtherBits;
    const Pin p = PinAt(pin);
    if (p.reg != Register::Status) {
        return status;
    }
    const bool bit = level != p.inverted;
    return static_cast<std::uint8_t>(bit ? (status | p.bit) : (status & ~p.bit));
}

}  // namespace tallis::sim::pc_port
