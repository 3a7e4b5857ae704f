#include "tools/ui/TfRunline1.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "canvas/CanvasModel.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"
#include "tools/RunlineGenerator.h"

namespace {

constexpr std::uint32_t kGray = 0x808080, kBlue = 0xFF0000, kRed = 0x0000FF, kGreen = 0x008000;

class TfRunline1Test : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TCanvasModel canvas;

    void SetUp() override {
        InitDayPaths();
        std::filesystem::create_directories(g_LogDir);
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        dialogs = scripted.get();
        platform::SetDialogs(std::move(scripted));
    }
    void TearDown() override {
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }

    static std::string Log() { return phxtest::ReadAll(EventLogPath()); }
    static int LogLines(const std::string& text) {
        const std::string log = Log();
        int n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
    static std::string Stored(const char* key) {
        platform::IniFile::DropCachedModels();
        return platform::IniFile(SettingsFilePath()).ReadString("RUNLINE", key, "<missing>");
    }
    int RunlineShapes() const {
        const int layer = canvas.FindLayer("Plovan_Runlines");
        return layer < 0 ? -1 : static_cast<int>(canvas.GetLayerShapeIds(layer).size());
    }

    platform::ScriptedDialogs* dialogs = nullptr;
};

TEST_F(TfRunline1Test, LayoutAndStoredSettings) {
    {
        TfRunline1 w(&canvas);
        EXPECT_EQ(w.objectName(), "fRunline1");
        EXPECT_EQ(w.windowTitle(), "Runline Generator");
        EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(w.lRouteStatus->text(), "No route drawn");
        EXPECT_EQ(w.StatusColor(), kGray);
        EXPECT_EQ(w.eSpacing->text(), "10");
        EXPECT_EQ(w.eLength->text(), "100");
        EXPECT_TRUE(w.rbPerpendicular->isChecked());
        EXPECT_FALSE(w.rbParallel->isChecked());
        for (const char* name : {"bDrawRoute", "bGenerate", "bClear", "bClose"})
            EXPECT_NE(w.findChild<QPushButton*>(name), nullptr) << name;
        EXPECT_FALSE(w.RouteValid());
    }
    const struct {
        const char* stored;
        bool perpendicular;
    } cases[] = {{"0", false}, {"1", true}, {"5", true}, {"x", true}};
    for (const auto& k : cases) {
        {
            platform::IniFile ini(SettingsFilePath());
            ini.WriteString("RUNLINE", "Spacing", "12.5");
            ini.WriteString("RUNLINE", "Length", "abc");
            ini.WriteString("RUNLINE", "Perpendicular", k.stored);
        }
        platform::IniFile::DropCachedModels();
        TfRunline1 w(&canvas);
        EXPECT_EQ(w.eSpacing->text(), "12.5");
        EXPECT_EQ(w.eLength->text(), "abc");
        EXPECT_EQ(w.rbPerpendicular->isChecked(), k.perpendicular) << k.stored;
        EXPECT_EQ(w.rbParallel->isChecked(), !k.perpendicular) << k.stored;
    }
    EXPECT_EQ(Log(), "");  // reading is no generation
}

TEST_F(TfRunline1Test, RouteGeneratesOnTheCanvas) {
    TfRunline1 w(&canvas);
    const int current = canvas.FCurrentLayer;
    w.SetRoute({{500000.25, 4500000.75}});
    EXPECT_EQ(w.lRouteStatus->text(), "Need at least 2 points");
    EXPECT_EQ(w.StatusColor(), kRed);
    EXPECT_EQ(RunlineShapes(), -1);

    const std::vector<TPointD> route{{500000.25, 4500000.75}, {500025.25, 4500000.75}};
    w.SetRoute(route);
    EXPECT_EQ(w.lRouteStatus->text(), "Route: 2 points");
    EXPECT_EQ(w.StatusColor(), kGreen);
    EXPECT_EQ(RunlineShapes(), 4);  // the route and three cross lines
    EXPECT_EQ(canvas.FCurrentLayer, current);
    EXPECT_EQ(LogLines("\tRunlines generated - Spacing: 10, Length: 100"), 1);

    // The canvas holds the generator's lines exactly.
    const RunlineSet set = GenerateRunlineSet(route, 10, 100, true);
    const std::vector<std::int32_t> ids = canvas.GetLayerShapeIds(w.RunlineLayerId());
    ASSERT_EQ(ids.size(), set.Lines.size() + 1);
    for (std::size_t i = 0; i < set.Lines.size(); ++i) {
        const int id = ids[i + 1];
        ASSERT_EQ(canvas.GetPolylinePointCount(id), 2);
        for (int v = 0; v < 2; ++v) {
            const TPointD& p = set.Lines[i][v];
            EXPECT_EQ(canvas.GetPolylineX(id, v), p.X);
            EXPECT_EQ(canvas.GetPolylineY(id, v), p.Y);
        }
    }
    // A second generation replaces the lines.
    w.rbParallel->click();
    EXPECT_EQ(RunlineShapes(), 21);
    EXPECT_EQ(LogLines("Runlines generated"), 2);
    w.rbPerpendicular->click();
    EXPECT_EQ(RunlineShapes(), 4);
    EXPECT_EQ(LogLines("Runlines generated"), 3);
}

TEST_F(TfRunline1Test, EveryEditRegeneratesAndLogsTheTextsAsTyped) {
    TfRunline1 w(&canvas);
    w.eSpacing->setText("5");  // no route yet: nothing
    EXPECT_EQ(Log(), "");
    w.SetRoute({{0, 0}, {25, 0}});
    w.eSpacing->setText("abc");
    EXPECT_EQ(RunlineShapes(), 4);  // spacing 10
    EXPECT_EQ(LogLines("\tRunlines generated - Spacing: abc, Length: 100"), 1);
    w.eLength->setText("-3");
    EXPECT_EQ(LogLines("\tRunlines generated - Spacing: abc, Length: -3"), 1);
    QTest::keyClicks(w.eSpacing, "12");  // "abc1", "abc12": one line each
    EXPECT_EQ(LogLines("Runlines generated"), 5);
    EXPECT_EQ(Stored("Spacing"), "<missing>");
}

TEST_F(TfRunline1Test, GenerateWritesTheSectionOnlyWithARoute) {
    TfRunline1 w(&canvas);
    w.bGenerate->click();
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(dialogs->messages[0], "Please draw a route first.");
    EXPECT_EQ(Stored("Spacing"), "<missing>");
    EXPECT_EQ(Stored("Perpendicular"), "<missing>");

    w.SetRoute({{0, 0}, {25, 0}});
    w.eSpacing->setText("7.5");
    w.rbParallel->setChecked(true);
    w.bGenerate->click();
    EXPECT_EQ(Stored("Spacing"), "7.5");
    EXPECT_EQ(Stored("Length"), "100");
    EXPECT_EQ(Stored("Perpendicular"), "0");
}

TEST_F(TfRunline1Test, TooManyLinesChangeNothing) {
    TfRunline1 w(&canvas);
    w.SetRoute({{0, 0}, {100, 0}});
    ASSERT_EQ(RunlineShapes(), 12);
    const std::string before = Log();
    w.eSpacing->setText("0.0001");
    EXPECT_EQ(w.lRouteStatus->text(), "Too many lines: 1000001");
    EXPECT_EQ(w.StatusColor(), kRed);
    EXPECT_EQ(RunlineShapes(), 12);
    EXPECT_EQ(Log(), before);
    w.bGenerate->click();
    EXPECT_EQ(Stored("Spacing"), "<missing>");
    // A sane spacing again: lines and the route's status come back.
    w.eSpacing->setText("50");
    EXPECT_EQ(RunlineShapes(), 4);
    EXPECT_EQ(w.lRouteStatus->text(), "Route: 2 points");
}

TEST_F(TfRunline1Test, DrawRouteAndClear) {
    TfRunline1 w(&canvas);
    w.SetRoute({{0, 0}, {25, 0}});
    const int user = canvas.AddLayer("plovan_usershape");
    canvas.FCommand = 0;
    canvas.FKeepCommand = 1;
    w.bDrawRoute->click();
    EXPECT_EQ(RunlineShapes(), 0);
    EXPECT_FALSE(w.RouteValid());
    const int route = canvas.FindLayer("Plovan_Route");
    ASSERT_GE(route, 0);
    EXPECT_EQ(canvas.FCurrentLayer, route);
    EXPECT_EQ(canvas.FCommand, 5);
    EXPECT_EQ(canvas.FKeepCommand, 0);
    EXPECT_EQ(w.lRouteStatus->text(), "Drawing... (right-click to finish)");
    EXPECT_EQ(w.StatusColor(), kBlue);

    // The route drawn with the mouse lands on the route layer.
    canvas.SetClientSize(1000, 1000);
    canvas.SetView(0, 1000, 1000, 0);
    canvas.MouseDown(1, 0, 100, 500);
    canvas.FCurrentLayer = user;  // as the main window does at the first point
    canvas.MouseDown(1, 0, 300, 500);
    canvas.MouseDown(2, 0, 300, 500);
    EXPECT_EQ(canvas.GetShapeLayer(canvas.FEndedShapeId), route);
    w.SetRoute(canvas.GetDrawnPolyline());
    EXPECT_EQ(RunlineShapes(), 22);  // 200 m: 21 lines and the route

    w.bClear->click();
    EXPECT_EQ(RunlineShapes(), 0);
    EXPECT_EQ(canvas.GetLayerShapeIds(route).size(), 1u);  // the route stays
    EXPECT_EQ(w.lRouteStatus->text(), "No route drawn");
    EXPECT_EQ(w.StatusColor(), kGray);
    EXPECT_FALSE(w.RouteValid());
}

TEST_F(TfRunline1Test, AReloadedDrawingKeepsItsLayerWithTheOldId) {
    TfRunline1 w(&canvas);
    w.SetRoute({{0, 0}, {25, 0}});
    const int old = w.RunlineLayerId();
    // A project load renumbers the layers: the old id now names another one.
    canvas.RemoveAllShapesAndLayers();
    for (int i = 0; i <= old; ++i) canvas.AddLayer(QStringLiteral("survey %1").arg(i));
    canvas.AddLine(0, 0, 1, 1, old);
    w.bClear->click();
    EXPECT_EQ(canvas.GetLayerShapeIds(old).size(), 1u);
}

TEST_F(TfRunline1Test, ClosingHides) {
    TfRunline1 w(&canvas);
    w.show();
    EXPECT_TRUE(w.isVisible());
    w.bClose->click();
    EXPECT_FALSE(w.isVisible());
}

}  // namespace
