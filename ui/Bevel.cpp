#include "ui/Bevel.h"

#include <QPainter>

namespace tallis {

TBevel::TBevel(Shape shape, Style style, QWidget* parent)
    : QWidget(parent), shape_(shape), style_(style) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor first = palette().color(QPalette::Dark);
    QColor second = palette().color(QPalette::Light);
    if (style_ == Style::Raised) {
        std::swap(first, second);
    }
    const int right = width() - 1;
    const int bottom = height() - 1;
    if (shape_ == Shape::BottomLine) {
        painter.setPen(first);
        painter.drawLine(0, bottom - 1, right, bottom - 1);
        painter.setPen(second);
        painter.drawLine(0, bottom, right, bottom);
        return;
    }
    // Top and left edges in the first colour, bottom and right in the second.
    painter.setPen(first);
    painter.drawLine(0, 0, right, 0);
    painter.drawLine(0, 0, 0, bottom);
    painter.setPen(second);
    painter.drawLine(0, bottom, right, bottom);
    painter.drawLine(right, 0, right, bottom);
}

}  // namespace tallis
