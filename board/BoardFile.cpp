#include "board/BoardFile.h"

#include <toml++/toml.h>
#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace tallis::board {

namespace {

// What a connector's pin can carry.
enum class PinKind { Output, Input, Either, Ground, Absent };

// A connector's pin namespace: the pin a name in a file stands for (a number
// from 1), what that pin can carry and its name again. Each connector is an
// entry with names of its own: the PC's DB-25, the bit-bang pins of each FTDI
// chip.
struct Connector {
    std::string_view name;
    std::string_view pinsAre;  // for a refusal: what a pin name looks like here
    std::optional<std::uint8_t> (*pinNamed)(std::string_view);
    PinKind (*kindOf)(std::uint8_t);
    std::string (*nameOf)(std::uint8_t);
    // A board on an FTDI chip's bit-bang pins, and which chip: its pin
    // numbers are bits from 1, those of channel B from 9.
    std::optional<FtdiConnector> ftdi = std::nullopt;
};

std::optional<std::uint8_t> Db25PinNamed(std::string_view text) {
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10U + static_cast<unsigned>(c - '0');
    }
    if (number < 1 || number > 25) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(number);
}

// The PC drives D0-D7 (2-9), nStrobe (1), nAutoFeed (14), nInit (16) and
// nSelectIn (17); it reads nAck, Busy, PaperOut, Select (10-13) and nError (15).
PinKind Db25Kind(std::uint8_t pin) {
    if (pin >= 18) {
        return PinKind::Ground;
    }
    if ((pin >= 10 && pin <= 13) || pin == 15) {
        return PinKind::Input;
    }
    return pin >= 1 ? PinKind::Output : PinKind::Absent;
}

std::string Db25Name(std::uint8_t pin) {
    return std::to_string(pin);
}

// Every bit-bang pin is an output or an input, as the direction mask says.
PinKind FtdiKind(std::uint8_t) {
    return PinKind::Either;
}

constexpr std::string_view kUartNames[] = {"TXD", "RXD", "RTS", "CTS", "DTR", "DSR", "DCD", "RI"};

std::string Uppercase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

std::optional<std::uint8_t> Ft232rPinNamed(std::string_view text) {
    const std::string upper = Uppercase(text);
    for (std::uint8_t bit = 0; bit < 8; ++bit) {
        if (upper == kUartNames[bit]) {
            return static_cast<std::uint8_t>(bit + 1);
        }
    }
    return std::nullopt;
}

std::string Ft232rName(std::uint8_t pin) {
    return std::string(kUartNames[(pin - 1) % 8]);
}

// "ADBUS3" on channel A, "BDBUS3" on channel B where the chip has one.
std::optional<std::uint8_t> BusPinNamed(std::string_view text, bool channelB) {
    const std::string upper = Uppercase(text);
    if (upper.size() != 6 || upper.substr(1, 4) != "DBUS" || upper[5] < '0' || upper[5] > '7') {
        return std::nullopt;
    }
    const auto bit = static_cast<std::uint8_t>(upper[5] - '0');
    if (upper[0] == 'A') {
        return static_cast<std::uint8_t>(bit + 1);
    }
    if (upper[0] == 'B' && channelB) {
        return static_cast<std::uint8_t>(bit + 9);
    }
    return std::nullopt;
}

std::string BusName(std::uint8_t pin) {
    return std::string(pin > 8 ? "BDBUS" : "ADBUS") + std::to_string((pin - 1) % 8);
}

