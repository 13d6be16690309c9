#include "ui/DialogParts.h"

#include "ui/Artwork.h"

namespace tallis {

QPushButton* MakeOkButton(QWidget* parent, QRect geometry) {
    auto* button = new QPushButton(OkGlyph(), QStringLiteral("OK"), parent);
    button->setObjectName(QStringLiteral("OkButton"));
    button->setGeometry(geometry);
    button->setDefault(true);
    button->setAutoDefault(true);
    return button;
}

}  // namespace tallis
