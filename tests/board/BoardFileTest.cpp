#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "board/BoardFile.h"

namespace tallis::board {
namespace {

// The shipped board files are the built-in boards: each reads back as its
// row, and there is one file for every row and no other.
TEST(ShippedBoardFiles, ReadBackAsTheBuiltInRows) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(TALLIS_BOARDS_DIR)) {
        files.insert(entry.path().filename().string());
    }
    for (const BoardWiring& row : Boards()) {
        SCOPED_TRACE(std::string(row.name));
        const std::string file = std::string(row.name) + ".toml";
        ASSERT_EQ(files.erase(file), 1U);
        const BoardFileLoad load = LoadBoardFile(std::filesystem::path(TALLIS_BOARDS_DIR) / file);
        ASSERT_TRUE(load.board) << load.problem;
        EXPECT_EQ(load.board->Wiring(), row);
    }
    for (const FtdiWiring& row : FtdiWirings()) {
        SCOPED_TRACE(std::string(row.name));
        const std::string file = std::string(row.name) + ".toml";
        ASSERT_EQ(files.erase(file), 1U);
        const BoardFileLoad load = LoadBoardFile(std::filesystem::path(TALLIS_BOARDS_DIR) / file);
        ASSERT_TRUE(load.board) << load.problem;
        ASSERT_NE(load.board->Ftdi(), nullptr);
        EXPECT_EQ(*load.board->Ftdi(), row);
    }
    EXPECT_TRUE(files.empty()) << *files.begin();
}

constexpr std::string_view kGoodBoard = R"(name = "mine"
clock = "3"
data_out = "2"
data_in = "10"
vpp = "!6"
vdd = "none"
)";

TEST(BoardFile, ReadsPinsPolaritiesAndDefaults) {
    const BoardFileLoad load =
        ParseBoardFile(std::string(kGoodBoard) + "connect = \"!9\"\n" +
                           "data_out_while_reading = \"low\"\n" + "run = \"25\"\n",
                       "mine.toml");
    ASSERT_TRUE(load.board) << load.problem;
    const BoardWiring& row = load.board->Wiring();
    EXPECT_EQ(row.name, "mine");
    EXPECT_EQ(row.vpp, (PinLine{6, true}));
    EXPECT_EQ(row.clock, (PinLine{3, false}));
    EXPECT_FALSE(row.VddSwitched());
    EXPECT_FALSE(row.run.Connected());  // a ground pin is no line
    EXPECT_EQ(row.connect, (PinLine{9, true}));
    EXPECT_FALSE(row.dataOutWhileReading);
}

TEST(BoardFile, RefusesWhatNoBoardCanBeWithFileLineAndWhy) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {std::string(kGoodBoard) + "vdd2 = \"4\"\n", "b.toml:7: unknown key 'vdd2'"},
        {"clock = \"3\"\ndata_out = \"3\"\ndata_in = \"10\"\nvpp = \"5\"\n",
         "b.toml:2: pin 3 is used twice: by clock (line 1) and by data_out"},
        {"clock = \"11\"\ndata_out = \"2\"\ndata_in = \"10\"\nvpp = \"5\"\n",
         "b.toml:1: pin 11 is an input of the PC; clock needs an output pin"},
        {"clock = \"3\"\ndata_out = \"2\"\ndata_in = \"9\"\nvpp = \"5\"\n",
         "b.toml:3: pin 9 is an output of the PC; data_in needs an input pin"},
        {"clock = \"3\"\ndata_out = \"2\"\ndata_in = \"10\"\nvpp = \"!25\"\n",
         "b.toml:4: pin 25 is a ground pin; vpp needs a signal pin"},
        {"clock = \"3\"\ndata_out = \"2\"\ndata_in = \"10\"\nvpp = \"26\"\n",
         "b.toml:4: vpp: '26' is not a DB-25 pin number, 1 to 25, with ! before it for an "
         "active-low line"},
        {"clock = \"3\"\ndata_out = \"2\"\ndata_in = \"10\"\nvpp = 5\n",
         "b.toml:4: vpp: write the pin as text, e.g. \"5\" or \"!5\""},
        {"clock = \"3\"\ndata_out = \"2\"\ndata_in = \"10\"\n",
         "b.toml: vpp is missing: the board needs that line"},
        {std::string(kGoodBoard) + "connector = \"usb\"\n",
         "b.toml:7: connector 'usb' is not known (db25, ft232r, ft232h and ft2232h are)"},
        {std::string(kGoodBoard) + "data_out_while_reading = \"maybe\"\n",
         "b.toml:7: data_out_while_reading must be \"high\" or \"low\""},
        {"clock = \"3\"\nclock = \"4\"\n",
         "b.toml:2: Error while parsing key-value pair: cannot redefine existing string 'clock'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const BoardFileLoad load = ParseBoardFile(c.text, "b.toml");
        EXPECT_FALSE(load.board);
        EXPECT_EQ(load.problem.substr(0, c.message.size()), c.message);
    }
}

