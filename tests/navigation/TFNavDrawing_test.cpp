// The main window's drawing tools, view, track and selection commands, the
// measure toggle, the runline hand-over and the keys, on a real main window
// offscreen. The canvas is 1000 x 1000 pixels over 0..1000 by 0..1000, so the
// pixel (px, py) is the world point (px, 1000 - py).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfRealtime.h"
#include "platform/Dialogs.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TfRunline1.h"

namespace {

using namespace CanvasInput;

class TFNavDrawingTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<TFNav> nav;
    TPlovanCanvas* c = nullptr;
    platform::ScriptedDialogs* dialogs = nullptr;

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        std::filesystem::create_directories(g_LogDir);
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        dialogs = scripted.get();
        platform::SetDialogs(std::move(scripted));
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        c = nav->fcad;
        EnsureStandardLayers(c);
        c->setFixedSize(1000, 1000);
        c->SetView(0, 1000, 1000, 0);
    }
    void TearDown() override {
        delete fRunline1;
        fRunline1 = nullptr;
        delete fRealtime;
        fRealtime = nullptr;
        FNav = nullptr;
        nav.reset();
        ResetSurveyState();
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }

    QToolButton* Button(const char* name) const {
        auto* b = nav->findChild<QToolButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    void Click(int px, int py) {
        c->MouseDown(ButtonLeft, 0, px, py);
        c->MouseUp(ButtonLeft, 0, px, py);
    }
    void RightClick(int px, int py) {
        c->MouseDown(ButtonRight, 0, px, py);
        c->MouseUp(ButtonRight, 0, px, py);
    }
    int Layer(const char* name) const { return c->FindLayer(QString::fromLatin1(name)); }
    std::size_t ShapesOn(const char* name) const {
        const int id = Layer(name);
        return id < 0 ? 0 : c->GetLayerShapeIds(id).size();
    }
    // A key press and release with a time stamp of its own, as the window
    // system delivers them.
    void Key(Qt::Key key) {
        static quint64 stamp = 1000;
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            event.setTimestamp(++stamp);
            QApplication::sendEvent(c, &event);
        }
    }
    QString Panel(int i) const { return nav->sStatusBar->PanelText(i); }
    static std::string Log() { return phxtest::ReadAll(EventLogPath()); }
};

TEST_F(TFNavDrawingTest, DrawingToolsSetTheModeOnTheUserLayer) {
    const struct {
        const char* button;
        const char* caption;
        int mode;
    } tools[] = {{"ToolButton7", "Point", 17},     {"ToolButton12", "Line", 3},
                 {"ToolButton21", "Rectangle", 1}, {"ToolButton23", "Polyline", 5},
                 {"ToolButton27", "Ellipse", 4},   {"ToolButton28", "Polygon", 6},
                 {"ToolButton29", "Spline", 8},    {"ToolButton30", "Arc", 10},
                 {"ToolButton31", "Circle", 19}};
    for (const auto& t : tools) {
        QToolButton* b = Button(t.button);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->parent(), nav->tShape) << t.button;
        EXPECT_EQ(b->text(), t.caption);
        c->FCurrentLayer = g_Survey.VesselLayerId;
        c->FCommand = 0;
        b->click();
        EXPECT_EQ(c->FCommand, t.mode) << t.button;
        EXPECT_EQ(c->FCurrentLayer, g_Survey.UserShapeLayerId) << t.button;
    }
    const struct {
        const char* button;
        QToolBar* bar;
        const char* caption;
    } others[] = {{"Zoomin", nav->tDraw, "Zoom In"},
                  {"Zoomout", nav->tDraw, "Zoom Out"},
                  {"Zoomextents", nav->tDraw, "Extents"},
                  {"Zoomwindow", nav->tDraw, "Window"},
                  {"Zoomdynamic", nav->tDraw, "Dynamic"},
                  {"Zoompan", nav->tDraw, "Pan"},
                  {"bFollowVessel", nav->tDraw, "Follow Vessel"},
                  {"ToolButton13", nav->tDraw, "Do Not Follow"},
                  {"bSelectTracks", nav->tDraw, "Select Tracks"},
                  {"bMouseSelect", nav->tDraw, nullptr},
                  {"bDelSelected", nav->tDraw, "Delete Selected"},
                  {"ToolButton11", nav->tDraw, "Clear User Shapes"},
                  {"tbFixed", nav->tRealtime, "Clear Fixed"},
                  {"tbFloat", nav->tRealtime, "Clear Float"},
                  {"tbAuto", nav->tRealtime, "Clear NoFix"}};
    for (const auto& o : others) {
        QToolButton* b = Button(o.button);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->parent(), o.bar) << o.button;
        if (o.caption) {
            EXPECT_EQ(b->text(), o.caption) << o.button;
        }
    }
}

