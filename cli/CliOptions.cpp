#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/SimTarget.h"
#include "cli/ProductionOptionParser.h"
#include "portio/PcPortRanges.h"

#ifndef TALLIS_VERSION
#define TALLIS_VERSION "unknown"
#endif

namespace tallis {

namespace {

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

constexpr const char* kAutoChip = "auto";
constexpr const char* kClassicDefaultChip = "16f877a";

std::string CheckDevice(const std::string& text) {
    if (FindDevice(text) != nullptr) {
        return {};
    }
    return "must be one of " + DeviceOptionList() + ", got '" + text + "'";
}

std::string CheckChip(const std::string& text) {
    return Lowered(text) == kAutoChip ? std::string{} : CheckDevice(text);
}

// blank-check --only: the names of the parts of the chip, and their regions.
const std::vector<std::pair<std::string, std::vector<RegionKind>>> kScopeParts = {
    {"program", {RegionKind::Program}},
    {"ids", {RegionKind::Id, RegionKind::DebugVector}},
    {"eeprom", {RegionKind::Eeprom}},
    {"config", {RegionKind::Config}},
};

// "program,config" as regions; nothing for a name that is not a part.
std::optional<std::vector<RegionKind>> ParseScope(const std::string& text) {
    std::vector<RegionKind> scope;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string name = Lowered(text.substr(from, comma - from));
        const auto part =
            std::ranges::find(kScopeParts, name, [](const auto& p) { return p.first; });
        if (part == kScopeParts.end()) {
            return std::nullopt;
        }
        scope.insert(scope.end(), part->second.begin(), part->second.end());
        from = comma + 1;
    }
    return scope;
}

std::string CheckScope(const std::string& text) {
    return ParseScope(text) ? std::string{}
                            : "a list of program, ids, eeprom and config, got '" + text + "'";
}

struct FaultChoice {
    SimFault fault = SimFault::None;
    std::uint16_t address = 0;
};

std::optional<std::uint16_t> ParseHexNumber(const std::string& text, unsigned long max) {
    if (text.size() < 3 || text.compare(0, 2, "0x") != 0) {
        return std::nullopt;
    }
    unsigned long value = 0;
    const char* first = text.data() + 2;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value, 16);
    if (error != std::errc{} || end != last || value > max) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// "no-chip", "data-stuck-low", "unprogrammable:0xADDR" or "unerasable:0xADDR"
// (a program-memory or configuration-space word address).
std::optional<FaultChoice> ParseFault(const std::string& text) {
    const std::string name = Lowered(text);
    if (name == "no-chip") {
        return FaultChoice{SimFault::NoChip};
    }
    if (name == "data-stuck-low") {
        return FaultChoice{SimFault::DataStuckLow};
    }
    const std::pair<std::string_view, SimFault> wordFaults[] = {
        {"unprogrammable:", SimFault::Unprogrammable},
        {"unerasable:", SimFault::Unerasable},
    };
    for (const auto& [prefix, fault] : wordFaults) {
        if (name.starts_with(prefix)) {
            if (auto address = ParseHexNumber(name.substr(prefix.size()), 0x2007)) {
                return FaultChoice{fault, *address};
            }
        }
    }
    return std::nullopt;
}

std::string CheckFault(const std::string& text) {
    if (ParseFault(text)) {
        return {};
    }
    return "must be no-chip, data-stuck-low, unprogrammable:0xADDR or unerasable:0xADDR (0x0 to "
           "0x2007), got '" +
           text + "'";
}

// "lpt1", "lpt2" or "0xADDR". The three registers sit at base, base + 1 and
// base + 2, so the base must leave room for them in the 16-bit I/O space.
struct PortChoice {
    std::uint16_t base = 0;
    int lptNumber = 0;
};

std::optional<PortChoice> ParsePort(const std::string& text) {
    std::string name = Lowered(text);
    if (name == "lpt1") {
        return PortChoice{0x378, 1};
    }
    if (name == "lpt2") {
        return PortChoice{0x278, 2};
    }
    std::optional<std::uint16_t> address = ParseHexNumber(name, 0xFFFD);
    if (!address || *address == 0) {
        return std::nullopt;
    }
    return PortChoice{*address, 0};
}

std::string CheckVdd(const std::string& text) {
    if (sim::SupplyVoltageNamed(text)) {
        return {};
    }
    return "must be a voltage from 2.0 to 5.5, e.g. 3.3, got '" + text + "'";
}

// "ftdi" or "ftdi:WHICH": the FTDI device WHICH names, if any.
std::optional<std::string> FtdiSelector(const std::string& text) {
    const std::string name = Lowered(text);
    if (name == "ftdi") {
        return std::string();
    }
    if (name.starts_with("ftdi:")) {
        return text.substr(5);
    }
    return std::nullopt;
}

std::string CheckPort(const std::string& text) {
    if (ParsePort(text) || FtdiSelector(text)) {
        return {};
    }
    return "must be lpt1, lpt2, a hexadecimal I/O address 0x1 to 0xFFFD or ftdi[:WHICH], got '" +
           text + "'";
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// A base whose registers would land on one of the PC's own devices: writes
// there could hang or reset the machine or damage data. Empty when it is free.
std::string PcOwnedPortProblem(std::uint16_t base) {
    std::optional<PcPortRange> range = PcRangeTouchedBy(base);
    if (!range) {
        return {};
    }
    return "--port " + Hex(base) + ": the port's registers " + Hex(base) + "-" + Hex(base + 2u) +
           " would reach " + range->owner + " (" + Hex(range->first) + "-" + Hex(range->last) +
           "), not a parallel port; give --force-port to use this address anyway";
}

}  // namespace

bool IsChipOperation(CliCommand command) {
    switch (command) {
        case CliCommand::Identify:
        case CliCommand::Read:
        case CliCommand::Verify:
        case CliCommand::BlankCheck:
        case CliCommand::Write:
            return true;
        default:
            return false;
    }
}

namespace {

// What the command line gives as text, before it is checked and converted
// into CliOptions. Flags that need no conversion go into CliOptions directly.
struct RawArguments {
    std::string chipName;
    std::string portName = "lpt1";
    std::vector<std::string> portNames;  // every --port given: write runs on several boards
    std::string portDriverName = "auto";
    std::string simChipName;
    std::string simFaultName;
    std::string simStatePath;
    std::string simConfigLatches = "single";
    std::string simEepromEraseAtConfig = "erases";
    std::string simVppAfterRun = "refused";
    std::string simVdd = "5.0";
    std::string simBoardName;
    std::string boardName = "default";
    std::string shownBoard;      // boards NAME|FILE
    std::string ftdiWiringName;  // the older name of --board for a board on an FTDI chip
    std::string tracePath;
    std::string filePath;
    std::string reportPath;
    std::string examplePath;
    std::string blankScope;
    bool listDevices = false;
    bool noIdCheck = false;
    ProductionOptionParser production;
};

using Subcommands = std::vector<std::pair<CLI::App*, CliCommand>>;

void DescribeProgram(CLI::App& app) {
    app.set_version_flag("--version", "tallis-cli " TALLIS_VERSION);
    app.footer(
        "Exit status: 0 the command completed; 1 the run reported an error, the file was "
        "refused before the chip was touched, a write did not verify, or a self-test step "
        "failed; 2 bad options (also one the command would pass over), an output file that is "
        "an input or another output, a file that cannot be read, is too large or is not good "
        "Intel HEX, a --sim-state file of another chip, or a self-test without a terminal or "
        "--yes; 3 no access to the parallel port, or the port failed during the command; 4 the "
        "chip is not what was asked: no chip, a stuck data line, an unknown or another device, "
        "a verify difference, not blank (also after write's erase), or code-protected memory "
        "that read or verify could not read; 5 output (standard output or error, the trace, the "
        "simulated chip's memory, read's file) could not be written; 129, 130, 143 stopped by "
        "SIGHUP, SIGINT (Ctrl-C), SIGTERM at the next safe point, with the programming voltage "
        "off.");
    // Windows builds would take "/path/file.hex" for an option otherwise.
    app.allow_windows_style_options(false);
    app.require_subcommand(0, 1);
    app.fallthrough();
}

void AddTargetOptions(CLI::App& app, RawArguments& raw) {
    app.add_option("--chip", raw.chipName,
                   "chip: auto (identify it and use what answers; the default for identify, "
                   "read, verify, blank-check and write) or a device of --list-devices (the "
                   "default for program, erase and reset: 16f877a)")
        ->check(CheckChip, "")
        ->type_name("auto|DEVICE");
    app.add_flag("--list-devices", raw.listDevices,
                 "list the supported devices, their IDs and sizes, and which operations a "
                 "self-test has confirmed on real hardware");
    app.add_option("--port", raw.portName,
                   "parallel port: lpt1 (0x378, default), lpt2 (0x278) or any base I/O "
                   "address 0xADDR, e.g. a PCI card's; or ftdi for a board on an FTDI USB "
                   "chip (ftdi:SERIAL, ftdi:INDEX, ftdi:VID:PID, ftdi:SERIAL:A for a channel); "
                   "write takes several, one board each")
        ->check(CheckPort, "")
        ->type_name("lpt1|lpt2|0xADDR|ftdi[:WHICH]")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeFirst)
        ->each([&raw](const std::string& name) { raw.portNames.push_back(name); });
    app.add_option("--board", raw.boardName,
                   "the interface board: default (TALLIS's own), a built-in board of "
                   "`tallis-cli boards`, or a board file (TOML); with --port ftdi a board on "
                   "an FTDI chip (default ft232r-hv)")
        ->type_name("NAME|FILE");
    app.add_option("--ftdi-wiring", raw.ftdiWiringName,
                   "the older name of --board for a board on an FTDI chip")
        ->excludes("--board")
        ->type_name("NAME|FILE");
    app.add_option("--port-driver", raw.portDriverName,
                   "Windows: the port driver: auto (default: InpOut when its DLL is found beside "
                   "the program or on the DLL search path, else zlportio.sys beside the "
                   "program), inpout or zlportio; elsewhere not used")
        ->check(CLI::IsMember({"auto", "inpout", "zlportio"}).description(""))
        ->type_name("auto|inpout|zlportio");
}

void AddSimulationOptions(CLI::App& app, RawArguments& raw, CliOptions& options) {
    CLI::Option* sim = app.add_flag(
        "--sim", options.simulate,
        "drive a simulated interface board and chip at that port instead of the hardware");
    app.add_option("--sim-chip", raw.simChipName,
                   "with --sim: the simulated chip, any device of --list-devices (default: "
                   "the --chip device, or 16f877a with --chip auto)")
        ->check(CheckDevice, "")
        ->type_name("DEVICE")
        ->needs(sim);
    app.add_option("--sim-fault", raw.simFaultName,
                   "with --sim: a fault to see its diagnosis: no-chip (nothing answers), "
                   "data-stuck-low (RB7 held low), unprogrammable:0xADDR (that word keeps its "
                   "value when written), unerasable:0xADDR (that word keeps its value through "
                   "every erase)")
        ->check(CheckFault, "")
        ->type_name("FAULT")
        ->needs(sim);
    app.add_option("--sim-state", raw.simStatePath,
                   "with --sim: load the simulated chip's memory from FILE if it exists, save it "
                   "there afterwards (Intel HEX); a FILE of another chip is refused")
        ->type_name("FILE")
        ->needs(sim);
    app.add_option("--sim-board", raw.simBoardName,
                   "with --sim: the simulated board: ideal (default) or slow (RB7 rises in 5 us, "
                   "VPP in 50 us), and how it is wired: a built-in board or a board file "
                   "(default: the --board one); both with a comma, e.g. tait-classic,slow")
        ->type_name("[ideal|slow][,NAME|FILE]")
        ->needs(sim);
    app.add_option("--sim-config-latches", raw.simConfigLatches,
                   "with --sim: how the simulated 87xA latches configuration space, which the "
                   "sources leave open: single (default; one latch, the word last loaded is "
                   "written at the address) or row (the eight row latches, as program memory)")
        ->check(CLI::IsMember({"single", "row"}).description(""))
        ->type_name("single|row")
        ->needs(sim);
    app.add_option("--sim-877-eeprom-erase-at-config", raw.simEepromEraseAtConfig,
                   "with --sim: what the simulated 87x does with a data-EEPROM erase (Load Data "
                   "for Data Memory, 1, 7, 8) given at 0x2007, which the sources leave open: "
                   "erases (default; the EEPROM is erased) or ignores (another code-protect-"
                   "disable erase)")
        ->check(CLI::IsMember({"erases", "ignores"}).description(""))
        ->type_name("erases|ignores")
        ->needs(sim);
    app.add_option(
           "--sim-vpp-after-run", raw.simVppAfterRun,
           "with --sim: what a simulated 62xA, 88x or 629/675 on its internal oscillator with "
           "MCLR as an input, which runs from VDD on, does with VPP that comes after "
           "VDD, which the sources leave open: refused (default; no programming mode) "
           "or enters (with a hazard)")
        ->check(CLI::IsMember({"refused", "enters"}).description(""))
        ->type_name("refused|enters")
        ->needs(sim);
    app.add_option("--sim-vdd", raw.simVdd,
                   "with --sim: the target's supply voltage, 2.0 to 5.5 (default 5.0); below 4.5 "
                   "the simulated chip reads but neither erases nor writes")
        ->check(CheckVdd, "")
        ->type_name("VOLTS")
        ->needs(sim);
    app.add_option("--sim-ftdi", options.simFtdiChip,
                   "with --sim and --port ftdi: the simulated FTDI chip, FT232R, FT232H or "
                   "FT2232H (default: the one the board was built for)")
        ->check(CLI::IsMember({"FT232R", "FT232H", "FT2232H"}).description(""))
        ->type_name("FT232R|FT232H|FT2232H")
        ->needs(sim);
    app.add_flag("--real-time", options.realTime,
                 "with --sim: pace the simulated chip by the real timer instead of virtual time")
        ->needs(sim);
}

void AddRunOptions(CLI::App& app, RawArguments& raw, CliOptions& options) {
    app.add_option("--trace", raw.tracePath,
                   "write every port access and wait to FILE, one per line: \"W 0378 0A\", "
                   "\"R 0379 40\", \"D 60\" (microseconds asked of Delay)")
        ->type_name("FILE");
    app.add_flag("--fast", options.fast,
                 "identify, read, verify, blank-check and write at the chip's minimum times with "
                 "a safety margin, after a check of the data line");
    app.add_flag("--write-calibration", options.writeCalibration,
                 "write: replace the chip's factory calibration word with the file's (without "
                 "it a file that would change it is refused)");
    app.add_flag("--calibration-from-file", options.calibrationFromFile,
                 "write and verify: take the calibration an erase clears (the 12F629/675's "
                 "OSCCAL word 0x3FF and band-gap bits) from the file instead of keeping the "
                 "chip's");
    app.add_flag("--lvp", options.lowVoltage,
                 "identify, read, verify, blank-check and write: enter programming mode by low "
                 "voltage (PGM raised, MCLR to VDD, no VPP) on a board that has a PGM line and "
                 "VPP too; a board with PGM and no VPP (ft232r-lvp) always does");
    app.add_flag("--allow-lvp-off", options.allowLvpOff,
                 "write: write a configuration word that clears LVP even over a board without "
                 "VPP, which can then never enter the chip again (refused without it)");
    app.add_flag("--force-port", options.forcePort,
                 "take a --port address even where the PC's own devices answer (system board, "
                 "disk, serial, display, PCI configuration)");
    app.add_flag("-q,--quiet", options.quiet,
                 "no progress bar, and no line saying what erase or reset did");
    app.add_flag("--no-id-check", raw.noIdCheck,
                 "program and erase: send the classic sequence alone, without reading the device "
                 "ID first (for a board whose ID read is unreliable) or a blank check after erase");
}

CLI::App* AddSelfTest(CLI::App& app, RawArguments& raw, CliOptions& options) {
    CLI::App* selfTest = app.add_subcommand(
        "selftest",
        "check the board and every operation on a spare chip, whose contents are lost, and "
        "write a report to send back");
    selfTest->add_flag("-y,--yes", options.assumeYes,
                       "do not ask before erasing the chip (needed without a terminal)");
    selfTest
        ->add_option("--report", raw.reportPath,
                     "where the report goes (default: tallis-selftest.txt)")
        ->type_name("FILE");
    selfTest
        ->add_option("--example", raw.examplePath,
                     "Intel HEX file for the classic Erase + Program + Verify (default: "
                     "blink877a.hex, built in)")
        ->type_name("FILE");
    selfTest->add_flag("--quick", options.quickSelfTest,
                       "every operation with the fast timing only, and the classic Erase + "
                       "Program + Verify: minutes less");
    return selfTest;
}

// In the order --help lists them.
Subcommands AddSubcommands(CLI::App& app, RawArguments& raw, CliOptions& options) {
    std::string& file = raw.filePath;
    CLI::App* program = app.add_subcommand(
        "program",
        "erase, program and verify FILE, write the configuration word, reset the target (erasing "
        "and writing need VDD 4.5-5.5 V at the chip)");
    program->add_option("FILE", file, "Intel HEX firmware file")->required();
    CLI::App* erase =
        app.add_subcommand("erase", "erase the chip (erasing needs VDD 4.5-5.5 V at the chip)");
    CLI::App* reset = app.add_subcommand("reset", "pulse the target's reset so that it runs");
    CLI::App* ports = app.add_subcommand(
        "ports", "list this machine's parallel ports and how tallis-cli would reach each");
    CLI::App* identify =
        app.add_subcommand("identify", "read the device ID: which chip, which silicon revision");
    CLI::App* read = app.add_subcommand(
        "read", "read the whole chip into FILE (Intel HEX; - for standard output)");
    read->add_option("FILE", file, "Intel HEX file to write, or -")->required();
    CLI::App* verify = app.add_subcommand(
        "verify", "compare the chip with FILE without erasing it; list the first differences");
    verify->add_option("FILE", file, "Intel HEX file")->required();
    CLI::App* blankCheck = app.add_subcommand(
        "blank-check", "check that the chip is erased; name the first location that is not");
    blankCheck
        ->add_option("--only", raw.blankScope,
                     "check only these parts, comma-separated: program, ids (with the debug "
                     "vector), eeprom, config; e.g. program,config, what erase clears on every "
                     "chip")
        ->check(CheckScope, "")
        ->type_name("PARTS");
    CLI::App* write = app.add_subcommand(
        "write",
        "identify, erase, write everything FILE holds (program memory, IDs, EEPROM, then the "
        "configuration word) and verify it (erasing and writing need VDD 4.5-5.5 V at the chip)");
    write->add_option("FILE", file, "Intel HEX file")->required();
    raw.production.Add(app, *identify, *write, app.get_option("--sim"));
    CLI::App* selfTest = AddSelfTest(app, raw, options);
    CLI::App* boards = app.add_subcommand(
        "boards",
        "list the built-in interface boards; with a board's name or a board file, its pins");
    boards->add_option("BOARD", raw.shownBoard, "a built-in board's name or a board file")
        ->type_name("NAME|FILE");
    return {
        {program, CliCommand::Program},
        {erase, CliCommand::Erase},
        {reset, CliCommand::Reset},
        {identify, CliCommand::Identify},
        {read, CliCommand::Read},
        {verify, CliCommand::Verify},
        {blankCheck, CliCommand::BlankCheck},
        {write, CliCommand::Write},
        {selfTest, CliCommand::SelfTest},
        {ports, CliCommand::Ports},
        {boards, CliCommand::Boards},
    };
}

// The words after "...: " in a parser message: the arguments it names,
// which it lists last first.
std::vector<std::string> NamedArguments(const std::string& message) {
    std::vector<std::string> names;
    std::istringstream words(message.substr(message.find(": ") + 2));
    for (std::string word; words >> word;) {
        names.insert(names.begin(), word);
    }
    return names;
}

bool IsCommandName(const CLI::App& app, const std::string& name) {
    for (const CLI::App* subcommand : app.get_subcommands({})) {
        if (subcommand->get_name() == name) {
            return true;
        }
    }
    return false;
}

// The parser's message in the program's own words.
std::string PlainParseError(const CLI::App& app, const CLI::ParseError& e) {
    const std::string message = e.what();
    const std::string option = message.substr(0, message.find(':'));
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
        const std::string first = NamedArguments(message).front();
        if (first.starts_with('-')) {
            return "no option " + first + " here";
        }
        if (IsCommandName(app, first)) {
            return "one command at a time: " + first + " is a second one";
        }
        return "'" + first + "' is neither a command nor an argument the command takes";
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
        return message.find("At Most") != std::string::npos ? option + " is given more than once"
                                                            : option + " needs a value";
    }
    if (dynamic_cast<const CLI::RequiresError*>(&e) != nullptr) {
        return option.substr(0, option.find(' ')) + " works only with --sim";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        for (const CLI::App* command : app.get_subcommands()) {
            return command->get_name() + " needs a FILE";
        }
        return "no command given";
    }
    return message;
}