constexpr std::array kConnectors = {
    Connector{"db25", "a DB-25 pin number, 1 to 25, with ! before it for an active-low line",
              Db25PinNamed, Db25Kind, Db25Name},
    Connector{"ft232r",
              "an FT232R pin: TXD, RXD, RTS, CTS, DTR, DSR, DCD or RI, with ! before it for an "
              "active-low line",
              Ft232rPinNamed, FtdiKind, Ft232rName, FtdiConnector::Ft232r},
    Connector{"ft232h",
              "a bit-bang pin of the FT232H, ADBUS0 to ADBUS7 (ACBUS pins need MPSSE), with ! "
              "before it for an active-low line",
              [](std::string_view text) { return BusPinNamed(text, false); }, FtdiKind, BusName,
              FtdiConnector::Ft232h},
    Connector{"ft2232h",
              "a bit-bang pin of the FT2232H, ADBUS0 to ADBUS7 or BDBUS0 to BDBUS7 (ACBUS and "
              "BCBUS pins need MPSSE), with ! before it for an active-low line",
              [](std::string_view text) { return BusPinNamed(text, true); }, FtdiKind, BusName,
              FtdiConnector::Ft2232h},
};

const Connector* FindConnector(std::string_view name) {
    for (const Connector& connector : kConnectors) {
        if (connector.name == name) {
            return &connector;
        }
    }
    return nullptr;
}

const Connector& ConnectorOf(FtdiConnector ftdi) {
    for (const Connector& connector : kConnectors) {
        if (connector.ftdi == ftdi) {
            return connector;
        }
    }
    return kConnectors.front();
}

// A line of a board file. ftdiMember: where it goes on a board on an FTDI
// chip, which has no VDD, connect, direction or second data-out line; there
// the run line is required (MCLR is held low without it) and VPP is not (a
// low-voltage board has PGM instead).
struct LineKey {
    std::string_view key;
    PinLine BoardWiring::*member;
    bool required;
    bool input;
    FtdiPin FtdiWiring::*ftdiMember = nullptr;
    bool requiredOnFtdi = false;
};

constexpr std::array kLineKeys = {
    LineKey{"clock", &BoardWiring::clock, true, false, &FtdiWiring::clock, true},
    LineKey{"data_out", &BoardWiring::dataOut, true, false, &FtdiWiring::dataOut, true},
    LineKey{"data_in", &BoardWiring::dataIn, true, true, &FtdiWiring::dataIn, true},
    LineKey{"vpp", &BoardWiring::vpp, true, false, &FtdiWiring::vpp, false},
    LineKey{"vdd", &BoardWiring::vdd, false, false},
    LineKey{"run", &BoardWiring::run, false, false, &FtdiWiring::run, true},
    LineKey{"pgm", &BoardWiring::pgm, false, false, &FtdiWiring::pgm, false},
    LineKey{"connect", &BoardWiring::connect, false, false},
    LineKey{"data_direction", &BoardWiring::dataDirection, false, false},
    LineKey{"data_out_also", &BoardWiring::dataOutAlso, false, false},
};

constexpr std::string_view kOtherKeys[] = {"name", "title", "connector", "data_out_while_reading"};

// A refusal on one line of the file.
struct Refusal {
    std::string what;
    std::uint32_t line = 0;  // 0: the file as a whole
};

std::uint32_t LineOf(const toml::node& node) {
    return node.source().begin.line;
}

bool KnownKey(std::string_view key) {
    for (const LineKey& line : kLineKeys) {
        if (line.key == key) {
            return true;
        }
    }
    for (const std::string_view other : kOtherKeys) {
        if (other == key) {
            return true;
        }
    }
    return false;
}

class BoardReader {
  public:
    BoardReader(const toml::table& table, std::string defaultName)
        : table_(table), name_(std::move(defaultName)) {}

    std::optional<Refusal> Read() {
        for (const auto& [key, node] : table_) {
            if (!KnownKey(key.str())) {
                return Refusal{"unknown key '" + std::string(key.str()) + "'", LineOf(node)};
            }
        }
        if (auto refused = ReadTexts()) {
            return refused;
        }
        if (auto refused = RefuseParallelOnlyKeys()) {
            return refused;
        }
        for (const LineKey& line : kLineKeys) {
            if (auto refused = ReadLine(line)) {
                return refused;
            }
        }
        if (connector_->ftdi) {
            return ReadFtdiBoard();
        }
        return ReadWhileReading();
    }

