#pragma once

#include <QPushButton>
#include <QRect>
#include <Qt>

namespace tallis {

// The two small dialogs: a caption bar with a close box, not sizable.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;

// The dialogs' "OK" button (BitBtn1): check-mark glyph, the default button.
QPushButton* MakeOkButton(QWidget* parent, QRect geometry);

}  // namespace tallis
