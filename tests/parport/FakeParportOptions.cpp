#include "FakeParportOptions.h"

#include <cstdlib>
#include <string_view>
#include <utility>

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

// Each reader takes a variable's text, which is not empty.
bool ReadChip(std::string_view text, FakeParportOptions& options) {
    if (text == "16f877") {
        options.chip = sim::TargetType::Pic16F877;
    }
    return text == "16f877" || text == "16f877a";
}

bool ReadBase(std::string_view text, FakeParportOptions& options) {
    std::optional<std::uint16_t> number = ParseNumber(text);
    options.base = number.value_or(options.base);
    return number.has_value();
}

bool ReadBoard(std::string_view text, FakeParportOptions& options) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (const std::optional<sim::BoardTiming> timing = sim::BoardTimingNamed(item)) {
            options.board = *timing;
            continue;
        }
        board::BoardChoice wiring = board::ChooseBoard(item);
        if (wiring.board == nullptr) {
            return false;
        }
        options.wiring = wiring.board;
        options.wiringFile = std::move(wiring.owned);
    }
    return true;
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
        return false;
    }
    return true;
}

bool ReadInterrupt(std::string_view text, FakeParportOptions& options) {
    std::optional<std::uint16_t> number = ParseNumber(text);
    if (number) {
        options.interruptAfterWrites = *number;
    }
    return number.has_value();
}

}  // namespace

FakeParportSetup ReadFakeParportOptions(const std::function<const char*(const char*)>& lookup) {
    using Reader = bool (*)(std::string_view, FakeParportOptions&);
    static constexpr std::pair<const char*, Reader> kReaders[] = {
        {"TALLIS_FAKE_PARPORT_CHIP", ReadChip},
        {"TALLIS_FAKE_PARPORT_BASE", ReadBase},
        {"TALLIS_FAKE_PARPORT_BOARD", ReadBoard},
        {"TALLIS_FAKE_PARPORT_FAULT", ReadFault},
        {"TALLIS_FAKE_PARPORT_INTERRUPT_AFTER", ReadInterrupt},
    };
    auto value = [&lookup](const char* name) -> std::string_view {
        const char* text = lookup(name);
        return text == nullptr ? std::string_view{} : std::string_view{text};
    };

    FakeParportSetup setup;
    for (const auto& [name, reader] : kReaders) {
        const std::string_view text = value(name);
        if (!text.empty() && !reader(text, setup.options)) {
            setup.error = std::string(name) + " cannot be '" + std::string(text) + "'";
            return setup;
        }
    }
    setup.options.statePath = value("TALLIS_FAKE_PARPORT_STATE");
    setup.options.reportPath = value("TALLIS_FAKE_PARPORT_REPORT");
    return setup;
}

}  // namespace tallis::testing
