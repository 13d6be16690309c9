#include "ui/StatusBar.h"

namespace tallis {

namespace {
constexpr int kPanelGap = 2;
constexpr int kPanelTop = 2;
constexpr int kBarHeight = 21;
}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
    int left = 0;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panel->setTextFormat(Qt::PlainText);
        panel->setGeometry(left, kPanelTop, kPanelWidths.at(i) - kPanelGap, kBarHeight - kPanelTop);
        left += kPanelWidths.at(i);
        panels_.at(i) = panel;
    }
}

QString StatusBar::PanelText(int panel) const {
    return Panel(panel)->text();
}

void StatusBar::SetPanelText(int panel, const QString& text) {
    Panel(panel)->setText(text);
}

}  // namespace tallis
