#pragma once

#include <QWidget>

namespace tallis {

// A horizontal percentage bar, blue on white with a single border, showing the
// percentage done in its middle. A change of the shown value repaints it at once.
class Gauge : public QWidget {
    Q_OBJECT
  public:
    explicit Gauge(QWidget* parent = nullptr);

    int Progress() const { return progress_; }
    // Values outside 0..100 are clamped.
    void SetProgress(int percent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int progress_ = 0;
};

}  // namespace tallis