TEST_F(TFNavDrawingTest, TheFirstShapesAfterAStartLandOnTheUserLayer) {
    // The last standard layer added (the vessel's) is current after a start.
    ASSERT_EQ(c->FCurrentLayer, g_Survey.VesselLayerId);
    Button("ToolButton7")->click();
    Click(100, 900);
    ASSERT_EQ(c->FShapeCount, 1);
    EXPECT_EQ(c->FShapes.back()->FLayerId, g_Survey.UserShapeLayerId);
    EXPECT_EQ(c->FCommand, 0);
    // A vertex shape takes its layer at the first click.
    c->FCurrentLayer = g_Survey.VesselLayerId;
    Button("ToolButton23")->click();
    Click(100, 100);
    Click(200, 100);
    RightClick(0, 0);
    EXPECT_EQ(c->GetShapeLayer(c->FEndedShapeId), g_Survey.UserShapeLayerId);
}

// A polyline half drawn, then the rectangle tool: the clicks draw a
// rectangle of their own and the polyline never joins the drawing.
TEST_F(TFNavDrawingTest, AnotherToolEndsTheShapeBeingDrawn) {
    Button("ToolButton23")->click();
    Click(100, 100);
    Click(200, 150);
    Button("ToolButton21")->click();
    Click(600, 600);
    Click(700, 700);
    RightClick(900, 900);
    const std::vector<std::int32_t> ids = c->GetLayerShapeIds(g_Survey.UserShapeLayerId);
    ASSERT_EQ(ids.size(), 1u);
    const TPlovanShape* s = c->FindShape(ids[0]);
    EXPECT_EQ(s->FShapeType, 1);
    EXPECT_DOUBLE_EQ(s->FMinX, 600);
    EXPECT_DOUBLE_EQ(s->FMaxY, 400);
    EXPECT_EQ(c->FTempShape, nullptr);
}

// A user's polygon half drawn, then a selection started (the same polygon
// command, on the selection layer): the selection polygon starts clean, the
// user's vertices neither join the drawing nor shape the selection.
TEST_F(TFNavDrawingTest, ASelectionStartedMidPolygonStartsClean) {
    for (QToolButton* selection : {nav->bMouseSelect, nav->bSelectTracks}) {
        SCOPED_TRACE(selection->objectName().toStdString());
        c->ClearSelection();
        c->ClearLayer(g_Survey.UserShapeLayerId);
        c->ClearLayer(Layer("track_fix"));
        const int inside = c->AddPoint(150, 920, Layer("track_fix"));
        c->AddPoint(800, 350, Layer("track_fix"));  // inside the user's polygon only
        Button("ToolButton28")->click();
        Click(600, 600);
        Click(900, 600);
        Click(900, 800);
        selection->click();
        Click(50, 50);
        Click(200, 50);
        Click(200, 200);
        RightClick(0, 0);
        EXPECT_EQ(c->GetSelectedCount(), 1);
        EXPECT_TRUE(c->FindShape(inside)->FSelected);
        EXPECT_EQ(c->GetLayerShapeIds(g_Survey.UserShapeLayerId).size(), 0u);
        EXPECT_EQ(ShapesOn("Plovan_SelectPoly"), 0u);
        EXPECT_EQ(c->FTempShape, nullptr);
        Click(0, 0);  // the swallowed click after the end
    }
}