    std::unique_ptr<OwnedBoard> Board() const {
        if (ftdiWiring_) {
            return std::make_unique<OwnedBoard>(name_, title_, *ftdiWiring_);
        }
        return std::make_unique<OwnedBoard>(name_, title_, wiring_);
    }

  private:
    bool Ftdi() const { return connector_->ftdi.has_value(); }

    std::optional<Refusal> Text(std::string_view key, std::string& into) {
        const toml::node* node = table_.get(key);
        if (node == nullptr) {
            return std::nullopt;
        }
        const std::optional<std::string> text = node->value<std::string>();
        if (!text || text->empty()) {
            return Refusal{std::string(key) + " must be a text in quotes", LineOf(*node)};
        }
        into = *text;
        return std::nullopt;
    }

    std::optional<Refusal> ReadTexts() {
        std::string connector = "db25";
        for (auto [key, into] : {std::pair{"name", &name_}, std::pair{"title", &title_},
                                 std::pair{"connector", &connector}}) {
            if (auto refused = Text(key, *into)) {
                return refused;
            }
        }
        connector_ = FindConnector(connector);
        if (connector_ == nullptr) {
            return Refusal{
                "connector '" + connector + "' is not known (db25, ft232r, ft232h and ft2232h are)",
                LineOf(*table_.get("connector"))};
        }
        return std::nullopt;
    }

    std::optional<Refusal> RefuseParallelOnlyKeys() const {
        if (!Ftdi()) {
            return std::nullopt;
        }
        for (const auto& [key, node] : table_) {
            const std::string_view name = key.str();
            const bool parallelOnly = name == "data_out_while_reading" ||
                                      std::ranges::any_of(kLineKeys, [name](const LineKey& line) {
                                          return line.key == name && line.ftdiMember == nullptr;
                                      });
            if (parallelOnly) {
                return Refusal{std::string(name) + " is not a line of a board on an FTDI chip",
                               LineOf(node)};
            }
        }
        return std::nullopt;
    }

    std::optional<Refusal> ReadLine(const LineKey& key) {
        const bool required = Ftdi() ? key.requiredOnFtdi : key.required;
        const toml::node* node = table_.get(key.key);
        if (node == nullptr) {
            if (required) {
                return Refusal{std::string(key.key) + " is missing: the board needs that line"};
            }
            return std::nullopt;
        }
        const std::string name(key.key);
        const std::uint32_t at = LineOf(*node);
        std::optional<std::string> text = node->value<std::string>();
        if (!text) {
            return Refusal{name + ": write the pin as text, e.g. \"5\" or \"!5\"", at};
        }
        if (*text == "none") {
            return required ? std::optional<Refusal>{{name + " cannot be none", at}} : std::nullopt;
        }
        PinLine pin;
        std::string_view rest = *text;
        if (!rest.empty() && rest.front() == '!') {
            pin.inverted = true;
            rest.remove_prefix(1);
        }
        const std::optional<std::uint8_t> number = connector_->pinNamed(rest);
        if (!number) {
            return Refusal{name + ": '" + *text + "' is not " + std::string(connector_->pinsAre),
                           at};
        }
        pin.pin = *number;
        return Place(key, pin, at);
    }

    std::optional<Refusal> Place(const LineKey& key, PinLine pin, std::uint32_t at) {
        const std::string name(key.key);
        const std::string pinText = "pin " + connector_->nameOf(pin.pin);
        switch (connector_->kindOf(pin.pin)) {
            case PinKind::Ground:
                if (key.required) {
                    return Refusal{pinText + " is a ground pin; " + name + " needs a signal pin",
                                   at};
                }
                return std::nullopt;  // a line tied to ground is no line
            case PinKind::Input:
                if (!key.input) {
                    return Refusal{
                        pinText + " is an input of the PC; " + name + " needs an output pin", at};
                }
                break;
            case PinKind::Output:
                if (key.input) {
                    return Refusal{
                        pinText + " is an output of the PC; " + name + " needs an input pin", at};
                }
                break;
            case PinKind::Either:
                break;
            case PinKind::Absent:
                return Refusal{pinText + " does not exist", at};
        }
        if (const auto used = used_.find(pin.pin);
            used != used_.end() && !SharedDataPin(key, used->second.first)) {
            return Refusal{pinText + " is used twice: by " + used->second.first + " (line " +
                               std::to_string(used->second.second) + ") and by " + name,
                           at};
        }
        used_.try_emplace(pin.pin, name, at);
        wiring_.*key.member = pin;
        return std::nullopt;
    }

