// The main window's side of its small survey windows: the commands that
// show the realtime data, echogram and About windows and open the day
// folder, the zoom buttons, the echogram timer with the sounder watchdog and
// the echogram drawing, and the key preview with its Escape branch.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "foundation/SurveyState.h"
#include "navigation/EchogramTick.h"
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

}  // namespace

void TFNav::ConnectWindowHandlers() {
    connect(tEchogram, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { tEchogramTimer(); }); });
    qApp->installEventFilter(new KeyPreview(this));
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