// The exit code when the command line ends the program here: help and
// version on stdout with 0, a usage error on stderr with 2.
std::optional<int> ParseArguments(CLI::App& app, int argc, const char* const* argv,
                                  const RawArguments& raw) {
    try {
        app.parse(argc, argv);
        if (!raw.listDevices && app.get_subcommands().empty()) {
            throw CLI::RequiredError("A subcommand");
        }
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);  // help or version
        }
        std::fprintf(stderr, "tallis-cli: %s (see tallis-cli --help)\n",
                     PlainParseError(app, e).c_str());
        return 2;
    }
    return std::nullopt;
}

CliCommand ChosenCommand(const Subcommands& subcommands) {
    CliCommand chosen = CliCommand::ListDevices;
    for (const auto& [subcommand, command] : subcommands) {
        if (*subcommand) {
            chosen = command;
        }
    }
    return chosen;
}

// The chip and the timing asked for, checked against the command. Returns why
// they do not go together, or nothing.
std::optional<std::string> ApplyChip(std::string chipName, CliOptions& options) {
    const bool identifiesChip =
        IsChipOperation(options.command) || options.command == CliCommand::SelfTest;
    if (chipName.empty()) {
        chipName = identifiesChip ? kAutoChip : kClassicDefaultChip;
    }
    if (Lowered(chipName) == kAutoChip) {
        if (!identifiesChip && options.command != CliCommand::ListDevices) {
            return "--chip auto: program, erase and reset need a device; use identify to find it";
        }
    } else {
        options.device = FindDevice(chipName);
    }
    if (options.command == CliCommand::Program && options.device != nullptr &&
        !HasClassicCommands(*options.device)) {
        return "--chip " + chipName +
               ": program is for the PIC16F87x and PIC16F87xA; write programs the " +
               std::string(options.device->name);
    }
    if (options.fast && options.command == CliCommand::SelfTest) {
        return "--fast: the self-test runs every timing profile, the fast one too";
    }
    if (options.fast && !IsChipOperation(options.command) &&
        options.command != CliCommand::ListDevices) {
        return "--fast: program, erase and reset keep their standard waits; --fast is for "
               "identify, read, verify, blank-check and write";
    }
    if (options.device != nullptr) {
        options.chip = ClassicChipOf(*options.device);
    }
    return std::nullopt;
}

