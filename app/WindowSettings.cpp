#include "app/WindowSettings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/PortAddress.h"

namespace tallis {

namespace {

constexpr char kRecentSeparator = '\n';

// "lpt1", "lpt2" or "0x3BC": the command-line tool's --port words.
std::string PortText(int portNumber, std::uint16_t portBase) {
    if (portNumber == 1 || portNumber == 2) {
        return "lpt" + std::to_string(portNumber);
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", unsigned{portBase});
    return text;
}

void LoadPort(const std::string& text, WindowSettings& settings) {
    if (text == "lpt1" || text == "lpt2") {
        settings.portNumber = text.back() - '0';
        settings.portBase = settings.portNumber == 1 ? 0x378 : 0x278;
    } else if (text.starts_with("0x")) {
        if (std::optional<std::uint16_t> base = CheckPortAddress(text).base) {
            settings.portNumber = 0;
            settings.portBase = *base;
        }
    }
}

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc{} || end != last || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> SplitRecent(const std::string& joined) {
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start < joined.size() && files.size() < WindowSettings::kMaxRecentFiles) {
        std::size_t end = joined.find(kRecentSeparator, start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        if (end > start) {
            files.push_back(joined.substr(start, end - start));
        }
        start = end + 1;
    }
    return files;
}

ProductionForm LoadProductionForm(const SettingsStore& store) {
    ProductionForm form;
    const auto text = [&store](std::string_view key) {
        return store.Value(std::string("production/") + std::string(key)).value_or("");
    };
    form.count = text("count");
    form.logPath = text("log");
    form.csv = text("logFormat") == "csv";
    form.serialStart = text("serialStart");
    form.serialAt = text("serialAt");
    if (const std::string format = text("serialFormat"); format == "hex" || format == "bcd") {
        form.serialFormat = format;
    }
    form.serialFile = text("serialFile");
    form.serialOverwrite = text("serialOverwrite") == "true";
    return form;
}

void SaveProductionForm(const ProductionForm& form, SettingsStore& store) {
    store.SetValue("production/count", form.count);
    store.SetValue("production/log", form.logPath);
    store.SetValue("production/logFormat", form.csv ? "csv" : "jsonl");
    store.SetValue("production/serialStart", form.serialStart);
    store.SetValue("production/serialAt", form.serialAt);
    store.SetValue("production/serialFormat", form.serialFormat);
    store.SetValue("production/serialFile", form.serialFile);
    store.SetValue("production/serialOverwrite", form.serialOverwrite ? "true" : "false");
}

}  // namespace

std::optional<std::string> MemorySettingsStore::Value(std::string_view key) const {
    auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void MemorySettingsStore::SetValue(std::string_view key, const std::string& value) {
    values_.insert_or_assign(std::string(key), value);
}

void WindowSettings::AddRecentFile(const std::string& path) {
    std::erase(recentFiles, path);
    recentFiles.insert(recentFiles.begin(), path);
    if (recentFiles.size() > kMaxRecentFiles) {
        recentFiles.resize(kMaxRecentFiles);
    }
}

WindowSettings LoadWindowSettings(const SettingsStore& store) {
    WindowSettings settings;
    if (auto port = store.Value("port")) {
        LoadPort(*port, settings);
    }
    if (auto chip = store.Value("chip"); chip == "16f877" || chip == "16f877a") {
        settings.chip = *chip;
    }
    if (auto deviceChip = store.Value("deviceChip"); deviceChip && !deviceChip->empty()) {
        settings.deviceChip = *deviceChip;
    }
    settings.fastTiming = store.Value("fastTiming") == "true";
    if (auto board = store.Value("board"); board && !board->empty()) {
        settings.board = *board;
    }
    settings.ftdiDevice = store.Value("ftdiDevice").value_or("");
    if (auto driver = ParsePortDriver(store.Value("portDriver").value_or(""))) {
        settings.portDriver = *driver;
    }
    settings.lastFolder = store.Value("lastFolder").value_or("");
    settings.recentFiles = SplitRecent(store.Value("recentFiles").value_or(""));
    settings.production = LoadProductionForm(store);
    auto x = ParseInt(store.Value("window/x").value_or(""));
    auto y = ParseInt(store.Value("window/y").value_or(""));
    if (x && y) {
        settings.position = WindowPosition{*x, *y};
    }
    return settings;
}

void SaveWindowSettings(const WindowSettings& settings, SettingsStore& store) {
    store.SetValue("port", PortText(settings.portNumber, settings.portBase));
    store.SetValue("chip", settings.chip);
    store.SetValue("deviceChip", settings.deviceChip);
    store.SetValue("fastTiming", settings.fastTiming ? "true" : "false");
    store.SetValue("board", settings.board);
    store.SetValue("ftdiDevice", settings.ftdiDevice);
    store.SetValue("portDriver", std::string(PortDriverName(settings.portDriver)));
    store.SetValue("lastFolder", settings.lastFolder);
    std::string recent;
    for (const std::string& file : settings.recentFiles) {
        recent += (recent.empty() ? "" : std::string(1, kRecentSeparator)) + file;
    }
    store.SetValue("recentFiles", recent);
    SaveProductionForm(settings.production, store);
    if (settings.position) {
        store.SetValue("window/x", std::to_string(settings.position->x));
        store.SetValue("window/y", std::to_string(settings.position->y));
    }
}

}  // namespace tallis
