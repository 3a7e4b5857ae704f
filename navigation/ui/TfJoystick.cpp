#include "navigation/ui/TfJoystick.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/FormPlacement.h"
#include "navigation/JogCommands.h"
#include "navigation/ui/TFNav.h"
#include "platform/HandlerGuard.h"

TfJoystick* fJoystick = nullptr;

namespace {

// The window's client area as the layout has it, 131 x 42, unless its
// caption needs more: a window manager draws an icon and its buttons beside
// the caption, about this wide together, and cuts a caption that does not
// fit to its first letter.
constexpr int kClientWidth = 131;
constexpr int kClientHeight = 42;
constexpr int kTitleBarButtons = 120;

}  // namespace

TfJoystick::TfJoystick(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fJoystick"));
    setWindowTitle(QStringLiteral("Battery"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    pBattery = new QLabel(this);
    pBattery->setObjectName(QStringLiteral("pBattery"));
    pBattery->setFrameShape(QFrame::Panel);
    pBattery->setFrameShadow(QFrame::Raised);
    pBattery->setAlignment(Qt::AlignCenter);
    QFont bold = pBattery->font();
    bold.setBold(true);
    pBattery->setFont(bold);
    pBattery->setFixedHeight(41);
    column->addWidget(pBattery);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* pad = new QGridLayout(Panel1);
    const auto button = [this, pad](const char* name, const char* caption, int row, int col) {
        auto* b = new QPushButton(QString::fromUtf8(caption), Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(40, 40);
        pad->addWidget(b, row, col);
        return b;
    };
    bUp = button("bUp", "▲", 0, 1);
    bLeft = button("bLeft", "◀", 1, 0);
    BitBtn5 = button("BitBtn5", "●", 1, 1);
    bRight = button("bRight", "▶", 1, 2);
    BitBtn1 = button("BitBtn1", "↶", 2, 0);
    bBottom = button("bBottom", "▼", 2, 1);
    BitBtn2 = button("BitBtn2", "↷", 2, 2);
    Panel1->hide();
    column->addWidget(Panel1);

    const auto click = [this](QPushButton* b, void (TfJoystick::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] {
            platform::GuardHandler([this, handler] { (this->*handler)(); });
        });
    };
    click(bUp, &TfJoystick::bUpClick);
    click(bBottom, &TfJoystick::bBottomClick);
    click(bRight, &TfJoystick::bRightClick);
    click(bLeft, &TfJoystick::bLeftClick);
    click(BitBtn1, &TfJoystick::BitBtn1Click);
    click(BitBtn5, &TfJoystick::BitBtn5Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { Timer1Timer(); }); });
    Timer1->start();
    FitCaption();
}

void TfJoystick::FitCaption() {
    QFont caption = font();
    caption.setBold(true);
    const int needed = QFontMetrics(caption).horizontalAdvance(windowTitle()) + kTitleBarButtons;
    setFixedSize(std::max(kClientWidth, needed), kClientHeight);
}

void TfJoystick::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange) FitCaption();
}

void TfJoystick::Send(const std::string& text) {
    if (FNav && FNav->ZGPS1) FNav->ZGPS1->Write(text);
}

void TfJoystick::bUpClick() { Send(JogUp(g_JogCounters)); }
void TfJoystick::bBottomClick() { Send(JogDown(g_JogCounters)); }
void TfJoystick::bRightClick() { Send(JogRight(g_JogCounters)); }
void TfJoystick::bLeftClick() { Send(JogLeft(g_JogCounters)); }
void TfJoystick::BitBtn1Click() { Send(JogBack(g_JogCounters)); }
void TfJoystick::BitBtn5Click() { Send(JogCentre(g_JogCounters)); }

void TfJoystick::Timer1Timer() {
    if (!FGPS || FGPS->SBESMessageText() != "Plovan SMT") hide();
}

// Its place of the last run comes back, as for the other windows; the first
// run puts it in the map's top right corner.
void TfJoystick::setVisible(bool visible) {
    if (visible && !isVisible())
        RestoreFormPlacement(this, false, kMinimumRestoredSize, OpeningPlace::TopRight);
    QWidget::setVisible(visible);
}

void TfJoystick::closeEvent(QCloseEvent* event) { event->ignore(); }