// Returns why the board cannot be used, or nothing.
std::optional<std::string> ApplyBoard(const std::string& boardName, CliOptions& options) {
    board::BoardChoice choice = board::ChooseAnyBoard(boardName);
    if (choice.board == nullptr && choice.ftdi == nullptr) {
        return (options.boardNamed ? "boards: " : "--board: ") + choice.problem;
    }
    if (choice.board != nullptr) {
        options.board = choice.board;
    }
    options.ftdiWiring = choice.ftdi;
    options.boardFile = std::move(choice.owned);
    return std::nullopt;
}

// Commands that reach no port: a board of either kind may be named.
bool ReachesPort(CliCommand command) {
    return command != CliCommand::ListDevices && command != CliCommand::Ports &&
           command != CliCommand::Boards;
}

std::optional<std::string> ApplySimulation(const RawArguments& raw, CliOptions& options) {
    options.simDevice = !raw.simChipName.empty()    ? FindDevice(raw.simChipName)
                        : options.device != nullptr ? options.device
                                                    : FindDevice(kClassicDefaultChip);
    if (!raw.simFaultName.empty()) {
        FaultChoice fault = *ParseFault(raw.simFaultName);
        options.simFault = fault.fault;
        options.simFaultAddress = fault.address;
    }
    SimBoardChoice simBoard = ChooseSimBoard(raw.simBoardName, *options.board);
    if (!simBoard.problem.empty()) {
        return simBoard.problem;
    }
    options.simBoard = simBoard.timing;
    options.simWiring = simBoard.wiring;
    options.simWiringFile = std::move(simBoard.owned);
    options.simChipSettings.configLatches = *sim::ConfigLatchesNamed(raw.simConfigLatches);
    options.simChipSettings.eepromEraseAtConfig =
        *sim::EepromEraseAtConfigNamed(raw.simEepromEraseAtConfig);
    options.simChipSettings.vppAfterRun = *sim::VppAfterRunNamed(raw.simVppAfterRun);
    options.simChipSettings.vddVolts = *sim::SupplyVoltageNamed(raw.simVdd);
    if (!raw.simStatePath.empty()) {
        options.simStatePath = raw.simStatePath;
    }
    return std::nullopt;
}

