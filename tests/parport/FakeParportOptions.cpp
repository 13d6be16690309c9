#include "FakeParportOptions.h"

#include <cstdlib>
#include <string_view>

namespace tallis::testing {

namespace {

// A 16-bit number in C notation (0x378, 888); nothing else.
std::optional<std::uint16_t> ParseNumber(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    const unsigned long value = std::strtoul(copy.c_str(), &end, 0);
    if (*end != '\0' || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool ReadFault(std::string_view text, FakeParportOptions& options) {
    constexpr std::string_view kUnprogrammable = "unprogrammable:";
    if (text == "busy") {
        options.portFault = PortFault::Busy;
    } else if (text == "no-target") {
        options.boardFault = sim::BoardFault::NoTarget;
    } else if (text == "data-stuck-low") {
        options.boardFault = sim::BoardFault::DataStuckLow;
    } else if (text.starts_with(kUnprogrammable)) {
        options.unprogrammableWord = ParseNumber(text.substr(kUnprogrammable.size()));
        return options.unprogrammableWord.has_value();
    } else {
        return text.empty();
    }
    return true;
}

}  // namespace

FakeParportSetup ReadFakeParportOptions(const std::function<const char*(const char*)>& lookup) {
    FakeParportSetup setup;
    FakeParportOptions& options = setup.options;
    auto value = [&lookup](const char* name) -> std::string_view {
        const char* text = lookup(name);
        return text == nullptr ? std::string_view{} : std::string_view{text};
    };
    auto fail = [&setup](const char* name, std::string_view text) {
        setup.error = std::string(name) + " cannot be '" + std::string(text) + "'";
        return setup;
    };

    if (std::string_view chip = value("TALLIS_FAKE_PARPORT_CHIP"); chip == "16f877") {
        options.chip = sim::TargetType::Pic16F877;
    } else if (!chip.empty() && chip != "16f877a") {
        return fail("TALLIS_FAKE_PARPORT_CHIP", chip);
    }
    if (std::string_view base = value("TALLIS_FAKE_PARPORT_BASE"); !base.empty()) {
        std::optional<std::uint16_t> number = ParseNumber(base);
        if (!number) {
            return fail("TALLIS_FAKE_PARPORT_BASE", base);
        }
        options.base = *number;
    }
    if (std::string_view fault = value("TALLIS_FAKE_PARPORT_FAULT"); !ReadFault(fault, options)) {
        return fail("TALLIS_FAKE_PARPORT_FAULT", fault);
    }
    if (std::string_view writes = value("TALLIS_FAKE_PARPORT_INTERRUPT_AFTER"); !writes.empty()) {
        std::optional<std::uint16_t> number = ParseNumber(writes);
        if (!number) {
            return fail("TALLIS_FAKE_PARPORT_INTERRUPT_AFTER", writes);
        }
        options.interruptAfterWrites = *number;
    }
    options.statePath = value("TALLIS_FAKE_PARPORT_STATE");
    options.reportPath = value("TALLIS_FAKE_PARPORT_REPORT");
    return setup;
}

}  // namespace tallis::testing
