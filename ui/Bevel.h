#pragma once

#include <QWidget>

namespace tallis {

// A decorative bevel: a sunken or raised line along the bottom edge, or a
// sunken or raised box.
class Bevel : public QWidget {
    Q_OBJECT
  public:
    enum class Shape { BottomLine, Box };
    enum class Style { Lowered, Raised };

    Bevel(Shape shape, Style style, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Shape shape_;
    Style style_;
};

}  // namespace tallis