// An FTDI board runs the chip operations; the classic commands and the
// self-test are about a parallel port's accesses.
std::optional<std::string> ApplyFtdi(const RawArguments& raw, CliOptions& options) {
    options.ftdiDevice = FtdiSelector(raw.portName);
    if (!IsChipOperation(options.command) && ReachesPort(options.command)) {
        return "--port ftdi: program, erase, reset and selftest are for a parallel-port board; "
               "identify, read, verify, blank-check and write run over an FTDI board";
    }
    if (!raw.tracePath.empty()) {
        return "--trace records parallel-port accesses; it does not go with --port ftdi";
    }
    if (options.ftdiWiring == nullptr && raw.boardName != "default") {
        return "--board " + raw.boardName +
               " is a parallel-port board; --port ftdi takes a board on an FTDI chip (tallis-cli "
               "boards lists them)";
    }
    if (!raw.simBoardName.empty()) {
        return "--sim-board is a parallel-port board; the simulated FTDI board is --board's";
    }
    if (options.ftdiWiring == nullptr) {
        options.ftdiWiring = &board::kFt232rHighVoltage;
    }
    return std::nullopt;
}

// --lvp needs a PGM line, and the classic commands enter with VPP only.
std::optional<std::string> ApplyLowVoltage(const CliOptions& options) {
    if (!options.lowVoltage) {
        return std::nullopt;
    }
    const bool canEnter =
        options.ftdiDevice ? options.ftdiWiring->pgm.connected && options.ftdiWiring->run.connected
                           : options.board->pgm.Connected() && options.board->run.Connected();
    if (!canEnter) {
        return "--lvp: low-voltage programming needs a PGM line and a run line that takes MCLR "
               "to VDD, which this board lacks (--port ftdi --ftdi-wiring ft232r-lvp has both, "
               "a board file may give pgm and run)";
    }
    if (!IsChipOperation(options.command)) {
        return "--lvp: program, erase, reset and selftest enter with VPP; identify, read, "
               "verify, blank-check and write enter by low voltage";
    }
    return std::nullopt;
}