// A board on an FTDI chip: the chip's pin names, one pin for PGD both ways,
// a low-voltage board without VPP, channel B of an FT2232H.
TEST(FtdiBoardFile, ReadsTheChipsPinNamesIntoBits) {
    const struct {
        std::string text;
        FtdiWiring expected;
    } cases[] = {
        {"connector = \"ft232r\"\nclock = \"DTR\"\ndata_out = \"RXD\"\ndata_in = \"rxd\"\n"
         "run = \"RTS\"\nvpp = \"!TXD\"\n",
         {.name = "f",
          .description = "",
          .clock = OnBit(kDtr),
          .dataOut = OnBit(kRxd),
          .dataIn = OnBit(kRxd),
          .run = OnBit(kRts),
          .vpp = OnBit(kTxd, true)}},
        {"connector = \"ft232r\"\nclock = \"DTR\"\ndata_out = \"RXD\"\ndata_in = \"CTS\"\n"
         "run = \"RTS\"\npgm = \"RI\"\n",
         {.name = "f",
          .description = "",
          .clock = OnBit(kDtr),
          .dataOut = OnBit(kRxd),
          .dataIn = OnBit(kCts),
          .run = OnBit(kRts),
          .pgm = OnBit(kRi)}},
        {"connector = \"ft2232h\"\nclock = \"BDBUS4\"\ndata_out = \"BDBUS1\"\n"
         "data_in = \"BDBUS3\"\nrun = \"BDBUS2\"\nvpp = \"!BDBUS0\"\n",
         {.name = "f",
          .description = "",
          .clock = OnBit(kDtr),
          .dataOut = OnBit(kRxd),
          .dataIn = OnBit(kCts),
          .run = OnBit(kRts),
          .vpp = OnBit(kTxd, true),
          .connector = FtdiConnector::Ft2232h,
          .channel = 'B'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const BoardFileLoad load = ParseBoardFile(c.text, "f.toml");
        ASSERT_TRUE(load.board) << load.problem;
        ASSERT_NE(load.board->Ftdi(), nullptr);
        EXPECT_EQ(*load.board->Ftdi(), c.expected);
        FtdiWiring titled = c.expected;
        titled.description = "a title";
        const BoardFileLoad again = ParseBoardFile(BoardFileText(titled), "f.toml");
        ASSERT_TRUE(again.board) << again.problem;
        EXPECT_EQ(*again.board->Ftdi(), titled);
    }
}

TEST(FtdiBoardFile, RefusesWhatTheChipCannotDo) {
    const std::string lines = "clock = \"ADBUS4\"\ndata_out = \"ADBUS1\"\ndata_in = \"ADBUS1\"\n";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"connector = \"ft232h\"\n" + lines + "run = \"ACBUS2\"\nvpp = \"!ADBUS0\"\n",
         "f.toml:5: run: 'ACBUS2' is not a bit-bang pin of the FT232H, ADBUS0 to ADBUS7 (ACBUS "
         "pins need MPSSE)"},
        {"connector = \"ft232h\"\n" + lines + "run = \"ADBUS4\"\nvpp = \"!ADBUS0\"\n",
         "f.toml:5: pin ADBUS4 is used twice: by clock (line 2) and by run"},
        {"connector = \"ft232h\"\n" + lines + "run = \"ADBUS2\"\n",
         "f.toml: vpp and pgm are both none"},
        {"connector = \"ft232h\"\n" + lines + "vpp = \"!ADBUS0\"\n", "f.toml: run is missing"},
        {"connector = \"ft2232h\"\n" + lines + "run = \"BDBUS2\"\nvpp = \"!ADBUS0\"\n",
         "f.toml: the pins are on two channels"},
        {"connector = \"ft232r\"\nvdd = \"!DTR\"\n",
         "f.toml:2: vdd is not a line of a board on an FTDI chip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const BoardFileLoad load = ParseBoardFile(c.text, "f.toml");
        EXPECT_FALSE(load.board);
        EXPECT_EQ(load.problem.substr(0, c.message.size()), c.message);
    }
}

TEST(ChooseBoard, TakesABuiltInNameOrAFileAndSaysWhyNot) {
    EXPECT_EQ(ChooseBoard("tait-classic").board, FindBoard("tait-classic"));
    EXPECT_EQ(ChooseAnyBoard("ft232h-hv").ftdi, FindFtdiWiring("ft232h-hv"));
    const BoardChoice notParallel = ChooseBoard("ft232h-hv");
    EXPECT_EQ(notParallel.board, nullptr);
    EXPECT_NE(notParallel.problem.find("FTDI"), std::string::npos);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "tallis-choose-board-test.toml";
    { std::ofstream(file) << kGoodBoard; }
    const BoardChoice fromFile = ChooseBoard(file.string());
    ASSERT_NE(fromFile.board, nullptr) << fromFile.problem;
    EXPECT_EQ(fromFile.board->name, "mine");
    std::filesystem::remove(file);

    const BoardChoice unknown = ChooseBoard("tait-classik");
    EXPECT_EQ(unknown.board, nullptr);
    EXPECT_NE(unknown.problem.find("tallis-cli boards"), std::string::npos);
}

}  // namespace
}  // namespace tallis::board
