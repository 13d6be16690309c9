#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "UiFakes.h"

namespace tallis::test {
namespace {

// The scale factor ctest runs this test under (QT_SCALE_FACTOR), 1 without one.
double AskedScale() {
    bool ok = false;
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok ? scale : 1.0;
}

// A widget's place in the picture of its window, in device pixels: every pixel
// that it covers at least in part.
QRect DeviceRect(const QWidget& widget, const QWidget& window, double scale) {
    const QRect logical(widget.mapTo(&window, QPoint(0, 0)), widget.size());
    const int left = static_cast<int>(std::floor(logical.left() * scale));
    const int top = static_cast<int>(std::floor(logical.top() * scale));
    const int right = static_cast<int>(std::ceil((logical.right() + 1) * scale)) - 1;
    const int bottom = static_cast<int>(std::ceil((logical.bottom() + 1) * scale)) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

enum class Side { Top, Bottom, Left, Right };

// Whether a whole line along this side of the rectangle, one of its outermost
// device pixels deep, is drawn in the colour: a frame edge that fell outside
// the widget, or half of it, leaves none.
bool EdgeDrawn(const QImage& picture, const QRect& rect, Side side, const QColor& colour) {
    const int depth = static_cast<int>(std::ceil(picture.devicePixelRatio())) + 1;
    const int inset = depth;  // the corners belong to the sides across
    for (int step = 0; step < depth; ++step) {
        bool whole = true;
        if (side == Side::Top || side == Side::Bottom) {
            const int y = side == Side::Top ? rect.top() + step : rect.bottom() - step;
            for (int x = rect.left() + inset; x <= rect.right() - inset && whole; ++x) {
                whole = picture.pixel(x, y) == colour.rgb();
            }
        } else {
            const int x = side == Side::Left ? rect.left() + step : rect.right() - step;
            for (int y = rect.top() + inset; y <= rect.bottom() - inset && whole; ++y) {
                whole = picture.pixel(x, y) == colour.rgb();
            }
        }
        if (whole) {
            return true;
        }
    }
    return false;
}

// The main window at the scale factor it runs under: ctest runs this at 1, 1.5
// and 2. The gauge's black frame and the sunken box around it keep all their
// edges.
TEST(ScaledLayout, GaugeAndItsBoxKeepEveryEdge) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    const double scale = AskedScale();
    ASSERT_DOUBLE_EQ(mainWindow.devicePixelRatioF(), scale);
    const QImage picture = mainWindow.grab().toImage();
    ASSERT_EQ(picture.devicePixelRatio(), scale);

    const QRect gauge = DeviceRect(*mainWindow.ProgressGauge, mainWindow, scale);
    const QRect box = DeviceRect(*mainWindow.GaugeFrame, mainWindow, scale);
    const QColor dark = mainWindow.GaugeFrame->palette().color(QPalette::Dark);
    const QColor light = mainWindow.GaugeFrame->palette().color(QPalette::Light);
    for (const auto& [side, name, boxColour] :
         {std::tuple{Side::Top, "top", dark}, std::tuple{Side::Left, "left", dark},
          std::tuple{Side::Bottom, "bottom", light}, std::tuple{Side::Right, "right", light}}) {
        EXPECT_TRUE(EdgeDrawn(picture, gauge, side, Qt::black)) << "the gauge's " << name;
        EXPECT_TRUE(EdgeDrawn(picture, box, side, boxColour)) << "the box's " << name;
    }
}

}  // namespace
}  // namespace tallis::test
