#pragma once

#include <QLabel>
#include <QWidget>

namespace tallis {

// "Time calibrate": shown by the start-up step while the timer calibrates. It
// has no close box and ignores close requests; only the start-up step hides it.
class CalibrationWindow : public QWidget {
    Q_OBJECT
  public:
    CalibrationWindow();

    QLabel* CalibratingLabel;
    QLabel* DurationLabel;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tallis