// Returns why the parallel port cannot be used, or nothing.
std::optional<std::string> ApplyPort(const std::string& portName, CliOptions& options) {
    const std::optional<PortChoice> port = ParsePort(portName);
    if (!port) {
        return "--port " + portName + ": several boards at once are parallel ports";
    }
    options.portBase = port->base;
    options.lptNumber = port->lptNumber;
    if (std::string problem = PcOwnedPortProblem(port->base);
        !problem.empty() && !options.forcePort) {
        return problem;
    }
    return std::nullopt;
}

// Several --port: one board each, for write; each checked as the first is.
std::optional<std::string> ApplyBoards(const std::vector<std::string>& portNames,
                                       CliOptions& options) {
    const unsigned faultyBoard = options.production.simFaultyBoard;
    if (faultyBoard > portNames.size() || (faultyBoard != 0 && portNames.size() < 2)) {
        return "--sim-fault-board " + std::to_string(faultyBoard) +
               ": names one of several --port, by its place";
    }
    if (portNames.size() < 2) {
        return std::nullopt;
    }
    if (options.command != CliCommand::Write) {
        return "several --port: only write runs on several boards at once";
    }
    if (options.simStatePath || options.tracePath) {
        return "--sim-state and --trace go with one --port";
    }
    for (const std::string& name : portNames) {
        CliOptions board = options;
        if (std::optional<std::string> problem = ApplyPort(name, board)) {
            return problem;
        }
        for (const BoardPort& other : options.production.boards) {
            if (other.base == board.portBase) {
                return "--port " + name + " is given twice";
            }
        }
        options.production.boards.push_back({board.portBase, board.lptNumber});
    }
    return std::nullopt;
}

