#include "ui/Bevel.h"

#include <QPainter>

namespace tallis {

Bevel::Bevel(Shape shape, Style style, QWidget* parent)
    : QWidget(parent), shape_(shape), style_(style) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Bevel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor first = palette().color(QPalette::Dark);
    QColor second = palette().color(QPalette::Light);
    if (style_ == Style::Raised) {
        std::swap(first, second);
    }
    // Filled one-pixel rectangles rather than lines: at a fractional scale
    // factor they still cover whole device pixels inside the widget.
    const int right = width() - 1;
    const int bottom = height() - 1;
    if (shape_ == Shape::BottomLine) {
        painter.fillRect(0, bottom - 1, width(), 1, first);
        painter.fillRect(0, bottom, width(), 1, second);
        return;
    }
    // Top and left edges in the first colour, bottom and right in the second.
    painter.fillRect(0, 0, width(), 1, first);
    painter.fillRect(0, 0, 1, height(), first);
    painter.fillRect(0, bottom, width(), 1, second);
    painter.fillRect(right, 0, 1, height(), second);
}

}  // namespace tallis
