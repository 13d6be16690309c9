#include "cli/ProductionOptionParser.h"

namespace tallis {

namespace {

constexpr const char* kChecksumRule =
    "Checksum (identify --checksum, read, verify, write): the sum, kept to 16 bits, of every "
    "program memory word of the chip (a word the file does not hold counts as erased, 3FFF) "
    "plus the configuration word ANDed with the bits the chip implements (87x: 3BFF, 87xA: "
    "2FCF); IDs and EEPROM do not count. Four hexadecimal digits. For a file that "
    "code-protects the chip it is computed from the file, and the line says so.";

}  // namespace

void ProductionOptionParser::Add(CLI::App& app, CLI::App& identify, CLI::App& write,
                                 CLI::Option* /*sim*/) {
    app.footer(app.get_footer() + "\n\n" + kChecksumRule);
    write.footer(kChecksumRule);
    identify.add_flag("--checksum", given_.identifyChecksum,
                      "also read program memory and the configuration word and show their "
                      "checksum (see write --help)");
}

std::optional<std::string> ProductionOptionParser::Apply(ProductionOptions& options) const {
    options = given_;
    return std::nullopt;
}

}  // namespace tallis
