#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "board/BoardWiring.h"

// Board files: a board's row written as TOML, so that any wiring can be
// described without a new build, and the built-in boards can be copied and
// changed. Each line is a pin of a connector and its polarity at that pin:
//
//   name = "my-board"
//   title = "A Tait-style board with VPP on D4"
//   connector = "db25"        # the pin names below are DB-25 pin numbers
//   clock = "3"
//   data_out = "2"
//   data_in = "10"
//   vpp = "!6"                # "!": the line is active-low at the pin
//   vdd = "!4"                # "none": the board does not switch the supply
//   run = "none"
//   connect = "none"
//   data_direction = "none"
//   data_out_also = "none"
//   data_out_while_reading = "high"
//
// clock, data_out, data_in and vpp are required; every other line may be
// left out (none). A ground pin is no line at all, and refused for a required
// line.
namespace tallis::board {

// A board read from a file: its row and the text the row's names point at.
// It stays where it was made, so that the row's views stay valid.
class OwnedBoard {
  public:
    OwnedBoard(std::string name, std::string title, const BoardWiring& wiring);
    OwnedBoard(const OwnedBoard&) = delete;
    OwnedBoard& operator=(const OwnedBoard&) = delete;

    const BoardWiring& Wiring() const { return wiring_; }

  private:
    std::string name_;
    std::string title_;
    BoardWiring wiring_;
};

// What reading a board file gave: a board, or why not ("FILE:LINE: what is
// wrong", or "FILE: what is wrong" when no one line is to blame).
struct BoardFileLoad {
    std::unique_ptr<OwnedBoard> board;
    std::string problem;
};

BoardFileLoad ParseBoardFile(std::string_view text, const std::string& fileName);
BoardFileLoad LoadBoardFile(const std::filesystem::path& path);

// A board file that reads back as this row.
std::string BoardFileText(const BoardWiring& row);

// A board named on a command line or in the settings: a built-in board's
// name, else a board file. board is null when problem says why.
struct BoardChoice {
    const BoardWiring* board = nullptr;
    std::unique_ptr<OwnedBoard> owned;  // the board read from a file
    std::string problem;
};
BoardChoice ChooseBoard(std::string_view nameOrFile);

}  // namespace tallis::board
