#include "tools/ui/KeypadPanel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

QString GetTargetText(const QWidget* target) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(target)) return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(target)) return combo->currentText();
    return QString();
}

void SetTargetText(QWidget* target, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(target)) {
        // A list-only combo box takes a text only as one of its items.
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentText(text);
    }
}

TKeypadPanel::TKeypadPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::NoFocus);
}

void TKeypadPanel::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    QPen frame(QColor(0xFF, 0xA5, 0x00));  // orange
    frame.setWidth(3);
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(1, 1), QPoint(width() - 1, height() - 1)));
}

QToolButton* TKeypadPanel::MakeKey(const QString& caption, int left, int top, int width, int height,
                                   bool bold) {
    auto* key = new QToolButton(this);
    key->setText(caption);
    key->setGeometry(left, top, width, height);
    key->setFocusPolicy(Qt::NoFocus);
    key->setAutoRaise(false);
    QFont font = key->font();
    font.setPointSize(10);
    font.setBold(bold);
    key->setFont(font);
    QPalette text = key->palette();
    text.setColor(QPalette::ButtonText, Qt::black);
    key->setPalette(text);
    return key;
}
