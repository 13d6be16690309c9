#include "cli/ProductionOptionParser.h"

#include "app/ProductionRecords.h"
#include "app/SimTarget.h"

namespace tallis {

namespace {

// "CHIPS[:PRESENT_MS:ABSENT_MS]".
bool ParseInsertions(const std::string& text, ProductionOptions& options) {
    const std::optional<SimInsertions> insertions = ParseSimInsertions(text);
    if (!insertions) {
        return false;
    }
    options.simChips = insertions->chips;
    options.simPresentMs = insertions->presentMs;
    options.simAbsentMs = insertions->absentMs;
    return true;
}

constexpr const char* kChecksumRule =
    "Checksum (identify --checksum, read, verify, write): the sum, kept to 16 bits, of every "
    "program memory word of the chip (a word the file does not hold counts as erased, 3FFF) "
    "plus the configuration word ANDed with the bits the chip implements (87x: 3BFF, 87xA: "
    "2FCF); IDs and EEPROM do not count. Four hexadecimal digits. For a file that "
    "code-protects the chip it is computed from the file, and the line says so.";

}  // namespace

void ProductionOptionParser::Add(CLI::App& app, CLI::App& identify, CLI::App& write,
                                 CLI::Option* sim) {
    app.footer(app.get_footer() + "\n\n" + kChecksumRule);
    write.footer(kChecksumRule);
    identify.add_flag("--checksum", given_.identifyChecksum,
                      "also read program memory and the configuration word and show their "
                      "checksum (see write --help)");
    write.add_flag("--repeat", given_.repeat,
                   "production: write and verify chip after chip, each once it is inserted "
                   "(identify reads a device ID again after the last one was removed), until "
                   "Ctrl-C or --count; one line per chip, a failed chip does not stop the run");
    write.add_option("--count", given_.count, "with --repeat: stop after N chips")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    write.add_flag("--stop-on-failure", given_.stopOnFailure,
                   "with --repeat: end the run at the first chip that fails");
    write
        .add_option("--serial", serial_,
                    "a serial number in each chip, from START, STEP (default 1) further for "
                    "each chip that verified; the counter lives in --serial-file")
        ->type_name("START[:STEP]");
    write
        .add_option("--serial-at", serialAt_,
                    "where the serial number goes: id (the four ID words, 7 bits each, most "
                    "significant first), eeprom:ADDR[:BYTES][:be] (data EEPROM from hexadecimal "
                    "ADDR, BYTES bytes (4), least significant first unless be) or "
                    "retlw:ADDR[:BYTES][:be] (program words from ADDR, each RETLW of a byte, "
                    "0x34nn)")
        ->type_name("LOCATION");
    write
        .add_option("--serial-format", serialFormat_,
                    "how the number becomes bytes: dec (ASCII digits, zero-padded; the default), "
                    "hex (binary) or bcd (two digits a byte; one an ID word)")
        ->check(CLI::IsMember({"dec", "hex", "bcd"}))
        ->type_name("dec|hex|bcd");
    write
        .add_option("--serial-file", serialFile_,
                    "the counter's file (default: beside FILE, with .serial for .hex); locked "
                    "for the run, written whole; a number written into a chip that had not "
                    "verified when a run ended is never used again")
        ->type_name("FILE");
    write.add_flag("--serial-overwrite", given_.serialOverwrite,
                   "put the serial number where the file itself has data (refused otherwise)");
    write
        .add_option("--log", logPath_,
                    "append a line per chip to FILE: time (UTC), board, port, device and "
                    "revision, the HEX file's name and SHA-256, serial number, checksum, result, "
                    "first difference, duration; each line whole, flushed to the disk")
        ->type_name("FILE");
    write.add_option("--log-format", logFormat_, "jsonl (JSON Lines, the default) or csv")
        ->check(CLI::IsMember({"jsonl", "csv"}))
        ->type_name("jsonl|csv");
    app.add_option("--sim-insertions", simInsertions_,
                   "with --sim: the socket holds CHIPS new blank chips one after another, each "
                   "for PRESENT_MS (default 2000) and then empty for ABSENT_MS (default 1000), "
                   "then stays empty")
        ->type_name("CHIPS[:PRESENT_MS:ABSENT_MS]")
        ->needs(sim);
    app.add_option("--sim-fault-board", given_.simFaultyBoard,
                   "with several --port: only the board of the Nth --port has the --sim-fault")
        ->type_name("N")
        ->check(CLI::PositiveNumber)
        ->needs(sim);
    app.add_option("--sim-fault-chip", given_.simFaultyChip,
                   "with --sim-insertions: only the Nth chip inserted has the --sim-fault word "
                   "fault")
        ->type_name("N")
        ->check(CLI::PositiveNumber)
        ->needs(sim);
}

std::optional<std::string> ProductionOptionParser::ApplySerial(
    ProductionOptions& options, const std::filesystem::path& firmware) const {
    if (serial_.empty()) {
        if (!serialAt_.empty() || !serialFile_.empty() || options.serialOverwrite) {
            return std::string(
                "--serial-at, --serial-file and --serial-overwrite go with --serial");
        }
        return std::nullopt;
    }
    SerialPlan plan;
    if (!ParseSerialStart(serial_, plan)) {
        return "--serial must be START[:STEP] in decimal, STEP at least 1, got '" + serial_ + "'";
    }
    if (serialAt_.empty()) {
        return std::string("--serial needs --serial-at: where the number goes in the chip");
    }
    std::string problem;
    const std::optional<SerialLocation> at = ParseSerialLocation(serialAt_, problem);
    if (!at) {
        return problem;
    }
    plan.at = *at;
    plan.format = *ParseSerialFormat(serialFormat_);
    options.serial = plan;
    options.serialFile =
        serialFile_.empty() ? DefaultSerialFile(firmware) : std::filesystem::path(serialFile_);
    return std::nullopt;
}

std::optional<std::string> ProductionOptionParser::Apply(
    ProductionOptions& options, const std::filesystem::path& firmware) const {
    options = given_;
    if (std::optional<std::string> problem = ApplySerial(options, firmware)) {
        return problem;
    }
    if (!logPath_.empty()) {
        options.logPath = logPath_;
        options.logFormat = logFormat_ == "csv" ? LogFormat::Csv : LogFormat::JsonLines;
    }
    if (!simInsertions_.empty() && !ParseInsertions(simInsertions_, options)) {
        return std::string("--sim-insertions ") + kSimInsertionsRule + ", got '" + simInsertions_ +
               "'";
    }
    if ((options.count != 0 || options.stopOnFailure) && !options.repeat) {
        return std::string("--count and --stop-on-failure go with write --repeat");
    }
    if (options.simFaultyChip != 0 && options.simChips == 0) {
        return std::string("--sim-fault-chip goes with --sim-insertions");
    }
    return std::nullopt;
}

}  // namespace tallis
