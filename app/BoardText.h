#pragma once

#include <string>

#include "board/BoardWiring.h"

// What the user sees of a board: the list of built-in boards, one board's pin
// table, and a picture of its wiring from the DB-25 connector to the target's
// ICSP pins, all drawn from the board's row.
namespace tallis {

// One line per built-in board: name, VDD switched, data-direction line,
// confirmed on hardware, full name.
std::string BoardListText();
// Each line of the board: DB-25 pin, the PC's signal and register bit, the
// target line, its polarity at the connector.
std::string BoardPinTable(const board::BoardWiring& board);
// The wiring as text: the connector's pins on the left, the target's on the
// right, an "o" where the line is active-low at the connector.
std::string BoardPicture(const board::BoardWiring& board);

}  // namespace tallis