void ApplyPaths(const RawArguments& raw, CliOptions& options) {
    if (!raw.blankScope.empty()) {
        options.blankScope = *ParseScope(raw.blankScope);
    }
    options.firmwarePath = raw.filePath;
    if (!raw.tracePath.empty()) {
        options.tracePath = raw.tracePath;
    }
    if (!raw.reportPath.empty()) {
        options.reportPath = raw.reportPath;
    }
    if (!raw.examplePath.empty()) {
        options.examplePath = raw.examplePath;
    }
}

// An option the chosen command would pass over: refused, so that nobody
// believes it did something.
std::optional<std::string> OptionWithoutEffect(const RawArguments& raw, CliCommand command,
                                               const CLI::App& app) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const std::string name = chosen.empty() ? std::string{} : chosen.front()->get_name();
    if (raw.listDevices && command != CliCommand::ListDevices) {
        return "--list-devices lists the devices and does nothing else; give it without " + name;
    }
    if (raw.noIdCheck && command != CliCommand::Program && command != CliCommand::Erase) {
        return "--no-id-check is for program and erase; " + name + " has no such check to skip";
    }
    return std::nullopt;
}

CliParseResult UsageError(const std::string& problem) {
    std::fprintf(stderr, "tallis-cli: %s\n", problem.c_str());
    return {std::nullopt, 2};
}

}  // namespace

