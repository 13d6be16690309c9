#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>

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

const std::map<std::string, ChipType>& ChipNames() {
    static const std::map<std::string, ChipType> names = {
        {"16f877", ChipType::Pic16F877},
        {"16f877a", ChipType::Pic16F877A},
    };
    return names;
}

ChipType ChipFromName(const std::string& name) {
    return ChipNames().at(Lowered(name));
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
    if (name.size() < 3 || name.compare(0, 2, "0x") != 0) {
        return std::nullopt;
    }
    unsigned long address = 0;
    const char* first = name.data() + 2;
    const char* last = name.data() + name.size();
    auto [end, error] = std::from_chars(first, last, address, 16);
    if (error != std::errc{} || end != last || address == 0 || address > 0xFFFD) {
        return std::nullopt;
    }
    return PortChoice{static_cast<std::uint16_t>(address), 0};
}

std::string CheckPort(const std::string& text) {
    if (ParsePort(text)) {
        return {};
    }
    return "must be lpt1, lpt2 or a hexadecimal I/O address 0x1 to 0xFFFD, got '" + text + "'";
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

CliParseResult ParseCliOptions(int argc, const char* const* argv) {
    CLI::App app{"Programs a PIC16F877 or PIC16F877A through a parallel-port interface board.",
                 "tallis-cli"};
    app.set_version_flag("--version", "tallis-cli " TALLIS_VERSION);
    app.footer(
        "Exit status: 0 the command completed; 1 the run reported an error, or the file has no "
        "end record; 2 bad options, an output file that is the input, or a file that cannot be "
        "read, is too large or cannot be created; 3 no access to the parallel port; 5 output "
        "(standard output or error, the trace, the simulated chip's memory) could not be "
        "written; 129, 130, 143 stopped by SIGHUP, SIGINT (Ctrl-C), SIGTERM at the next safe "
        "point, with the programming voltage off.");
    // Windows builds would take "/path/file.hex" for an option otherwise.
    app.allow_windows_style_options(false);
    app.require_subcommand(1, 1);
    app.fallthrough();

    std::string chipName = "16f877a";
    std::string portName = "lpt1";
    std::string simChipName;
    std::string simStatePath;
    std::string tracePath;
    CliOptions options;

    const auto chipCheck = CLI::IsMember(ChipNames(), CLI::ignore_case);
    app.add_option("--chip", chipName, "chip type: 16f877 or 16f877a (default 16f877a)")
        ->check(chipCheck)
        ->type_name("");
    app.add_option("--port", portName,
                   "parallel port: lpt1 (0x378, default), lpt2 (0x278) or any base I/O "
                   "address 0xADDR, e.g. a PCI card's")
        ->check(CheckPort, "lpt1|lpt2|0xADDR")
        ->type_name("");
    CLI::Option* sim = app.add_flag(
        "--sim", options.simulate,
        "drive a simulated interface board and chip at that port instead of the hardware");
    app.add_option("--sim-chip", simChipName,
                   "with --sim: type of the simulated chip (default: same as --chip)")
        ->check(chipCheck)
        ->type_name("")
        ->needs(sim);
    app.add_option("--sim-state", simStatePath,
                   "with --sim: load the simulated chip's memory from FILE if it exists, save it "
                   "there afterwards (Intel HEX)")
        ->type_name("FILE")
        ->needs(sim);
    std::string simBoardName = "ideal";
    app.add_option("--sim-board", simBoardName,
                   "with --sim: the interface board: ideal (default) or slow (RB7 rises in 5 us, "
                   "VPP in 50 us)")
        ->check(CLI::IsMember({"ideal", "slow"}))
        ->type_name("")
        ->needs(sim);
    app.add_flag("--real-time", options.realTime,
                 "with --sim: pace the simulated chip by the real timer instead of virtual time")
        ->needs(sim);
    app.add_option("--trace", tracePath,
                   "write every port access and wait to FILE, one per line: \"W 0378 0A\", "
                   "\"R 0379 40\", \"D 60\" (microseconds asked of Delay)")
        ->type_name("FILE");
    app.add_flag("--force-port", options.forcePort,
                 "take a --port address even where the PC's own devices answer (system board, "
                 "disk, serial, display, PCI configuration)");
    app.add_flag("-q,--quiet", options.quiet,
                 "no progress bar, and no line saying what erase or reset did");

    CLI::App* program = app.add_subcommand(
        "program",
        "erase, program and verify FILE, write the configuration word, reset the target");
    std::string firmwarePath;
    program->add_option("FILE", firmwarePath, "Intel HEX firmware file")->required();
    CLI::App* erase = app.add_subcommand("erase", "erase the chip");
    CLI::App* reset = app.add_subcommand("reset", "pulse the target's reset so that it runs");
    CLI::App* ports = app.add_subcommand(
        "ports", "list this machine's parallel ports and how tallis-cli would reach each");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return {std::nullopt, app.exit(e)};  // help or version
        }
        std::fprintf(stderr, "tallis-cli: %s\nRun with --help for more information.\n", e.what());
        return {std::nullopt, 2};
    }

    if (*program) {
        options.command = CliCommand::Program;
        options.firmwarePath = firmwarePath;
    } else if (*erase) {
        options.command = CliCommand::Erase;
    } else if (*reset) {
        options.command = CliCommand::Reset;
    } else if (*ports) {
        options.command = CliCommand::Ports;
    }
    options.chip = ChipFromName(chipName);
    options.simChip = simChipName.empty() ? options.chip : ChipFromName(simChipName);
    PortChoice port = *ParsePort(portName);
    options.portBase = port.base;
    options.lptNumber = port.lptNumber;
    options.simBoard = *sim::BoardTimingNamed(simBoardName);
    if (std::string problem = PcOwnedPortProblem(port.base);
        !problem.empty() && !options.forcePort) {
        std::fprintf(stderr, "tallis-cli: %s\n", problem.c_str());
        return {std::nullopt, 2};
    }
    if (!simStatePath.empty()) {
        options.simStatePath = simStatePath;
    }
    if (!tracePath.empty()) {
        options.tracePath = tracePath;
    }
    return {options, 0};
}

}  // namespace tallis
