#include "ui/CalibrationWindow.h"

#include <QCloseEvent>

#include "ui/Artwork.h"
#include "ui/UiFont.h"
#include "ui/WindowPlacement.h"

namespace tallis {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(UiFont(19));
    label->adjustSize();
    label->move(at);
    return label;
}

}  // namespace

CalibrationWindow::CalibrationWindow()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      CalibratingLabel(
          MakeLabel(this, "CalibratingLabel", QStringLiteral("Timer Calibrating....."), {56, 24})),
      DurationLabel(MakeLabel(this, "DurationLabel", QStringLiteral("3 sec"), {104, 64})) {
    setObjectName(QStringLiteral("CalibrationWindow"));
    setWindowTitle(QStringLiteral("Time calibrate"));
    setWindowIcon(ApplicationIcon());
    setFixedSize(279, 134);
    CentreOnScreen(*this);
}

void CalibrationWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace tallis
