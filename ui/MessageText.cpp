#include "ui/MessageText.h"

namespace tallis {

QString DisplayText(const std::string& stored) {
    QString text = QString::fromUtf8(stored.data(), static_cast<qsizetype>(stored.size()));
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace tallis
