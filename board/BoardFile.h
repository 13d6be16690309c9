#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "board/BoardWiring.h"
#include "board/FtdiWiring.h"

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
//
// A board on an FTDI chip's bit-bang pins names the chip as its connector
// (ft232r, ft232h, ft2232h) and its pins by the chip's names: TXD, RXD, RTS,
// CTS, DTR, DSR, DCD, RI on an FT232R, ADBUS0-7 (and BDBUS0-7 for channel B
// of an FT2232H) on the others. Its lines are clock, data_out, data_in (the
// data_out pin itself where one pin carries PGD both ways), run, vpp and pgm;
// clock, data and run are required, and vpp or pgm.
namespace tallis::board {

// A board read from a file: its row and the text the row's names point at.
// It stays where it was made, so that the row's views stay valid.
class OwnedBoard {
  public:
    OwnedBoard(std::string name, std::string title, const BoardWiring& wiring);
    OwnedBoard(std::string name, std::string title, const FtdiWiring& wiring);
    OwnedBoard(const OwnedBoard&) = delete;
    OwnedBoard& operator=(const OwnedBoard&) = delete;

    // The parallel-port board's row (empty for a board on an FTDI chip).
    const BoardWiring& Wiring() const { return wiring_; }
    // The FTDI board's row, or null for a parallel-port board.
    const FtdiWiring* Ftdi() const { return ftdi_ ? &*ftdi_ : nullptr; }

  private:
    std::string name_;
    std::string title_;
    BoardWiring wiring_;
    std::optional<FtdiWiring> ftdi_;
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
std::string BoardFileText(const FtdiWiring& row);
// The name a board file gives this line's pin ("RTS", "ADBUS2").
std::string FtdiPinName(const FtdiWiring& row, const FtdiPin& line);

// A board named on a command line or in the settings: a built-in board's
// name, else a board file. board is null when problem says why.
// ChooseBoard takes parallel-port boards only; ChooseAnyBoard also a board on
// an FTDI chip, which is then ftdi instead of board.
struct BoardChoice {
    const BoardWiring* board = nullptr;
    std::unique_ptr<OwnedBoard> owned;  // the board read from a file
    std::string problem;
    const FtdiWiring* ftdi = nullptr;
};
BoardChoice ChooseBoard(std::string_view nameOrFile);
BoardChoice ChooseAnyBoard(std::string_view nameOrFile);

}  // namespace tallis::board
