#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// How an interface board connects the PC's parallel port to the target's
// programming lines: data only, so that another board is another row. Pins
// are DB-25 pin numbers; which register bit each one is, and which of them the
// PC itself inverts, is the port's business, not the board's.
namespace tallis::board {

// One target line on one DB-25 pin. inverted: the board turns the pin's level
// over on its way to or from the target (an inverting buffer or transistor).
// Pin 0: the board has no such line.
struct PinLine {
    std::uint8_t pin = 0;
    bool inverted = false;

    constexpr bool Connected() const { return pin != 0; }
};

// Line levels are the target's: clock high is RB6 high, data out high lets
// RB7 go high (an open-collector stage releases it), run high lets the target
// out of reset, VPP high puts the programming voltage on MCLR, VDD high powers
// the target, PGM high asks for low-voltage programming, data direction high
// turns the board's data buffer towards the PC.
struct BoardWiring {
    std::string_view name;
    PinLine clock;
    PinLine dataOut;
    PinLine dataIn;
    PinLine run;
    PinLine vpp;
    PinLine vdd = {};
    PinLine pgm = {};
    PinLine dataDirection = {};
    // The data-out level while the target drives the data line: high, so that
    // an open-collector stage lets the target pull it low.
    bool dataOutWhileReading = true;

    constexpr bool VddSwitched() const { return vdd.Connected(); }
    constexpr bool HasDataDirection() const { return dataDirection.Connected(); }
};

// The board TALLIS was built for: RB6 on pin 2 (D0), the run line on pin 3
// (D1), the VPP switch on pin 5 (D3), RB7 held low through pin 1 (nStrobe)
// and read back on pin 10 (nAck). VDD is not switched.
inline constexpr BoardWiring kDefaultBoard{
    .name = "default",
    .clock = {.pin = 2},
    .dataOut = {.pin = 1},
    .dataIn = {.pin = 10},
    .run = {.pin = 3},
    .vpp = {.pin = 5},
};

// Every built-in board, the default first.
std::span<const BoardWiring> Boards();
// The built-in board of that name, or null.
const BoardWiring* FindBoard(std::string_view name);

}  // namespace tallis::board
