#include "ftdi/FtdiSelector.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tallis::ftdi {

namespace {

std::optional<int> Number(std::string_view text, int base) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string PortsText(std::span<const FtdiListing> devices) {
    std::string text;
    for (const FtdiListing& listing : devices) {
        text += (text.empty() ? "" : ", ") + std::string("ftdi:") +
                (listing.serial.empty() ? std::to_string(listing.index) : listing.serial);
    }
    return text;
}

}  // namespace

FtdiSelector ParseFtdiSelector(std::string_view text) {
    FtdiSelector selector;
    if (text.size() >= 2 && text[text.size() - 2] == ':') {
        const char channel =
            static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
        if (channel >= 'A' && channel <= 'D') {
            selector.channel = 1 + (channel - 'A');
            text.remove_suffix(2);
        }
    }
    const std::size_t colon = text.find(':');
    if (text.empty()) {
        selector.by = FtdiSelector::By::Only;
    } else if (const auto index = Number(text, 10)) {
        selector.by = FtdiSelector::By::Index;
        selector.index = *index;
    } else if (colon != std::string_view::npos && Number(text.substr(0, colon), 16) &&
               Number(text.substr(colon + 1), 16)) {
        selector.by = FtdiSelector::By::Ids;
        selector.vid = *Number(text.substr(0, colon), 16);
        selector.pid = *Number(text.substr(colon + 1), 16);
    } else {
        selector.by = FtdiSelector::By::Serial;
        selector.serial = std::string(text);
    }
    return selector;
}

std::optional<std::size_t> ChooseFtdiDevice(const FtdiSelector& selector,
                                            std::span<const FtdiListing> devices,
                                            std::string& problem) {
    if (devices.empty()) {
        problem = "no FTDI device found: check the cable, and that the module is an FTDI one";
        return std::nullopt;
    }
    const auto place = [&](auto matches) -> std::optional<std::size_t> {
        const auto found = std::ranges::find_if(devices, matches);
        if (found == devices.end()) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(found - devices.begin());
    };
    switch (selector.by) {
        case FtdiSelector::By::Only:
        case FtdiSelector::By::Ids:
            if (devices.size() > 1) {
                problem = "several FTDI devices: choose one with --port " + PortsText(devices);
                return std::nullopt;
            }
            return 0;
        case FtdiSelector::By::Index:
            if (auto found =
                    place([&](const FtdiListing& l) { return l.index == selector.index; })) {
                return found;
            }
            problem = "no FTDI device number " + std::to_string(selector.index) +
                      "; there are: " + PortsText(devices);
            return std::nullopt;
        case FtdiSelector::By::Serial:
            if (auto found =
                    place([&](const FtdiListing& l) { return l.serial == selector.serial; })) {
                return found;
            }
            problem = "no FTDI device with serial number " + selector.serial +
                      "; there are: " + PortsText(devices);
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tallis::ftdi
