#include "board/BoardFile.h"

#include <toml++/toml.h>
#include <array>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace tallis::board {

namespace {

// What a connector's pin can carry.
enum class PinKind { Output, Input, Ground, Absent };

// A connector's pin namespace: the pin a name in a file stands for, and what
// that pin can carry. Another connector (a USB adapter's pins) is another
// entry, with names of its own.
struct Connector {
    std::string_view name;
    std::string_view pinsAre;  // for a refusal: what a pin name looks like here
    std::optional<std::uint8_t> (*pinNamed)(std::string_view);
    PinKind (*kindOf)(std::uint8_t);
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

constexpr std::array kConnectors = {
    Connector{"db25", "a DB-25 pin number, 1 to 25, with ! before it for an active-low line",
              Db25PinNamed, Db25Kind},
};

const Connector* FindConnector(std::string_view name) {
    for (const Connector& connector : kConnectors) {
        if (connector.name == name) {
            return &connector;
        }
    }
    return nullptr;
}

struct LineKey {
    std::string_view key;
    PinLine BoardWiring::*member;
    bool required;
    bool input;
};

constexpr std::array kLineKeys = {
    LineKey{"clock", &BoardWiring::clock, true, false},
    LineKey{"data_out", &BoardWiring::dataOut, true, false},
    LineKey{"data_in", &BoardWiring::dataIn, true, true},
    LineKey{"vpp", &BoardWiring::vpp, true, false},
    LineKey{"vdd", &BoardWiring::vdd, false, false},
    LineKey{"run", &BoardWiring::run, false, false},
    LineKey{"pgm", &BoardWiring::pgm, false, false},
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
        for (const LineKey& line : kLineKeys) {
            if (auto refused = ReadLine(line)) {
                return refused;
            }
        }
        return ReadWhileReading();
    }

    std::unique_ptr<OwnedBoard> Board() const {
        return std::make_unique<OwnedBoard>(name_, title_, wiring_);
    }

  private:
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
            return Refusal{"connector '" + connector + "' is not known (db25 is)",
                           LineOf(*table_.get("connector"))};
        }
        return std::nullopt;
    }

    std::optional<Refusal> ReadLine(const LineKey& key) {
        const toml::node* node = table_.get(key.key);
        if (node == nullptr) {
            if (key.required) {
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
            return key.required ? std::optional<Refusal>{{name + " cannot be none", at}}
                                : std::nullopt;
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
        const std::string pinText = "pin " + std::to_string(pin.pin);
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
            case PinKind::Absent:
                return Refusal{pinText + " does not exist", at};
        }
        if (const auto used = used_.find(pin.pin); used != used_.end()) {
            return Refusal{pinText + " is used twice: by " + used->second.first + " (line " +
                               std::to_string(used->second.second) + ") and by " + name,
                           at};
        }
        used_[pin.pin] = {name, at};
        wiring_.*key.member = pin;
        return std::nullopt;
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

    const toml::table& table_;
    std::string name_;
    std::string title_;
    const Connector* connector_ = nullptr;
    BoardWiring wiring_;
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

}  // namespace

OwnedBoard::OwnedBoard(std::string name, std::string title, const BoardWiring& wiring)
    : name_(std::move(name)), title_(std::move(title)), wiring_(wiring) {
    wiring_.name = name_;
    wiring_.title = title_;
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

BoardChoice ChooseBoard(std::string_view nameOrFile) {
    if (const BoardWiring* builtIn = FindBoard(nameOrFile)) {
        return {builtIn, nullptr, {}};
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
    const BoardWiring* row = &load.board->Wiring();
    return {row, std::move(load.board), {}};
}

}  // namespace tallis::board
