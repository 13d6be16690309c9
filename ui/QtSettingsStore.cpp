#include "ui/QtSettingsStore.h"

namespace tallis {

namespace {

QString KeyOf(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& program)
    : settings_(QStringLiteral("TALLIS"), program) {}

std::optional<std::string> QtSettingsStore::Value(std::string_view key) const {
    const QVariant value = settings_.value(KeyOf(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void QtSettingsStore::SetValue(std::string_view key, const std::string& value) {
    settings_.setValue(KeyOf(key), QString::fromStdString(value));
}

}  // namespace tallis
