#include "app/ProductionForm.h"

#include <charconv>
#include <cstdio>

namespace tallis {

namespace {

std::optional<unsigned> Count(const std::string& text) {
    unsigned value = 0;
    if (text.empty()) {
        return value;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<SerialPlan> ReadSerial(const ProductionForm& form, std::string& problem) {
    SerialPlan plan;
    if (!ParseSerialStart(form.serialStart, plan)) {
        problem = "The serial number must be START or START:STEP in decimal, STEP at least 1";
        return std::nullopt;
    }
    if (form.serialAt.empty()) {
        problem = "Say where the serial number goes: id, eeprom:ADDR or retlw:ADDR";
        return std::nullopt;
    }
    const std::optional<SerialLocation> at = ParseSerialLocation(form.serialAt, problem);
    const std::optional<SerialFormat> format = ParseSerialFormat(form.serialFormat);
    if (!at) {
        return std::nullopt;
    }
    if (!format) {
        problem = "The serial number's format must be dec, hex or bcd";
        return std::nullopt;
    }
    plan.at = *at;
    plan.format = *format;
    return plan;
}

}  // namespace

std::optional<ProductionChoice> ReadProductionForm(const ProductionForm& form,
                                                   const std::filesystem::path& firmware,
                                                   std::string& problem) {
    ProductionChoice choice;
    const std::optional<unsigned> count = Count(form.count);
    if (!count) {
        problem = "The count must be a whole number of chips (0: until stopped)";
        return std::nullopt;
    }
    choice.count = *count;
    if (!form.serialStart.empty()) {
        choice.records.serial = ReadSerial(form, problem);
        if (!choice.records.serial) {
            return std::nullopt;
        }
        choice.records.serialFile = form.serialFile.empty()
                                        ? DefaultSerialFile(firmware)
                                        : std::filesystem::path(form.serialFile);
        choice.records.serialOverwrite = form.serialOverwrite;
    }
    if (!form.logPath.empty()) {
        choice.records.logPath = std::filesystem::path(form.logPath);
        choice.records.logFormat = form.csv ? LogFormat::Csv : LogFormat::JsonLines;
    }
    return choice;
}

std::filesystem::path LogDialogFolder(const ProductionForm& form,
                                      const std::filesystem::path& firmware) {
    return (form.logPath.empty() ? firmware : std::filesystem::path(form.logPath)).parent_path();
}

std::string ProductionPortLabel(std::uint16_t base, int lptNumber, bool simulated) {
    char address[16];
    std::snprintf(address, sizeof address, "0x%03X", unsigned{base});
    std::string label =
        lptNumber != 0 ? "lpt" + std::to_string(lptNumber) + " (" + address + ")" : address;
    return simulated ? label + " simulated" : label;
}

std::string FtdiPortLabel(const std::string& selector, bool simulated) {
    const std::string label = selector.empty() ? "ftdi" : "ftdi:" + selector;
    return simulated ? label + " simulated" : label;
}

}  // namespace tallis
