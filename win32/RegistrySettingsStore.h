#pragma once

#include <string>

#include "app/WindowSettings.h"

namespace tallis::win32 {

// The settings kept under HKEY_CURRENT_USER\Software\TALLIS\<program> as
// string values, laid out as the Qt program's settings are on Windows: a key
// "window/x" is the value "x" of the subkey "window". Values are UTF-8 for the
// session and UTF-16 in the registry.
class RegistrySettingsStore : public SettingsStore {
  public:
    explicit RegistrySettingsStore(const std::wstring& program);

    std::optional<std::string> Value(std::string_view key) const override;
    void SetValue(std::string_view key, const std::string& value) override;

  private:
    std::wstring root_;
};

}  // namespace tallis::win32
