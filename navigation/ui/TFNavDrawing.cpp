// The main window's drawing tools, view commands, track and shape clearing,
// polygon selection with its deletion, the hand-over of a drawn route to the
// runline window, the measure toggle and the canvas's events.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <vector>

#include "canvas/PlovanCanvas.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/MenuItems.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/VclText.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfRunline1.h"

namespace {

const QString kSelectLayer = QStringLiteral("Plovan_SelectPoly");
constexpr const char* kTrackLayers[] = {"track_fix", "track_nofix", "track_float"};

QToolButton* AddButton(QToolBar* bar, const char* name, const char* caption) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setText(QString::fromUtf8(caption));
    bar->addWidget(button);
    return button;
}

bool Confirmed(const QString& prompt) {
    return platform::dialogs().MessageBox(prompt, QStringLiteral("Warning"), platform::mbYesNo,
                                          platform::iconWarning) == platform::idYes;
}

}  // namespace

// ---------------------------------------------------------------------------
// Layout

void TFNav::BuildDrawingTools() {
    ToolButton7 = AddButton(tShape, "ToolButton7", "Point");
    ToolButton12 = AddButton(tShape, "ToolButton12", "Line");
    ToolButton21 = AddButton(tShape, "ToolButton21", "Rectangle");
    ToolButton23 = AddButton(tShape, "ToolButton23", "Polyline");
    ToolButton27 = AddButton(tShape, "ToolButton27", "Ellipse");
    ToolButton28 = AddButton(tShape, "ToolButton28", "Polygon");
    ToolButton29 = AddButton(tShape, "ToolButton29", "Spline");
    ToolButton30 = AddButton(tShape, "ToolButton30", "Arc");
    ToolButton31 = AddButton(tShape, "ToolButton31", "Circle");

    Zoomin = AddButton(tDraw, "Zoomin", "Zoom In");
    Zoomout = AddButton(tDraw, "Zoomout", "Zoom Out");
    Zoomextents = AddButton(tDraw, "Zoomextents", "Extents");
    Zoomwindow = AddButton(tDraw, "Zoomwindow", "Window");
    Zoomdynamic = AddButton(tDraw, "Zoomdynamic", "Dynamic");
    Zoompan = AddButton(tDraw, "Zoompan", "Pan");  // panning is the middle button
    bFollowVessel = AddButton(tDraw, "bFollowVessel", "Follow Vessel");
    ToolButton13 = AddButton(tDraw, "ToolButton13", "Do Not Follow");
    bSelectTracks = AddButton(tDraw, "bSelectTracks", "Select Tracks");
    bDelSelected = AddButton(tDraw, "bDelSelected", "Delete Selected");
    ToolButton11 = AddButton(tDraw, "ToolButton11", "Clear User Shapes");

    tbFixed = AddButton(tRealtime, "tbFixed", "Clear Fixed");
    tbFloat = AddButton(tRealtime, "tbFloat", "Clear Float");
    tbAuto = AddButton(tRealtime, "tbAuto", "Clear NoFix");

    Edit1 = MainMenu1->findChild<QMenu*>(QStringLiteral("Edit1"));
    if (!Edit1) {
        Edit1 = new QMenu(QStringLiteral("Edit"), MainMenu1);
        Edit1->setObjectName(QStringLiteral("Edit1"));
        MainMenu1->insertMenu(Window2->menuAction(), Edit1);
    }
    ClearFixedTracks1 = AddMenuItem(Edit1, "ClearFixedTracks1", "Clear tracks fixed");
    ClearUnfixedTracks1 = AddMenuItem(Edit1, "ClearUnfixedTracks1", "Clear tracks unfixed");
    ClearUserAddedShapes1 = AddMenuItem(Edit1, "ClearUserAddedShapes1", "Clear shapes user added");
    Deletetracksselected1 = AddMenuItem(Edit1, "Deletetracksselected1", "Delete tracks selected");

    // Zoom comes between Edit and Window.
    Zoom1 = new QMenu(QStringLiteral("Zoom"), MainMenu1);
    Zoom1->setObjectName(QStringLiteral("Zoom1"));
    MainMenu1->insertMenu(Window2->menuAction(), Zoom1);
    In1 = AddMenuItem(Zoom1, "In1", "In");
    Out1 = AddMenuItem(Zoom1, "Out1", "Out");
    Extents1 = AddMenuItem(Zoom1, "Extents1", "Extents");
    Window1 = AddMenuItem(Zoom1, "Window1", "Window");
    Dynamic1 = AddMenuItem(Zoom1, "Dynamic1", "Dynamic");
    Followvessel1 = AddMenuItem(Zoom1, "Followvessel1", "Follow vessel");
    Donotfollowvessel1 = AddMenuItem(Zoom1, "Donotfollowvessel1", "Do not follow vessel");
    // Ctrl+I, Ctrl+O and Ctrl+W are the File menu's Import, Open and Save As.
    ShowShortcutOnly(In1, QKeySequence(Qt::CTRL | Qt::Key_I));
    ShowShortcutOnly(Out1, QKeySequence(Qt::CTRL | Qt::Key_O));
    ShowShortcutOnly(Window1, QKeySequence(Qt::CTRL | Qt::Key_W));
    Extents1->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    Dynamic1->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
}

