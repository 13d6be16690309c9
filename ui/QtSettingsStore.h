#pragma once

#include <QSettings>

#include "app/WindowSettings.h"

namespace tallis {

// The windows' settings in the desktop's usual place (QSettings), one set for
// each program.
class QtSettingsStore : public SettingsStore {
  public:
    explicit QtSettingsStore(const QString& program);

    std::optional<std::string> Value(std::string_view key) const override;
    void SetValue(std::string_view key, const std::string& value) override;

  private:
    QSettings settings_;
};

}  // namespace tallis
