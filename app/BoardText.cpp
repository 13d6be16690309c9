#include "app/BoardText.h"

#include <cstdio>
#include <vector>

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

}  // namespace

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