void TFNav::ConnectDrawingHandlers() {
    const auto button = [this](QToolButton* b, void (TFNav::*handler)()) {
        connect(b, &QToolButton::clicked, this, platform::Guarded(this, handler));
    };
    const auto item = [this](QAction* a, void (TFNav::*handler)()) {
        connect(a, &QAction::triggered, this, platform::Guarded(this, handler));
    };
    button(ToolButton7, &TFNav::ToolButton10Click);
    button(ToolButton12, &TFNav::ToolButton9Click);
    button(ToolButton21, &TFNav::ToolButton16Click);
    button(ToolButton23, &TFNav::ToolButton14Click);
    button(ToolButton27, &TFNav::ToolButton19Click);
    button(ToolButton28, &TFNav::ToolButton15Click);
    button(ToolButton29, &TFNav::ToolButton17Click);
    button(ToolButton30, &TFNav::ToolButton20Click);
    button(ToolButton31, &TFNav::ToolButton18Click);
    button(Zoomin, &TFNav::ZoominClick);
    button(Zoomout, &TFNav::ZoomoutClick);
    button(Zoomextents, &TFNav::ZoomextentsClick);
    button(Zoomwindow, &TFNav::ZoomwindowClick);
    button(Zoomdynamic, &TFNav::ZoomdynamicClick);
    button(bFollowVessel, &TFNav::bFollowVesselClick);
    button(ToolButton13, &TFNav::ToolButton13Click);
    button(bSelectTracks, &TFNav::bSelectTracksClick);
    button(bMouseSelect, &TFNav::bMouseSelectClick);
    button(bDelSelected, &TFNav::bDelSelectedClick);
    button(ToolButton11, &TFNav::ToolButton11Click);
    button(tbFixed, &TFNav::tbFixedClick);
    button(tbFloat, &TFNav::tbFloatClick);
    button(tbAuto, &TFNav::tbAutoClick);
    item(ClearFixedTracks1, &TFNav::tbFixedClick);
    item(ClearUnfixedTracks1, &TFNav::tbFloatClick);
    item(ClearUserAddedShapes1, &TFNav::ToolButton11Click);
    item(In1, &TFNav::ZoominClick);
    item(Out1, &TFNav::ZoomoutClick);
    item(Extents1, &TFNav::ZoomextentsClick);
    item(Window1, &TFNav::ZoomwindowClick);
    item(Dynamic1, &TFNav::ZoomdynamicClick);
    item(Followvessel1, &TFNav::bFollowVesselClick);
    item(Donotfollowvessel1, &TFNav::ToolButton13Click);

    // The canvas's handlers run inside its own guard.
    fcad->OnShapeNumberSelected = [this](TCanvasModel*, short type, std::int32_t id) {
        fcadShapeNumberSelected(type, id);
    };
    fcad->OnWorldMouseMove = [this](TCanvasModel*, short, double x, double y, double, double) {
        fcadWorldMouseMove(x, y);
    };
    fcad->OnWorldMouseDown = [this](TCanvasModel*, short button, short, short, double x, double y) {
        fcadWorldMouseDown(button, x, y);
    };
    fcad->OnDrawBegin = [this](TCanvasModel*, short type, double x, double y) {
        fcadDrawBegin(type, x, y);
    };
    fcad->OnDrawEnd = [this](TCanvasModel*, short type, double x, double y) {
        fcadDrawEnd(type, x, y);
    };
    fcad->OnDblClick = [this](TCanvasModel*) { fcadDblClick(); };
}

