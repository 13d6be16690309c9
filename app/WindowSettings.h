#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ProductionForm.h"
#include "portio/PortDriver.h"

namespace tallis {

// Where the windows keep their settings between runs: QSettings in the Qt
// program, a map in tests.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Value(std::string_view key) const = 0;
    virtual void SetValue(std::string_view key, const std::string& value) = 0;
};

class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> Value(std::string_view key) const override;
    void SetValue(std::string_view key, const std::string& value) override;

  private:
    std::map<std::string, std::string, std::less<>> values_;
};

struct WindowPosition {
    int x = 0;
    int y = 0;
    bool operator==(const WindowPosition&) const = default;
};

// What the main window remembers. A value that is missing or not understood
// when loading keeps its default.
struct WindowSettings {
    static constexpr std::size_t kMaxRecentFiles = 8;

    int portNumber = 1;  // 1 or 2 for LPT 1 / LPT 2, 0 for the port at portBase
    std::uint16_t portBase = 0x378;
    std::string chip = "16f877a";     // the chip buttons' choice
    std::string deviceChip = "auto";  // the Device commands' choice
    bool fastTiming = false;          // the Device commands at the fast timing
    std::string board = "default";    // a built-in board's name or a board file
    std::string
        ftdiDevice;  // with a board on an FTDI chip: what follows "ftdi:", empty for the only one
    PortDriver portDriver = PortDriver::Auto;  // Windows: used from the next start
    std::string lastFolder;
    std::vector<std::string> recentFiles;  // newest first
    std::optional<WindowPosition> position;
    // Device > Production's fields as they were at the last start, so that the
    // next day's run starts from the same log and serial number place.
    ProductionForm production;

    // Puts the file first, without duplicates, keeping at most kMaxRecentFiles.
    void AddRecentFile(const std::string& path);
    bool operator==(const WindowSettings&) const = default;
};

WindowSettings LoadWindowSettings(const SettingsStore& store);
void SaveWindowSettings(const WindowSettings& settings, SettingsStore& store);

}  // namespace tallis
