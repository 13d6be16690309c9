#pragma once

#include <QPushButton>
#include <QRect>
#include <QString>
#include <Qt>
#include <string_view>

namespace tallis {

// The two small dialogs: a caption bar with a close box, not sizable.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;

// A control with its object name (what tests and the screenshot tool find it
// by) in its place.
template <typename Widget>
Widget* Named(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

// One of the front ends' shared texts (UTF-8), for a Qt control.
inline QString QtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialogs' "OK" button: check-mark glyph, the default button.
QPushButton* MakeOkButton(QWidget* parent, QRect geometry);

}  // namespace tallis
