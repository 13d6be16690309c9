#include "app/BoardText.h"

#include <cstdio>
#include <vector>

#include "board/BoardFile.h"
#include "wire/ParallelPortPins.h"

namespace tallis {

namespace {

// The PC's names of DB-25 pins 1 to 17.
constexpr const char* kSignalNames[] = {
    "nStrobe", "D0",   "D1",       "D2",     "D3",        "D4",     "D5",    "D6",        "D7",
    "nAck",    "Busy", "PaperOut", "Select", "nAutoFeed", "nError", "nInit", "nSelectIn",
};

struct BoardLine {
    const char* target;  // the target pin, as the ICSP connector names it
    const char* role;    // what the board does with it
    board::PinLine pin;
    bool towardsPc = false;
};

std::vector<BoardLine> LinesOf(const board::BoardWiring& b) {
    const BoardLine all[] = {
        {"VPP/MCLR", "VPP on", b.vpp},
        {"MCLR", "run (low: reset)", b.run},
        {"VDD", "VDD on", b.vdd},
        {"PGC/RB6", "clock", b.clock},
        {"PGD/RB7", "data out", b.dataOut},
        {"PGD/RB7", "data out (second pin)", b.dataOutAlso},
        {"PGD/RB7", "data in", b.dataIn, true},
        {"PGD/RB7", "data direction", b.dataDirection},
        {"PGM/RB3", "low-voltage programming", b.pgm},
        {"(all)", "connect the target", b.connect},
    };
    std::vector<BoardLine> lines;
    for (const BoardLine& line : all) {
        if (line.pin.Connected()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string Formatted(const char* format, auto... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string RegisterBitText(std::uint8_t pin) {
    const std::optional<PortPin> port = ParallelPortPin(pin);
    if (!port) {
        return "-";
    }
    const char* reg = port->offset == kDataRegister     ? "data"
                      : port->offset == kStatusRegister ? "status"
                                                        : "control";
    int bit = 0;
    while ((port->mask >> bit) != 1) {
        ++bit;
    }
    return Formatted("%s bit %d (0x%02X)%s", reg, bit, unsigned{port->mask},
                     port->pcInverted ? ", PC-inverted" : "");
}

const char* SignalName(std::uint8_t pin) {
    return pin >= 1 && pin <= 17 ? kSignalNames[pin - 1] : "GND";
}

struct FtdiLine {
    const char* target;
    const char* role;
    board::FtdiPin pin;
    const char* arrow;  // from the chip's pin to the target's, "o" first where active-low
};

std::vector<FtdiLine> LinesOf(const board::FtdiWiring& b) {
    const bool split = b.SplitData();
    const FtdiLine all[] = {
        {"VPP/MCLR", "VPP on", b.vpp, "->"},
        {"MCLR", "run (low: reset)", b.run, "->"},
        {"PGC/RB6", "clock", b.clock, "->"},
        {"PGD/RB7", split ? "data out (through a resistor)" : "data out and in", b.dataOut,
         split ? "->" : "<>"},
        {"PGD/RB7", "data in", split ? b.dataIn : board::FtdiPin{}, "<-"},
        {"PGM/RB3", "low-voltage programming", b.pgm, "->"},
    };
    std::vector<FtdiLine> lines;
    for (const FtdiLine& line : all) {
        if (line.pin.connected) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string FtdiPinText(const board::FtdiWiring& b, const board::FtdiPin& pin) {
    return Formatted("%-7s D%d", board::FtdiPinName(b, pin).c_str(), int{pin.bit});
}

}  // namespace

std::string_view FtdiChipName(const board::FtdiWiring& b) {
    switch (b.connector) {
        case board::FtdiConnector::Ft232h:
            return "FT232H";
        case board::FtdiConnector::Ft2232h:
            return "FT2232H";
        case board::FtdiConnector::Ft232r:
            break;
    }
    return "FT232R";
}

std::string BoardListText() {
    std::string text = Formatted("%-24s %-13s %-15s %-22s %s\n", "Board", "VDD switched",
                                 "Data direction", "Confirmed on hardware", "What it is");
    for (const board::BoardWiring& b : board::Boards()) {
        const std::string direction =
            b.HasDataDirection() ? Formatted("pin %d", int{b.dataDirection.pin}) : "none";
        text += Formatted("%-24s %-13s %-15s %-22s %s\n", std::string(b.name).c_str(),
                          b.VddSwitched() ? "yes" : "no", direction.c_str(), "none yet",
                          std::string(b.title).c_str());
    }
    text += Formatted("\n%-24s %-13s %-15s %-22s %s\n", "FTDI board", "Chip", "PGD",
                      "Confirmed on hardware", "What it is");
    for (const board::FtdiWiring& b : board::FtdiWirings()) {
        text +=
            Formatted("%-24s %-13s %-15s %-22s %s\n", std::string(b.name).c_str(),
                      std::string(FtdiChipName(b)).c_str(), b.SplitData() ? "two pins" : "one pin",
                      "none yet", std::string(b.description).c_str());
    }
    return text;
}

std::string BoardPinTable(const board::BoardWiring& b) {
    std::string text = "Board " + std::string(b.name);
    if (!b.title.empty()) {
        text += ": " + std::string(b.title);
    }
    text += "\n";
    text += Formatted("%-10s %-10s %-33s %-10s %s\n", "DB-25 pin", "Signal", "Register bit",
                      "Target", "Line, polarity at the connector");
    for (const BoardLine& line : LinesOf(b)) {
        text += Formatted("%-10d %-10s %-33s %-10s %s, %s\n", int{line.pin.pin},
                          SignalName(line.pin.pin), RegisterBitText(line.pin.pin).c_str(),
                          line.target, line.role, line.pin.inverted ? "active-low" : "active-high");
    }
    text += Formatted("%-10s %-10s %-33s %-10s %s\n", "18-25", "GND", "-", "VSS", "ground");
    text += std::string("VDD switched: ") +
            (b.VddSwitched() ? "yes" : "no, the target powers itself") +
            ". Data out while reading: " + (b.dataOutWhileReading ? "high" : "low") +
            ". Confirmed on hardware: none yet.\n";
    return text;
}

std::string BoardPicture(const board::BoardWiring& b) {
    std::string text = "  PC, DB-25                       target, ICSP\n";
    for (const BoardLine& line : LinesOf(b)) {
        const std::string pc =
            Formatted("pin %2d %-9s", int{line.pin.pin}, SignalName(line.pin.pin));
        const char* start =
            line.towardsPc ? (line.pin.inverted ? "o<" : "<-") : (line.pin.inverted ? "o-" : "--");
        const char* end = line.towardsPc ? "--" : "->";
        text += Formatted("  %s %s----------%s %-9s %s\n", pc.c_str(), start, end, line.target,
                          line.role);
    }
    text += Formatted("  %-16s %s %s\n", "pins 18-25 GND", "--------------", "VSS");
    return text;
}

}  // namespace tallis

namespace tallis {

namespace {

// The chip, and the channel where it has more than one.
std::string ChipText(const board::FtdiWiring& b) {
    std::string chip(FtdiChipName(b));
    if (b.connector == board::FtdiConnector::Ft2232h) {
        chip += std::string(", channel ") + b.channel;
    }
    return chip;
}

}  // namespace

std::string BoardPinTable(const board::FtdiWiring& b) {
    std::string text = "Board " + std::string(b.name);
    if (!b.description.empty()) {
        text += ": " + std::string(b.description);
    }
    text += "\n";
    text += Formatted("%-10s %-4s %-10s %s\n", "FTDI pin", "Bit", "Target",
                      "Line, polarity at the pin");
    for (const FtdiLine& line : LinesOf(b)) {
        text += Formatted("%-10s D%-3d %-10s %s, %s\n", board::FtdiPinName(b, line.pin).c_str(),
                          int{line.pin.bit}, line.target, line.role,
                          line.pin.inverted ? "active-low" : "active-high");
    }
    text += Formatted("%-10s %-4s %-10s %s\n", "GND", "-", "VSS", "ground");
    text += "Chip: " + ChipText(b) + ". Confirmed on hardware: none yet.\n";
    return text;
}

std::string BoardPicture(const board::FtdiWiring& b) {
    std::string text = Formatted("  %-29s target, ICSP\n", ("FTDI " + ChipText(b)).c_str());
    for (const FtdiLine& line : LinesOf(b)) {
        const std::string arrow = line.arrow;
        const std::string start =
            line.pin.inverted ? "o" + arrow.substr(0, 1) : arrow.substr(0, 1) + "-";
        const std::string end = arrow.substr(1) == ">" ? "->" : "--";
        text += Formatted("  %s %s----------%s %-9s %s\n", FtdiPinText(b, line.pin).c_str(),
                          start.c_str(), end.c_str(), line.target, line.role);
    }
    text += Formatted("  %-10s %s %s\n", "GND", "--------------", "VSS");
    return text;
}

std::string BoardChoicePicture(const board::BoardChoice& choice) {
    if (choice.ftdi != nullptr) {
        return BoardPicture(*choice.ftdi);
    }
    return choice.board != nullptr ? BoardPicture(*choice.board) : choice.problem;
}

std::string_view BoardName(const board::BoardChoice& choice) {
    if (choice.ftdi != nullptr) {
        return choice.ftdi->name;
    }
    return choice.board != nullptr ? choice.board->name : std::string_view{};
}

}  // namespace tallis