// ---------------------------------------------------------------------------
// Drawing tools and view commands

void TFNav::SetDrawingTool(int command) {
    // New shapes go to the user's layer, never to the layer that happens to
    // be current (the vessel's, which every map tick clears).
    fcad->FCurrentLayer = g_Survey.UserShapeLayerId;
    fcad->FCommand = command;
}

void TFNav::ToolButton10Click() { SetDrawingTool(17); }
void TFNav::ToolButton9Click() { SetDrawingTool(3); }
void TFNav::ToolButton16Click() { SetDrawingTool(1); }
void TFNav::ToolButton14Click() { SetDrawingTool(5); }
void TFNav::ToolButton19Click() { SetDrawingTool(4); }
void TFNav::ToolButton15Click() { SetDrawingTool(6); }
void TFNav::ToolButton17Click() { SetDrawingTool(8); }
void TFNav::ToolButton20Click() { SetDrawingTool(10); }
void TFNav::ToolButton18Click() { SetDrawingTool(19); }

void TFNav::ZoomextentsClick() { fcad->ZoomExtents(); }
void TFNav::ZoomwindowClick() { fcad->FCommand = -3; }
void TFNav::ZoomdynamicClick() { fcad->FCommand = -4; }
void TFNav::bFollowVesselClick() { g_Survey.FollowVessel = true; }
void TFNav::ToolButton13Click() { g_Survey.FollowVessel = false; }

// ---------------------------------------------------------------------------
// Tracks and shapes

void TFNav::ClearTrackLayer(const QString& prompt, const char* layer, const std::string& logText) {
    if (!Confirmed(prompt)) return;
    const int id = fcad->FindLayer(QString::fromLatin1(layer));
    if (id >= 0) fcad->ClearLayer(id);
    fcad->Redraw();
    AppendEventLog(logText, EventLogPath());
}

void TFNav::tbFixedClick() {
    ClearTrackLayer(QStringLiteral("Fixed/Float/DGPS tracking points to be cleared. Continue?"),
                    "track_fix", "Cleared Fixed/Float/DGPS tracklines");
}

void TFNav::tbFloatClick() {
    ClearTrackLayer(QStringLiteral("Autonomous tracking points to be cleared. Continue?"),
                    "track_float", "Cleared Autonomous tracklines");
}

void TFNav::tbAutoClick() {
    ClearTrackLayer(QStringLiteral("Fixed/Float/DGPS tracking points to be cleared. Continue?"),
                    "track_nofix", "Cleared NoFix tracklines");
}

void TFNav::ToolButton11Click() {
    if (!Confirmed(QStringLiteral("User added shapes to be deleted! Continue?"))) return;
    fcad->ClearLayer(g_Survey.UserShapeLayerId);
}

