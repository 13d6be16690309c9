#pragma once

#include <QLabel>
#include <QWidget>
#include <array>

namespace tallis {

// A status bar of two fixed-width sunken panels (200 and 50 pixels); the
// program writes its latest status text into panel 0.
class StatusBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr std::array<int, 2> kPanelWidths{200, 50};

    explicit StatusBar(QWidget* parent = nullptr);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    QLabel* Panel(int panel) const { return panels_.at(static_cast<std::size_t>(panel)); }

  private:
    std::array<QLabel*, 2> panels_{};
};

}  // namespace tallis
