#include "navigation/ui/StatusBar.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/HandlerGuard.h"

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    setMinimumHeight(fontMetrics().height() + 8);
}

void TStatusBar::AddPanel(int width) {
    panels_.push_back(Panel{QString(), width});
    update();
}

QString TStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) return {};
    return panels_[static_cast<size_t>(index)].text;
}

void TStatusBar::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= PanelCount()) return;
    panels_[static_cast<size_t>(index)].text = text;
    update();
}

int TStatusBar::PanelWidth(int index) const {
    if (index < 0 || index >= PanelCount()) return 0;
    return panels_[static_cast<size_t>(index)].width;
}

void TStatusBar::SetPanelWidth(int index, int width) {
    if (index < 0 || index >= PanelCount()) return;
    panels_[static_cast<size_t>(index)].width = width;
    update();
}

int TStatusBar::TextWidth(const QString& text) const {
    return fontMetrics().horizontalAdvance(text);
}

void TStatusBar::paintEvent(QPaintEvent*) {
    platform::GuardHandler([this] {
        QPainter painter(this);
        int x = 0;
        for (const Panel& panel : panels_) {
            const QRect cell(x, 0, panel.width, height());
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(cell.adjusted(0, 1, -1, -1));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(cell.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             panel.text);
            x += panel.width;
        }
    });
}

void TStatusBar::mouseReleaseEvent(QMouseEvent* event) {
    QStatusBar::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const int x = event->position().toPoint().x();
    platform::GuardHandler([this, x] { emit Click(x); });
}

void TStatusBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QStatusBar::mouseDoubleClickEvent(event);
    platform::GuardHandler([this] { emit DblClick(); });
}
