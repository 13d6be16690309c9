#include "ui/FileFilter.h"

namespace tallis {

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts.at(i + 1);
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << parts.at(i) + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

}  // namespace tallis
