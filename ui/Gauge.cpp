#include "ui/Gauge.h"

#include <QPainter>
#include <algorithm>

namespace tallis {

namespace {
const QColor kBarColour(0, 0, 255);
const QColor kBackColour(255, 255, 255);
}  // namespace

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::SetProgress(int percent) {
    const int clamped = std::clamp(percent, 0, 100);
    if (clamped == progress_) {
        return;
    }
    progress_ = clamped;
    repaint();
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inner, kBackColour);
    QRect bar = inner;
    bar.setWidth(inner.width() * progress_ / 100);
    painter.fillRect(bar, kBarColour);
    // The frame as filled one-pixel edges, which stay inside the widget at any
    // scale factor (a drawn rectangle's right and bottom edges fall outside at 1.5).
    painter.fillRect(0, 0, width(), 1, Qt::black);
    painter.fillRect(0, height() - 1, width(), 1, Qt::black);
    painter.fillRect(0, 0, 1, height(), Qt::black);
    painter.fillRect(width() - 1, 0, 1, height(), Qt::black);

    // The text is drawn twice, so that the part over the bar reads white on
    // blue and the rest black on white.
    const QString text = QString::number(progress_) + QLatin1Char('%');
    painter.setFont(font());
    painter.setClipRect(inner);
    painter.setPen(Qt::black);
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipRect(bar);
    painter.setPen(kBackColour);
    painter.drawText(inner, Qt::AlignCenter, text);
}

}  // namespace tallis