CliParseResult ParseCliOptions(int argc, const char* const* argv) {
    CLI::App app{"Programs a PIC16F87x or PIC16F87xA through a parallel-port interface board.",
                 "tallis-cli"};
    DescribeProgram(app);
    RawArguments raw;
    CliOptions options;
    AddTargetOptions(app, raw);
    AddSimulationOptions(app, raw, options);
    AddRunOptions(app, raw, options);
    const Subcommands subcommands = AddSubcommands(app, raw, options);
    if (std::optional<int> exitCode = ParseArguments(app, argc, argv, raw)) {
        return {std::nullopt, *exitCode};
    }

    options.command = ChosenCommand(subcommands);
    if (std::optional<std::string> problem = OptionWithoutEffect(raw, options.command, app)) {
        return UsageError(*problem);
    }
    options.idCheck = !raw.noIdCheck;
    if (std::optional<std::string> problem = ApplyChip(raw.chipName, options)) {
        return UsageError(*problem);
    }
    options.boardNamed = !raw.shownBoard.empty();
    if (!raw.ftdiWiringName.empty()) {
        raw.boardName = raw.ftdiWiringName;
    }
    if (std::optional<std::string> problem =
            ApplyBoard(options.boardNamed ? raw.shownBoard : raw.boardName, options)) {
        return UsageError(*problem);
    }
    if (std::optional<std::string> problem = ApplySimulation(raw, options)) {
        return UsageError(*problem);
    }
    options.portDriver = *ParsePortDriver(raw.portDriverName);
    if (options.ftdiWiring != nullptr && !FtdiSelector(raw.portName) &&
        ReachesPort(options.command)) {
        return UsageError("--board " + raw.boardName +
                          " is a board on an FTDI chip: give --port ftdi (or ftdi:WHICH) with it");
    }
    if (std::optional<std::string> problem = FtdiSelector(raw.portName)
                                                 ? ApplyFtdi(raw, options)
                                                 : ApplyPort(raw.portName, options)) {
        return UsageError(*problem);
    }
    if (std::optional<std::string> problem = ApplyLowVoltage(options)) {
        return UsageError(*problem);
    }
    ApplyPaths(raw, options);
    if (std::optional<std::string> problem =
            raw.production.Apply(options.production, options.firmwarePath)) {
        return UsageError(*problem);
    }
    if (std::optional<std::string> problem = ApplyBoards(raw.portNames, options)) {
        return UsageError(*problem);
    }
    return {options, 0};
}

}  // namespace tallis