    // On an FTDI chip one pin may carry PGD both ways: it turns into an input
    // while the target drives PGD.
    bool SharedDataPin(const LineKey& key, const std::string& usedBy) const {
        return Ftdi() && key.member == &BoardWiring::dataIn && usedBy == "data_out";
    }

    std::optional<Refusal> ReadWhileReading() {
        std::string level = "high";
        if (auto refused = Text("data_out_while_reading", level)) {
            return refused;
        }
        if (level != "high" && level != "low") {
            return Refusal{"data_out_while_reading must be \"high\" or \"low\"",
                           LineOf(*table_.get("data_out_while_reading"))};
        }
        wiring_.dataOutWhileReading = level == "high";
        return std::nullopt;
    }

    // The lines read as pins of the FTDI chip, made bits of one channel.
    std::optional<Refusal> ReadFtdiBoard() {
        FtdiWiring ftdi{};
        ftdi.connector = *connector_->ftdi;
        bool channelA = false;
        bool channelB = false;
        for (const LineKey& key : kLineKeys) {
            const PinLine line = wiring_.*key.member;
            if (key.ftdiMember == nullptr || !line.Connected()) {
                continue;
            }
            (line.pin > 8 ? channelB : channelA) = true;
            ftdi.*key.ftdiMember = {.bit = static_cast<std::uint8_t>((line.pin - 1) % 8),
                                    .connected = true,
                                    .inverted = line.inverted};
        }
        if (channelA && channelB) {
            return Refusal{
                "the pins are on two channels: a board's pins are all ADBUS or all "
                "BDBUS"};
        }
        if (!ftdi.vpp.connected && !ftdi.pgm.connected) {
            return Refusal{
                "vpp and pgm are both none: the board needs one of them to put the "
                "chip into programming mode"};
        }
        ftdi.channel = channelB ? 'B' : 'A';
        ftdiWiring_ = ftdi;
        return std::nullopt;
    }

    const toml::table& table_;
    std::string name_;
    std::string title_;
    const Connector* connector_ = nullptr;
    BoardWiring wiring_;
    std::optional<FtdiWiring> ftdiWiring_;
    std::map<std::uint8_t, std::pair<std::string, std::uint32_t>> used_;
};

std::string Located(const std::string& fileName, const Refusal& refusal) {
    if (refusal.line == 0) {
        return fileName + ": " + refusal.what;
    }
    return fileName + ":" + std::to_string(refusal.line) + ": " + refusal.what;
}

std::string StemOf(const std::string& fileName) {
    return std::filesystem::path(fileName).stem().string();
}

std::string PinText(const PinLine& line) {
    if (!line.Connected()) {
        return "none";
    }
    return (line.inverted ? "!" : "") + std::to_string(line.pin);
}

std::string PinText(const FtdiPin& line, const Connector& connector, char channel) {
    if (!line.connected) {
        return "none";
    }
    const auto pin = static_cast<std::uint8_t>(line.bit + (channel == 'B' ? 9 : 1));
    return (line.inverted ? "!" : "") + connector.nameOf(pin);
}

}  // namespace

OwnedBoard::OwnedBoard(std::string name, std::string title, const BoardWiring& wiring)
    : name_(std::move(name)), title_(std::move(title)), wiring_(wiring) {
    wiring_.name = name_;
    wiring_.title = title_;
}

OwnedBoard::OwnedBoard(std::string name, std::string title, const FtdiWiring& wiring)
    : name_(std::move(name)), title_(std::move(title)), ftdi_(wiring) {
    ftdi_->name = name_;
    ftdi_->description = title_;
}