TEST_F(TFNavDrawingTest, ZoomCommandsAndMenus) {
    nav->Zoomin->click();
    EXPECT_NEAR(c->GetViewWidth(), 800, 1e-9);
    nav->Zoomout->click();
    EXPECT_NEAR(c->GetViewWidth(), 960, 1e-9);
    nav->In1->trigger();
    EXPECT_NEAR(c->GetViewWidth(), 768, 1e-9);
    nav->Out1->trigger();
    EXPECT_NEAR(c->GetViewWidth(), 921.6, 1e-9);

    nav->Zoomwindow->click();
    EXPECT_EQ(c->FCommand, -3);
    nav->Zoomdynamic->click();
    EXPECT_EQ(c->FCommand, -4);
    c->FCommand = 0;
    nav->Window1->trigger();
    EXPECT_EQ(c->FCommand, -3);
    nav->Dynamic1->trigger();
    EXPECT_EQ(c->FCommand, -4);

    c->AddLine(5000, 5000, 5100, 5100, g_Survey.UserShapeLayerId);
    nav->Extents1->trigger();
    EXPECT_GT(c->FWorldLeft, 4000);

    nav->ToolButton13->click();
    EXPECT_FALSE(g_Survey.FollowVessel);
    nav->bFollowVessel->click();
    EXPECT_TRUE(g_Survey.FollowVessel);
    nav->Donotfollowvessel1->trigger();
    EXPECT_FALSE(g_Survey.FollowVessel);
    nav->Followvessel1->trigger();
    EXPECT_TRUE(g_Survey.FollowVessel);

    // The menus: Edit and Zoom before Window.
    QStringList titles;
    for (QAction* a : nav->MainMenu1->actions())
        if (a->menu()) titles << a->menu()->objectName();
    EXPECT_LT(titles.indexOf("Edit1"), titles.indexOf("Zoom1"));
    EXPECT_LT(titles.indexOf("Zoom1"), titles.indexOf("Window2"));
    EXPECT_EQ(nav->In1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_EQ(nav->Extents1->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
}

TEST_F(TFNavDrawingTest, FileShortcutsNeverZoomButCtrlAltOnesDo) {
    nav->show();
    QApplication::setActiveWindow(nav.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(nav.get()));
    c->setFocus();
    c->SetView(0, 1000, 1000, 0);
    for (const Qt::Key key : {Qt::Key_I, Qt::Key_O, Qt::Key_W}) {
        QTest::keyClick(c, key, Qt::ControlModifier);
        EXPECT_NEAR(c->GetViewWidth(), 1000, 1e-9) << key;
        EXPECT_EQ(c->FCommand, 0) << key;
    }
    QTest::keyClick(c, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(c->FCommand, -4);
    c->AddLine(5000, 5000, 5100, 5100, g_Survey.UserShapeLayerId);
    QTest::keyClick(c, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_GT(c->FWorldLeft, 4000);
}

TEST_F(TFNavDrawingTest, ClearingTracksAsksAndLogs) {
    const struct {
        const char* button;
        const char* layer;
        const char* prompt;
        const char* log;
    } cases[] = {
        {"tbFixed", "track_fix", "Fixed/Float/DGPS tracking points to be cleared. Continue?",
         "Cleared Fixed/Float/DGPS tracklines"},
        {"tbFloat", "track_float", "Autonomous tracking points to be cleared. Continue?",
         "Cleared Autonomous tracklines"},
        {"tbAuto", "track_nofix", "Fixed/Float/DGPS tracking points to be cleared. Continue?",
         "Cleared NoFix tracklines"},
    };
    for (const auto& k : cases) {
        for (const char* name : {"track_fix", "track_float", "track_nofix"})
            c->AddPoint(10, 10, Layer(name));
        const std::string before = Log();
        const std::size_t shapes = ShapesOn(k.layer);
        dialogs->messages.clear();
        dialogs->answers = {platform::idNo};
        Button(k.button)->click();
        ASSERT_EQ(dialogs->messages.size(), 1);
        EXPECT_EQ(dialogs->messages[0], k.prompt);
        EXPECT_EQ(ShapesOn(k.layer), shapes) << k.button;
        EXPECT_EQ(Log(), before);

        dialogs->answers = {platform::idYes};
        Button(k.button)->click();
        EXPECT_EQ(ShapesOn(k.layer), 0u) << k.button;
        for (const char* other : {"track_fix", "track_float", "track_nofix"}) {
            if (std::string(other) != k.layer) {
                EXPECT_GE(ShapesOn(other), 1u) << other;
            }
        }
        const std::string added = Log().substr(before.size());
        EXPECT_EQ(added.rfind("\r\nAuto Event:\t", 0), 0u) << added;
        EXPECT_EQ(added.substr(added.size() - std::string(k.log).size() - 1),
                  std::string("\t") + k.log);
    }
    // The menu items reach the same handlers.
    c->AddPoint(10, 10, Layer("track_float"));
    dialogs->answers = {platform::idYes};
    nav->ClearUnfixedTracks1->trigger();
    EXPECT_EQ(ShapesOn("track_float"), 0u);
    // A missing layer: nothing to clear, the line is still written.
    c->RemoveAllShapesAndLayers();
    dialogs->answers = {platform::idYes};
    const std::size_t size = Log().size();
    nav->tbAuto->click();
    EXPECT_NE(Log().find("Cleared NoFix tracklines", size), std::string::npos);
}

TEST_F(TFNavDrawingTest, ClearingUserShapes) {
    c->AddPoint(10, 10, g_Survey.UserShapeLayerId);
    c->AddPoint(10, 10, Layer("track_fix"));
    dialogs->answers = {platform::idNo};
    nav->ClearUserAddedShapes1->trigger();
    EXPECT_EQ(ShapesOn("plovan_usershape"), 1u);
    EXPECT_EQ(dialogs->messages.back(), "User added shapes to be deleted! Continue?");
    dialogs->answers = {platform::idYes};
    nav->ToolButton11->click();
    EXPECT_EQ(ShapesOn("plovan_usershape"), 0u);
    EXPECT_EQ(ShapesOn("track_fix"), 1u);
}

TEST_F(TFNavDrawingTest, TrackSelectionAndDeletion) {
    const int fix = c->AddPoint(100, 100, Layer("track_fix"));
    const int nofix = c->AddPoint(150, 150, Layer("track_nofix"));
    const int far = c->AddPoint(900, 900, Layer("track_float"));
    const int user = c->AddPoint(120, 120, g_Survey.UserShapeLayerId);
    nav->bSelectTracks->click();
    EXPECT_TRUE(g_Survey.SelectTracksPending);
    EXPECT_FALSE(g_Survey.TrackDeleteLock);
    EXPECT_EQ(nav->Deletetracksselected1->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(nav->Deletetracksselected1->shortcutContext(), Qt::WidgetShortcut);
    EXPECT_EQ(Panel(0), "Draw polygon to select tracks (right-click to finish)");
    EXPECT_EQ(c->FCurrentLayer, Layer("Plovan_SelectPoly"));
    EXPECT_EQ(c->FCommand, 6);
    // The polygon (50, 50) .. (200, 200).
    Click(50, 950);
    Click(200, 950);
    Click(200, 800);
    Click(50, 800);
    RightClick(0, 0);
    EXPECT_FALSE(g_Survey.SelectTracksPending);
    EXPECT_EQ(ShapesOn("Plovan_SelectPoly"), 0u);
    EXPECT_EQ(c->GetSelectedCount(), 2);
    EXPECT_EQ(Panel(0), "2 track(s) selected. Press Delete to remove.");
    EXPECT_EQ(c->FCommand, 0);

    nav->bDelSelected->click();
    EXPECT_EQ(c->FindShape(fix), nullptr);
    EXPECT_EQ(c->FindShape(nofix), nullptr);
    EXPECT_NE(c->FindShape(far), nullptr);
    EXPECT_NE(c->FindShape(user), nullptr);
    EXPECT_TRUE(g_Survey.TrackDeleteLock);
}

TEST_F(TFNavDrawingTest, ShapeSelectionSelectsEveryLayer) {
    c->AddPoint(100, 100, Layer("track_fix"));
    c->AddPoint(120, 120, g_Survey.UserShapeLayerId);
    nav->bMouseSelect->click();
    EXPECT_TRUE(g_Survey.SelectShapesPending);
    EXPECT_EQ(Panel(0), "Draw polygon to select shapes (right-click to finish)");
    Click(50, 950);
    Click(200, 950);
    Click(200, 800);
    RightClick(0, 0);
    EXPECT_EQ(c->GetSelectedCount(), 2);
    EXPECT_EQ(Panel(0), "2 shape(s) selected. Press Delete to remove.");
}

TEST_F(TFNavDrawingTest, APolygonOfTooFewVerticesSelectsNothing) {
    c->AddPoint(100, 100, Layer("track_fix"));
    // An old route around the tracks must not stand in for the new polygon.
    const int route = c->AddLayer("Plovan_Route");
    c->AddPolyline({{0, 0}, {500, 0}, {500, 500}, {0, 500}}, route, true);
    for (const int vertices : {1, 2}) {
        nav->bSelectTracks->click();
        Click(50, 950);
        if (vertices == 2) Click(200, 950);
        RightClick(0, 0);
        EXPECT_FALSE(g_Survey.SelectTracksPending);
        EXPECT_EQ(c->GetSelectedCount(), 0) << vertices;
        EXPECT_EQ(ShapesOn("Plovan_SelectPoly"), 0u) << vertices;
        // The status keeps the request's text.
        EXPECT_EQ(Panel(0), "Draw polygon to select tracks (right-click to finish)");
    }
}

TEST_F(TFNavDrawingTest, EscapeCancelsTheRequestAndReachesTheCanvas) {
    std::vector<int> keys;
    c->OnKeyDown = [&](TCanvasModel*, int& key, short) { keys.push_back(key); };
    nav->bSelectTracks->click();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(g_Survey.SelectTracksPending);
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(keys, std::vector<int>{KeyEscape});
    // A polygon drawn now is a plain polygon on the selection layer.
    Click(50, 950);
    Click(200, 950);
    Click(200, 800);
    RightClick(0, 0);
    EXPECT_EQ(ShapesOn("Plovan_SelectPoly"), 1u);
}

TEST_F(TFNavDrawingTest, DeleteKeyIsConsumedAndFunctionKeys) {
    std::vector<int> keys;
    c->OnKeyDown = [&](TCanvasModel*, int& key, short) { keys.push_back(key); };
    const int id = c->AddPoint(100, 100, g_Survey.UserShapeLayerId);
    c->SelectShape(id, false);
    g_Survey.TrackDeleteLock = false;
    Key(Qt::Key_Delete);
    EXPECT_EQ(c->FindShape(id), nullptr);
    EXPECT_TRUE(g_Survey.TrackDeleteLock);
    EXPECT_TRUE(keys.empty());

    // F5 switches the satellite background (and back).
    const bool map = c->GetMapVisible();
    Key(Qt::Key_F5);
    EXPECT_NE(c->GetMapVisible(), map);
    Key(Qt::Key_F5);
    EXPECT_EQ(c->GetMapVisible(), map);

    for (int i = 1; i <= 4; ++i) {
        Key(Qt::Key_F2);
        EXPECT_EQ(c->FDepthSpeedDisplayMode, i % 4);
        Key(Qt::Key_F3);
        EXPECT_EQ(c->FGGAOverlayPosition, i % 4);
    }
}

TEST_F(TFNavDrawingTest, TheMapTickResumesOnlyWhenTheDrawingPausedIt) {
    const struct {
        bool tickRunning, realtime, runningAfter;
    } cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
    for (const auto& k : cases) {
        g_Survey.RealtimeRunning = k.realtime;
        if (k.tickRunning)
            nav->tMap->start();
        else
            nav->tMap->stop();
        nav->ToolButton23->click();
        Click(100, 100);
        EXPECT_FALSE(nav->tMap->isActive());
        Click(200, 200);
        RightClick(0, 0);
        EXPECT_EQ(nav->tMap->isActive(), k.runningAfter) << k.tickRunning << " " << k.realtime;
        Click(0, 0);  // the swallowed click after the end
    }
    nav->tMap->stop();
}

TEST_F(TFNavDrawingTest, TheMapPauseHoldsUntilTheDrawingEnds) {
    // Realtime on, a ZDA seen: each GNSS line would start a stopped tick.
    g_Survey.RealtimeRunning = true;
    g_Survey.RealtimeStartTick = 1;
    g_Survey.ZdaSeen = true;
    const std::string line = "$GPHDT,10.0,T";
    const struct {
        const char* what;
        bool idleWhileDrawing;
        bool cancel;  // Escape instead of the right click that ends it
    } cases[] = {{"ended", false, false}, {"cancelled", false, true}, {"idle", true, false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        nav->tMap->start();
        nav->ToolButton23->click();
        Click(100, 100);
        ASSERT_FALSE(nav->tMap->isActive());
        if (k.idleWhileDrawing) nav->ZGPS1Idle();
        nav->ZGPS1NewCommand(line);  // the line the pause used to end at
        EXPECT_FALSE(nav->tMap->isActive());
        if (k.cancel) {
            c->KeyDown(KeyEscape, 0);
            EXPECT_FALSE(nav->tMap->isActive());
            nav->ZGPS1NewCommand(line);  // nothing ends the pause but the next line
        } else {
            Click(200, 200);
            RightClick(0, 0);
            Click(0, 0);  // the swallowed click after the end
        }
        EXPECT_TRUE(nav->tMap->isActive());
    }
    nav->tMap->stop();
}

TEST_F(TFNavDrawingTest, MeasureToggleAndClickedPanel) {
    RightClick(0, 900);  // world (0, 100)
    EXPECT_TRUE(g_Survey.MeasureActive);
    EXPECT_DOUBLE_EQ(g_Survey.MeasureStartY, 100);
    c->MouseDown(ButtonRight, 0, 0, 900);  // the second press ends it
    EXPECT_FALSE(g_Survey.MeasureActive);
    EXPECT_DOUBLE_EQ(g_Survey.MeasureStartX, 0);
    c->MouseMove(0, 10, 890);
    EXPECT_NEAR(c->FMeasureBearing, 45, 1e-9);  // the canvas's own line while held
    EXPECT_NEAR(c->FMeasureDistance, std::sqrt(200.0), 1e-9);
    c->MouseUp(ButtonRight, 0, 10, 890);
    EXPECT_EQ(c->FMeasuring, 0);

    // The main window's own measure from a start off the axes.
    g_Survey.MeasureActive = true;
    g_Survey.MeasureStartX = 100;
    g_Survey.MeasureStartY = 100;
    c->BeginMeasure(100, 100);
    const struct {
        int px, py;
        double bearing;
    } moves[] = {{110, 890, 45}, {110, 910, 135}, {90, 910, 225}, {90, 890, 315}, {110, 900, 90}};
    for (const auto& m : moves) {
        c->MouseMove(0, m.px, m.py);
        EXPECT_NEAR(c->FMeasureBearing, m.bearing, 1e-6) << m.px << "," << m.py;
    }
    EXPECT_DOUBLE_EQ(g_Survey.MouseWorldX, 110);
    EXPECT_DOUBLE_EQ(g_Survey.MouseWorldY, 100);

    Click(250, 750);
    EXPECT_EQ(Panel(2), "Clicked: E250.00, N250.00");
    EXPECT_EQ(nav->sStatusBar->PanelWidth(2), nav->sStatusBar->TextWidth(Panel(2)) + 20);
}

TEST_F(TFNavDrawingTest, EndingACommandLeavesTheMeasureToggle) {
    nav->ToolButton28->click();
    Click(100, 100);
    Click(200, 100);
    Click(200, 200);
    RightClick(0, 0);
    EXPECT_FALSE(g_Survey.MeasureActive);
}

TEST_F(TFNavDrawingTest, RoutesReachTheVisibleRunlineWindow) {
    fRunline1 = new TfRunline1(c);
    // Not shown: nothing is handed over.
    nav->ToolButton23->click();
    Click(100, 900);
    Click(200, 900);
    RightClick(0, 0);
    EXPECT_FALSE(fRunline1->RouteValid());

    fRunline1->show();
    fRunline1->bDrawRoute->click();
    Click(0, 0);  // swallowed after the last end
    Click(100, 900);
    Click(200, 900);
    Click(200, 800);
    RightClick(0, 0);
    ASSERT_TRUE(fRunline1->RouteValid());
    EXPECT_EQ(fRunline1->Route().size(), 3u);
    EXPECT_EQ(c->GetShapeLayer(c->FEndedShapeId), Layer("Plovan_Route"));

    // A circle is no route; a line chain is, with its own points.
    nav->ToolButton31->click();
    Click(0, 0);
    Click(500, 500);
    Click(550, 500);
    RightClick(0, 0);
    EXPECT_EQ(fRunline1->Route().size(), 3u);
    nav->ToolButton12->click();
    Click(0, 0);
    Click(300, 300);
    Click(400, 300);
    RightClick(0, 0);
    ASSERT_EQ(fRunline1->Route().size(), 2u);
    EXPECT_DOUBLE_EQ(fRunline1->Route()[1].X, 400);
}

TEST_F(TFNavDrawingTest, DoubleClickOnThePositionBoxTogglesCompactMode) {
    fRealtime = new TfRealtime();
    g_Survey.PositionStatusText = "RTK FIXED";
    c->FGGAOverlayPosition = 0;  // top left, from (8, 8)
    c->MouseMove(0, 500, 500);
    nav->fcadDblClick();  // away from the box
    EXPECT_FALSE(fRealtime->CompactMode());
    c->MouseMove(0, 12, 12);
    nav->fcadDblClick();
    EXPECT_TRUE(fRealtime->CompactMode());
    EXPECT_TRUE(nav->tDraw->isHidden());
    nav->fcadDblClick();
    EXPECT_FALSE(fRealtime->CompactMode());
    EXPECT_FALSE(nav->tDraw->isHidden());
    EXPECT_FALSE(nav->tShape->isHidden());
    EXPECT_FALSE(nav->MainMenu1->isHidden());
    EXPECT_FALSE(fRealtime->isVisible());  // restored without the realtime window
}

}  // namespace
