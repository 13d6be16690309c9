#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// How an interface board connects the PC's parallel port to the target's
// programming lines: data only, so that another board is another row. Pins
// are DB-25 pin numbers; which register bit each one is, and which of them the
// PC itself inverts, is the port's business, not the board's.
//
// The sign convention, for every row and every board file: a line's polarity
// is electrical, at the connector. A line that is not inverted is high when
// its DB-25 pin is high; an inverted one ("!5") is high when the pin is low.
// The PC's own inversion of pins 1, 11, 14 and 17 is never part of a row.
namespace tallis::board {

// One target line on one DB-25 pin. inverted: the board turns the pin's level
// over on its way to or from the target (an inverting buffer or transistor).
// Pin 0: the board has no such line.
struct PinLine {
    std::uint8_t pin = 0;
    bool inverted = false;

    constexpr bool Connected() const { return pin != 0; }
    bool operator==(const PinLine&) const = default;
};

// A line as board files write it: the DB-25 pin number, "!" before it for a
// line that is active-low at the connector. Rows are written this way so that
// they read like the files; a malformed text is a compile error in a constexpr row.
constexpr PinLine Pin(std::string_view text) {
    PinLine line;
    if (!text.empty() && text.front() == '!') {
        line.inverted = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 2) {
        throw "a pin is a DB-25 pin number, 1 to 25";
    }
    unsigned number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            throw "a pin is a DB-25 pin number, 1 to 25";
        }
        number = number * 10U + static_cast<unsigned>(c - '0');
    }
    line.pin = static_cast<std::uint8_t>(number);
    return line;
}

// Line levels are the target's: clock high is RB6 high, data out high lets
// RB7 go high (an open-collector stage releases it), run high lets the target
// out of reset, VPP high puts the programming voltage on MCLR, VDD high powers
// the target, PGM high asks for low-voltage programming, data direction high
// turns the board's data buffer towards the PC, connect high joins the
// target's lines to the board (an isolating switch, or a buffer's enable).
// A board without a run line holds MCLR low while VPP is off; one without a
// VDD line leaves the target's supply to the user.
struct BoardWiring {
    std::string_view name;
    PinLine clock;
    PinLine dataOut;
    PinLine dataIn;
    PinLine run = {};
    PinLine vpp;
    PinLine vdd = {};
    PinLine pgm = {};
    PinLine dataDirection = {};
    PinLine connect = {};
    // A second pin driven with data out, where the board joins two outputs
    // onto RB7.
    PinLine dataOutAlso = {};
    // The data-out level while the target drives the data line: high, so that
    // an open-collector stage lets the target pull it low.
    bool dataOutWhileReading = true;
    // What the board is, for lists: its full name.
    std::string_view title = {};

    constexpr bool VddSwitched() const { return vdd.Connected(); }
    constexpr bool HasDataDirection() const { return dataDirection.Connected(); }
    // The board can switch the target's supply off or isolate the target.
    constexpr bool SwitchesTarget() const { return vdd.Connected() || connect.Connected(); }
    bool operator==(const BoardWiring&) const = default;
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
    .title = "TALLIS interface board",
};

// Every built-in board, the default first.
std::span<const BoardWiring> Boards();
// The built-in board of that name, or null.
const BoardWiring* FindBoard(std::string_view name);

}  // namespace tallis::board
