#include "tools/ui/TFMsg.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"

TFMsg* FMsg = nullptr;

TFMsg::TFMsg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FMsg"));
    setWindowTitle(QStringLiteral("Message Window"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    // It comes up by itself while the surveyor works in the main window,
    // which keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(360, 160);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Msg = new QPlainTextEdit(this);
    Msg->setObjectName(QStringLiteral("Msg"));
    Msg->setReadOnly(true);
    Msg->setMaximumBlockCount(kMaxLines);
    Msg->viewport()->installEventFilter(this);
    layout->addWidget(Msg);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(4000);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { Timer1Timer(); }); });
}

void TFMsg::AddMessage(const QString& text, bool show) {
    Msg->appendPlainText(text);
    if (show && !isVisible()) this->show();
}

void TFMsg::FormShow() { Timer1->start(); }
void TFMsg::FormHide() { Timer1->stop(); }
void TFMsg::Timer1Timer() { hide(); }

void TFMsg::MsgClick() {
    hide();
    Msg->clear();
}

void TFMsg::setVisible(bool visible) {
    const bool wasVisible = isVisible();
    if (visible && !wasVisible) PlaceWindow(this);
    QWidget::setVisible(visible);
    if (visible && !wasVisible) platform::GuardHandler([this] { FormShow(); });
    if (!visible && wasVisible) platform::GuardHandler([this] { FormHide(); });
}

bool TFMsg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Msg->viewport() && event->type() == QEvent::MouseButtonRelease)
        platform::GuardHandler([this] { MsgClick(); });
    return QWidget::eventFilter(watched, event);
}