BoardFileLoad ParseBoardFile(std::string_view text, const std::string& fileName) {
    toml::table table;
    try {
        table = toml::parse(text, fileName);
    } catch (const toml::parse_error& error) {
        return {nullptr,
                Located(fileName, {std::string(error.description()), error.source().begin.line})};
    }
    BoardReader reader(table, StemOf(fileName));
    if (std::optional<Refusal> refused = reader.Read()) {
        return {nullptr, Located(fileName, *refused)};
    }
    return {reader.Board(), {}};
}

BoardFileLoad LoadBoardFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string fileName = path.string();
    if (!in) {
        return {nullptr, fileName + ": cannot be read"};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseBoardFile(text.str(), fileName);
}

std::string BoardFileText(const BoardWiring& row) {
    std::string text =
        "# A TALLIS board file. Pins are DB-25 pin numbers; \"!\" before one: the\n"
        "# line is active-low at the connector; \"none\": the board has no such line.\n";
    text += "name = \"" + std::string(row.name) + "\"\n";
    text += "title = \"" + std::string(row.title) + "\"\n";
    text += "connector = \"db25\"\n";
    for (const LineKey& key : kLineKeys) {
        text += std::string(key.key) + " = \"" + PinText(row.*key.member) + "\"\n";
    }
    text += std::string("data_out_while_reading = \"") +
            (row.dataOutWhileReading ? "high" : "low") + "\"\n";
    return text;
}

std::string BoardFileText(const FtdiWiring& row) {
    const Connector& connector = ConnectorOf(row.connector);
    std::string text =
        "# A TALLIS board file for a board on an FTDI chip's bit-bang pins. Pins are\n"
        "# the chip's pin names; \"!\" before one: the line is active-low at the pin;\n"
        "# \"none\": the board has no such line.\n";
    text += "name = \"" + std::string(row.name) + "\"\n";
    text += "title = \"" + std::string(row.description) + "\"\n";
    text += "connector = \"" + std::string(connector.name) + "\"\n";
    for (const LineKey& key : kLineKeys) {
        if (key.ftdiMember != nullptr) {
            text += std::string(key.key) + " = \"" +
                    PinText(row.*key.ftdiMember, connector, row.channel) + "\"\n";
        }
    }
    return text;
}

std::string FtdiPinName(const FtdiWiring& row, const FtdiPin& line) {
    return PinText({.bit = line.bit, .connected = true}, ConnectorOf(row.connector), row.channel);
}

BoardChoice ChooseBoard(std::string_view nameOrFile) {
    BoardChoice choice = ChooseAnyBoard(nameOrFile);
    if (choice.ftdi != nullptr) {
        return {nullptr, nullptr,
                "board '" + std::string(choice.ftdi->name) +
                    "' is on an FTDI chip's pins, not on a parallel port"};
    }
    return choice;
}

BoardChoice ChooseAnyBoard(std::string_view nameOrFile) {
    if (const BoardWiring* builtIn = FindBoard(nameOrFile)) {
        return {builtIn, nullptr, {}};
    }
    if (const FtdiWiring* ftdi = FindFtdiWiring(nameOrFile)) {
        return {nullptr, nullptr, {}, ftdi};
    }
    const std::filesystem::path path{std::string(nameOrFile)};
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return {nullptr, nullptr,
                "no board '" + std::string(nameOrFile) +
                    "': neither a built-in board (tallis-cli boards lists them) nor a board file"};
    }
    BoardFileLoad load = LoadBoardFile(path);
    if (!load.board) {
        return {nullptr, nullptr, load.problem};
    }
    if (const FtdiWiring* ftdi = load.board->Ftdi()) {
        return {nullptr, std::move(load.board), {}, ftdi};
    }
    const BoardWiring* row = &load.board->Wiring();
    return {row, std::move(load.board), {}};
}

}  // namespace tallis::board