void TFNav::StartPolygonSelection(bool tracks) {
    // A shape half drawn ends as Escape ends it. The canvas ends it by
    // itself when the tool changes, but a polygon in progress shares the
    // selection's command and would otherwise become its first vertices.
    fcad->CancelDrawing();
    if (tracks) {
        g_Survey.TrackDeleteLock = false;
        // Shown only: the form's Delete key deletes the selection.
        ShowShortcutOnly(Deletetracksselected1, QKeySequence(Qt::Key_Delete));
    }
    // One request at a time: the polygon drawn next answers this one.
    g_Survey.SelectTracksPending = tracks;
    g_Survey.SelectShapesPending = !tracks;
    int layer = fcad->FindLayer(kSelectLayer);
    if (layer >= 0)
        fcad->ClearLayer(layer);
    else
        layer = fcad->AddLayer(kSelectLayer);
    fcad->FCurrentLayer = layer;
    fcad->FCommand = 6;
    fcad->FKeepCommand = 0;
    sStatusBar->SetPanelText(0, tracks ? QStringLiteral("Draw polygon to select tracks "
                                                        "(right-click to finish)")
                                       : QStringLiteral("Draw polygon to select shapes "
                                                        "(right-click to finish)"));
}

void TFNav::bSelectTracksClick() { StartPolygonSelection(true); }
void TFNav::bMouseSelectClick() { StartPolygonSelection(false); }

void TFNav::bDelSelectedClick() {
    if (fcad->GetSelectedCount() > 0) {
        fcad->DeleteSelectedShapes();
        fcad->Invalidate();
    }
    g_Survey.TrackDeleteLock = true;
}

void TFNav::SelectWithDrawnPolygon(bool tracks) {
    (tracks ? g_Survey.SelectTracksPending : g_Survey.SelectShapesPending) = false;
    // The polygon this command drew; none when it was discarded.
    std::vector<TFloatPoint> polygon;
    for (const TPointD& p : fcad->GetDrawnPolyline())
        polygon.push_back(TFloatPoint{static_cast<float>(p.X), static_cast<float>(p.Y)});
    const int selectLayer = fcad->FindLayer(kSelectLayer);
    if (selectLayer >= 0) fcad->ClearLayer(selectLayer);
    std::vector<int> trackLayers;
    for (const char* name : kTrackLayers) {
        const int id = fcad->FindLayer(QString::fromLatin1(name));
        if (id >= 0) trackLayers.push_back(id);
    }
    if (polygon.size() >= 3 && (!tracks || !trackLayers.empty())) {
        if (tracks)
            fcad->SelectInPolygonOnLayers(polygon, trackLayers);
        else
            fcad->SelectInPolygon(polygon);
        fcad->Redraw();
        const int n = fcad->GetSelectedCount();
        sStatusBar->SetPanelText(
            0, n < 1 ? QString()
                     : QString::number(n) +
                           (tracks ? QStringLiteral(" track(s) selected. Press Delete to "
                                                    "remove.")
                                   : QStringLiteral(" shape(s) selected. Press Delete to "
                                                    "remove.")));
    }
    fcad->FCommand = 0;
    fcad->ResetDrawingState();
}

// ---------------------------------------------------------------------------
// Canvas events

void TFNav::fcadShapeNumberSelected(short, int) {}

void TFNav::fcadWorldMouseMove(double x, double y) {
    g_Survey.MouseWorldX = x;
    g_Survey.MouseWorldY = y;
    if (!g_Survey.MeasureActive || g_Survey.MeasureStartX == 0 || g_Survey.MeasureStartY == 0)
        return;
    const double dx = x - g_Survey.MeasureStartX, dy = y - g_Survey.MeasureStartY;
    const double e = dy == 0 ? 1e-16 : dy;
    // A bearing 0 .. 2 pi clockwise from north.
    double a = std::atan(dx / e);
    if (e < 0)
        a += M_PI;
    else if (dx / e < 0)
        a += 2 * M_PI;
    fcad->UpdateMeasure(x, y, std::sqrt(dx * dx + dy * dy), a * 180 / M_PI);
}

