// The main window's side of its small survey windows: the commands that
// show the realtime data, echogram and About windows and open the day
// folder, the zoom buttons, the echogram timer with the sounder watchdog and
// the echogram drawing, and the key preview with its Escape branch.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "foundation/FormPlacement.h"
#include "foundation/SurveyState.h"
#include "navigation/EchogramTick.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"

namespace {

// Sees every key aimed at a widget inside the main window before that
// widget does, as the form's key preview does. A key that travels up the
// parent chain is offered once.
class KeyPreview : public QObject {
  public:
    explicit KeyPreview(TFNav* nav) : QObject(nav), FNavWindow(nav) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != FNavWindow) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == FLastKey && key->timestamp() == FLastStamp) return false;
        FLastKey = key;
        FLastStamp = key->timestamp();
        bool consumed = false;
        platform::GuardHandler(
            [&] { consumed = FNavWindow->FormKeyDown(key->key(), key->modifiers()); });
        return consumed;
    }

  private:
    TFNav* FNavWindow;
    const QKeyEvent* FLastKey = nullptr;
    quint64 FLastStamp = 0;
};

// Tells the windows that opened in the map area when it moved or changed its
// size: the window manager framed or moved the main window, the bars were
// laid out.
class MapAreaWatch : public QObject {
  public:
    MapAreaWatch(TFNav* nav, QWidget* panel) : QObject(nav) {
        nav->installEventFilter(this);
        panel->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        (void)watched;
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
                OpeningAreaChanged();
                break;
            default:
                break;
        }
        return false;
    }
};

// The map area on the screen. Before the main window is on the screen its
// bars are not laid out yet: their heights come from their size hints.
QRect MapAreaOf(const TFNav& nav) {
    if (nav.isVisible() && nav.Panel4)
        return {nav.Panel4->mapToGlobal(QPoint(0, 0)), nav.Panel4->size()};
    int top = nav.MainMenu1 ? nav.MainMenu1->sizeHint().height() : 0;
    int bars = 0;
    for (const QToolBar* bar : {nav.tRealtime, nav.tDraw, nav.tShape})
        if (bar) bars = std::max(bars, bar->sizeHint().height());
    top += bars;
    const int bottom = nav.sStatusBar ? nav.sStatusBar->sizeHint().height() : 0;
    return nav.geometry().adjusted(0, top, 0, -bottom);
}

}  // namespace

void TFNav::ConnectWindowHandlers() {
    connect(tEchogram, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { tEchogramTimer(); }); });
    qApp->installEventFilter(new KeyPreview(this));
    // Windows without a placement of their own open in the map area, clear of
    // the menu bar and the tool bars, where no click meant for them lands.
    const QPointer<TFNav> nav(this);
    SetOpeningArea(this, [nav]() -> QRect { return nav ? MapAreaOf(*nav) : QRect(); });
    new MapAreaWatch(this, Panel4);
}

void TFNav::mRealtimeWindow1Click() {
    if (fRealtime) fRealtime->show();
}

void TFNav::Echogram1Click() {
    if (ZSENSOR && ZSENSOR->FOpen) {
        if (fWaterfal) fWaterfal->show();
        return;
    }
    platform::ShowMessage(
        QStringLiteral("Sensor is not connected. Connect sensor to view waterfall."));
}

void TFNav::OpenLogFolder1Click() {
    if (fRealtime) fRealtime->btOpenLogFolder->click();
}

void TFNav::About1Click() {
    if (formAbout) formAbout->exec();
}

void TFNav::ZoominClick() {
    if (!fcad) return;
    fcad->ZoomAt(0.2, (fcad->FWorldLeft + fcad->FWorldRight) / 2,
                 (fcad->FWorldTop + fcad->FWorldBottom) / 2);
    fcad->update();
}

void TFNav::ZoomoutClick() {
    if (!fcad) return;
    fcad->ZoomAt(-0.2, (fcad->FWorldLeft + fcad->FWorldRight) / 2,
                 (fcad->FWorldTop + fcad->FWorldBottom) / 2);
    fcad->update();
}

bool TFNav::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    (void)modifiers;
    if (key == Qt::Key_Escape) {
        // Compact mode hides the realtime window with its button: Escape
        // leaves it.
        if (fRealtime && fRealtime->CompactMode()) fRealtime->btHideClick();
    }
    return DrawingKeyDown(key);
}

void TFNav::tEchogramTimer() {
    EchogramTickInputs in;
    in.now = platform::TickCount();
    in.sensorOpen = ZSENSOR && ZSENSOR->FOpen;
    in.windowVisible = fWaterfal && fWaterfal->isVisible();
    const EchogramTickActions act = EchogramTick(g_Survey, in);
    if (act.hideWindow && fWaterfal) fWaterfal->hide();
    if (act.clearDepthTexts && fRealtime)
        fRealtime->SetDepthTexts(QStringLiteral("--.--"), QStringLiteral("--.--"));
    if (act.timedOut) ZSENSORTimeout();
    if (act.showWindow && fWaterfal) fWaterfal->show();
    if (act.draw && fWaterfal) DrawDepthHistory(g_Survey.DepthHigh, 0, 50, fWaterfal->FDataWidth);
}

void TFNav::DrawDepthHistory(double depth, double top, double bottom, int count) {
    if (!fWaterfal || !fWaterfal->isVisible() || !fWaterfal->windowHandle() ||
        fWaterfal->width() <= 0 || fWaterfal->height() <= 0)
        return;
    try {
        GdiCanvas canvas(fWaterfal->Image());
        ::DrawDepthHistory(canvas, FDepthHistory, depth, top, bottom, count);
    } catch (...) {
        // A failed step leaves the last picture; the next tick draws again.
    }
    fWaterfal->update();
}
