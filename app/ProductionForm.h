#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/ProductionRecords.h"

namespace tallis {

// The production window's fields as typed: the same choices as write's
// production options on the command line.
struct ProductionForm {
    std::string count;    // empty or 0: until stopped
    std::string logPath;  // empty: no log
    bool csv = false;
    std::string serialStart;  // START[:STEP]; empty: no serial number
    std::string serialAt;     // as --serial-at
    std::string serialFormat = "dec";
    std::string serialFile;  // empty: beside the HEX file
    bool serialOverwrite = false;

    bool operator==(const ProductionForm&) const = default;
};

// What a desktop production run is asked for.
struct ProductionChoice {
    unsigned count = 0;  // chips to write; 0: until stopped
    ProductionRecordSettings records;
};

// The form's choice for a run with the file at firmware, or nothing with
// why not, in the form's words.
std::optional<ProductionChoice> ReadProductionForm(const ProductionForm& form,
                                                   const std::filesystem::path& firmware,
                                                   std::string& problem);

// Where the log's file dialog opens: the folder of the log already chosen,
// else the HEX file's.
std::filesystem::path LogDialogFolder(const ProductionForm& form,
                                      const std::filesystem::path& firmware);

// "lpt1 (0x378)" or "0x3BC", and " simulated" for a simulated board: the
// port as the log names it.
std::string ProductionPortLabel(std::uint16_t base, int lptNumber, bool simulated);
// The same for an FTDI device: "ftdi:SERIAL", "ftdi" for the only one.
std::string FtdiPortLabel(const std::string& selector, bool simulated);

}  // namespace tallis
