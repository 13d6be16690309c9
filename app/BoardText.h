#pragma once

#include <string>
#include <string_view>

#include "board/BoardFile.h"
#include "board/BoardWiring.h"
#include "board/FtdiWiring.h"

// What the user sees of a board: the list of built-in boards, one board's pin
// table, and a picture of its wiring from the DB-25 connector to the target's
// ICSP pins, all drawn from the board's row.
namespace tallis {

// One line per built-in board: name, VDD switched, data-direction line,
// confirmed on hardware, full name; then the boards on FTDI chips: name,
// chip, PGD on one pin or two, confirmed on hardware, what it is.
std::string BoardListText();
// Each line of the board: DB-25 pin, the PC's signal and register bit, the
// target line, its polarity at the connector.
std::string BoardPinTable(const board::BoardWiring& board);
// The wiring as text: the connector's pins on the left, the target's on the
// right, an "o" where the line is active-low at the connector.
std::string BoardPicture(const board::BoardWiring& board);
// The same for a board on an FTDI chip's bit-bang pins: the chip's pin
// names and bits on the left.
std::string BoardPinTable(const board::FtdiWiring& board);
std::string BoardPicture(const board::FtdiWiring& board);
// A board chosen by name or file, as Options show it: its picture, or why it
// cannot be used; and its name.
std::string BoardChoicePicture(const board::BoardChoice& choice);
std::string_view BoardName(const board::BoardChoice& choice);
// The chip a board on FTDI pins was built for: "FT232R", "FT232H", "FT2232H".
std::string_view FtdiChipName(const board::FtdiWiring& board);

}  // namespace tallis
