#include "ui/Artwork.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <array>
#include <functional>

namespace tallis {

namespace {

// The sixteen colours of the classic palette that the pictures keep to.
namespace colour {
const QColor kBlack(0, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kOlive(128, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kGray(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kRed(255, 0, 0);
const QColor kLime(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
}  // namespace colour

using Painting = std::function<void(QPainter&)>;

QPixmap Paint(int size, const Painting& paint) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(painter);
    return pixmap;
}

// The greyed image of a disabled button: every drawn pixel becomes dark grey
// with a white copy one pixel down and to the right, as if etched.
QPixmap Etched(const QPixmap& glyph) {
    const QImage source = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage etched(source.size(), QImage::Format_ARGB32);
    etched.fill(Qt::transparent);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(source.pixel(x, y)) < 128) {
                continue;
            }
            if (x + 1 < etched.width() && y + 1 < etched.height()) {
                etched.setPixel(x + 1, y + 1, colour::kWhite.rgba());
            }
        }
    }
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(source.pixel(x, y)) >= 128) {
                etched.setPixel(x, y, colour::kGray.rgba());
            }
        }
    }
    return QPixmap::fromImage(etched);
}

QIcon Glyph(int size, const Painting& paint) {
    const QPixmap normal = Paint(size, paint);
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Etched(normal), QIcon::Disabled);
    return icon;
}

void DrawChip(QPainter& p, const QRect& body, int pins, int pitch) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour::kSilver);
    for (int i = 0; i < pins; ++i) {
        const int x = body.left() + 2 + i * pitch;
        p.drawRect(x, body.top() - 2, pitch / 2, 2);
        p.drawRect(x, body.bottom() + 1, pitch / 2, 2);
    }
    p.setBrush(colour::kBlack);
    p.drawRect(body);
}

}  // namespace

QPixmap ProgrammerPicture() {
    return Paint(100, [](QPainter& p) {
        p.fillRect(0, 0, 100, 100, colour::kWhite);

        // The interface board.
        p.setPen(colour::kGreen);
        p.setBrush(colour::kGreen);
        p.drawRect(4, 54, 91, 41);
        p.setPen(colour::kLime);
        p.setBrush(Qt::NoBrush);
        p.drawRect(6, 56, 87, 37);

        // The target chip in its 40-pin package, notch to the left.
        DrawChip(p, QRect(20, 68, 66, 14), 16, 4);
        p.setBrush(colour::kGray);
        p.drawPie(17, 72, 6, 6, 90 * 16, -180 * 16);
        QFont label;
        label.setPixelSize(9);
        label.setBold(true);
        p.setFont(label);
        p.setPen(colour::kWhite);
        p.drawText(QRect(24, 68, 60, 14), Qt::AlignCenter, QStringLiteral("16F877A"));

        // The PC's connector and its cable: clock, data and MCLR.
        p.setPen(colour::kBlack);
        p.setBrush(colour::kGray);
        p.drawPolygon(QPolygon({QPoint(6, 6), QPoint(42, 6), QPoint(39, 16), QPoint(9, 16)}));
        p.setBrush(colour::kSilver);
        for (int i = 0; i < 6; ++i) {
            p.drawRect(11 + i * 5, 9, 2, 2);
        }
        const std::array<QColor, 3> wires{colour::kRed, colour::kYellow, colour::kBlue};
        for (std::size_t i = 0; i < wires.size(); ++i) {
            const int offset = static_cast<int>(i) * 4;
            QPen pen(wires.at(i), 2);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            QPainterPath path(QPointF(20 + offset, 17));
            path.cubicTo(QPointF(20 + offset, 44), QPointF(62 + offset, 30),
                         QPointF(62 + offset, 65));
            p.drawPath(path);
        }

        // The programming pulse.
        p.setPen(QPen(colour::kNavy, 2));
        p.drawPolyline(QPolygon({QPoint(58, 12), QPoint(64, 12), QPoint(64, 4), QPoint(72, 4),
                                 QPoint(72, 12), QPoint(80, 12), QPoint(80, 4), QPoint(88, 4),
                                 QPoint(88, 12), QPoint(94, 12)}));
        p.setPen(colour::kMaroon);
        QFont title;
        title.setPixelSize(12);
        title.setBold(true);
        p.setFont(title);
        p.drawText(QRect(46, 20, 52, 16), Qt::AlignCenter, QStringLiteral("TALLIS"));
    });
}

QIcon OpenGlyph() {
    return Glyph(14, [](QPainter& p) {
        p.setPen(colour::kOlive);
        p.setBrush(colour::kYellow);
        p.drawPolygon(QPolygon({QPoint(0, 2), QPoint(4, 2), QPoint(5, 3), QPoint(11, 3),
                                QPoint(11, 12), QPoint(0, 12)}));
        p.setBrush(colour::kOlive);
        p.drawPolygon(QPolygon({QPoint(2, 6), QPoint(13, 6), QPoint(11, 12), QPoint(0, 12)}));
    });
}

QIcon ProgramGlyph() {
    return Glyph(16, [](QPainter& p) {
        DrawChip(p, QRect(2, 10, 11, 4), 4, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(colour::kRed);
        p.drawRect(6, 0, 4, 5);
        p.drawPolygon(QPolygon({QPoint(3, 5), QPoint(12, 5), QPoint(8, 9)}));
    });
}

QIcon EraseGlyph() {
    return Glyph(16, [](QPainter& p) {
        p.setPen(colour::kBlack);
        p.setBrush(colour::kRed);
        p.drawPolygon(QPolygon({QPoint(7, 2), QPoint(14, 2), QPoint(9, 9), QPoint(2, 9)}));
        p.setBrush(colour::kWhite);
        p.drawPolygon(QPolygon({QPoint(2, 9), QPoint(9, 9), QPoint(7, 13), QPoint(0, 13)}));
        p.setPen(colour::kGray);
        p.drawLine(2, 15, 15, 15);
    });
}

QIcon ResetGlyph() {
    return Glyph(16, [](QPainter& p) {
        p.setPen(QPen(colour::kGreen, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(2, 2, 11, 11, 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(colour::kGreen);
        p.drawPolygon(QPolygon({QPoint(9, 0), QPoint(14, 3), QPoint(9, 6)}));
    });
}

QIcon AboutGlyph() {
    return Glyph(16, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(colour::kNavy);
        p.setBrush(colour::kBlue);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        QFont mark;
        mark.setPixelSize(13);
        mark.setBold(true);
        p.setFont(mark);
        p.setPen(colour::kWhite);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon ExitGlyph() {
    return Glyph(16, [](QPainter& p) {
        p.setPen(colour::kBlack);
        p.setBrush(colour::kMaroon);
        p.drawRect(2, 1, 8, 14);
        p.setPen(colour::kYellow);
        p.drawPoint(8, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(colour::kGreen);
        p.drawRect(9, 7, 4, 3);
        p.drawPolygon(QPolygon({QPoint(12, 4), QPoint(16, 8), QPoint(12, 12)}));
    });
}

QIcon OkGlyph() {
    return Glyph(16, [](QPainter& p) {
        p.setPen(QPen(colour::kGreen, 3));
        p.drawPolyline(QPolygon({QPoint(2, 8), QPoint(6, 12), QPoint(14, 3)}));
    });
}

QIcon ApplicationIcon() {
    QIcon icon;
    icon.addPixmap(ProgrammerPicture());
    return icon;
}

}  // namespace tallis