void TFNav::fcadWorldMouseDown(short button, double x, double y) {
    if (button == CanvasInput::ButtonRight) {
        g_Survey.MeasureActive = !g_Survey.MeasureActive;
        if (g_Survey.MeasureActive) {
            g_Survey.MeasureStartX = x;
            g_Survey.MeasureStartY = y;
            fcad->BeginMeasure(x, y);
        } else {
            fcad->EndMeasure();
            g_Survey.MeasureStartX = 0;
            g_Survey.MeasureStartY = 0;
        }
        return;
    }
    if (sStatusBar->PanelCount() < 3) return;
    const QString text = QString::fromStdString(
        "Clicked: E" + platform::FloatToStrF(x, platform::FloatFormat::Fixed, 12, 2) + ", N" +
        platform::FloatToStrF(y, platform::FloatFormat::Fixed, 12, 2));
    sStatusBar->SetPanelText(2, text);
    sStatusBar->SetPanelWidth(2, sStatusBar->TextWidth(text) + 20);
}

void TFNav::fcadDrawBegin(short, double, double) {
    fcad->FCurrentLayer = g_Survey.UserShapeLayerId;
    // The view must not move while drawing; only a tick that ran resumes.
    if (tMap->isActive()) {
        FMapPausedByDrawing = true;
        tMap->stop();
    }
}

void TFNav::fcadDrawEnd(short shapeType, double, double) {
    fcad->FKeepCommand = 0;
    // A tick stopped by Stop or a silent receiver stays stopped: it would
    // centre the view on a stale fix.
    if (FMapPausedByDrawing && g_Survey.RealtimeRunning) tMap->start();
    FMapPausedByDrawing = false;

    if (shapeType == 6 && g_Survey.SelectTracksPending) {
        SelectWithDrawnPolygon(true);
    } else if (shapeType == 6 && g_Survey.SelectShapesPending) {
        SelectWithDrawnPolygon(false);
    } else if (fRunline1 && fRunline1->isVisible() &&
               (shapeType == 3 || shapeType == 5 || shapeType == 6)) {
        const std::vector<TPointD> route = fcad->GetDrawnPolyline();
        if (route.size() >= 2) fRunline1->SetRoute(route);
    }
}

void TFNav::fcadDblClick() {
    if (!fcad->PositionBoxHit(fcad->FMouseX, fcad->FMouseY) || !fRealtime) return;
    if (!fRealtime->CompactMode()) {
        fRealtime->btHideClick();
        return;
    }
    // The main window's layout back, without the realtime window.
    tRealtime->show();
    tDraw->show();
    if (auto* panel = findChild<QWidget*>(QStringLiteral("pRealtime"))) panel->show();
    if (Navset) Navset->show();
    const bool visible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, false);
    if (visible) show();  // a change of flags takes the window off the screen
    MainMenu1->show();
    fRealtime->SetHideImageIndex(0);
    if (g_Survey.SensorDisplaysShown && fWaterfal) fWaterfal->show();
    tShape->show();
}

// ---------------------------------------------------------------------------
// Keys

bool TFNav::DrawingKeyDown(int key) {
    switch (key) {
        case Qt::Key_Escape:
            // The key goes on to the canvas, which ends a drawing.
            if (g_Survey.SelectTracksPending || g_Survey.SelectShapesPending) {
                g_Survey.SelectTracksPending = false;
                g_Survey.SelectShapesPending = false;
                fcad->ClearSelection();
                sStatusBar->SetPanelText(0, QString());
            }
            return false;
        case Qt::Key_F2:
            fcad->CycleDepthSpeedDisplayMode();
            return false;
        case Qt::Key_F3:
            fcad->CycleGGAOverlayPosition();
            return false;
        case Qt::Key_F5:
            ShowSatelliteImage1Click();
            return false;
        case Qt::Key_Delete:
            bDelSelectedClick();
            return true;
        default:
            return false;
    }
}
