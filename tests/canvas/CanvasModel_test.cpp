// The canvas model: layers, shape ids, the add operations, per-id accessors,
// deleting, fonts and the drawing state.
#include "canvas/CanvasModel.h"

#include <gtest/gtest.h>

#include "platform/Dialogs.h"

namespace {

// A polyline that reports its destruction, to see who deletes the shape
// being drawn.
struct TrackedPolyline : TPlovanPolyline {
    explicit TrackedPolyline(bool& deleted) : Deleted(deleted) {}
    ~TrackedPolyline() override { Deleted = true; }
    bool& Deleted;
};

// Starts a vertex drawing as the mouse command does: the shape takes its id
// at the first click and stays outside the drawing.
void StartPolylineDrawing(TCanvasModel& m, bool& deleted) {
    auto* temp = new TrackedPolyline(deleted);
    temp->FId = m.TakeNextShapeId();
    temp->AddPoint(1, 1);
    m.FTempShape = temp;
    m.FDrawing = 1;
    m.FHasStartPoint = 1;
}

}  // namespace

TEST(CanvasModel, NewModelState) {
    TCanvasModel m;
    ASSERT_EQ(m.FLayers.size(), 1u);
    EXPECT_EQ(m.FLayers[0]->Name, QStringLiteral("Default"));
    EXPECT_EQ(m.FLayers[0]->Id, 0);
    EXPECT_EQ(m.FindLayer(QStringLiteral("Default")), 0);
    EXPECT_EQ(m.FindLayer(QStringLiteral("default")), -1);  // case-sensitive
    EXPECT_EQ(m.FNextLayerId, 1);
    EXPECT_EQ(m.FCurrentLayer, 0);
    EXPECT_EQ(m.FNextShapeId, 1);
    EXPECT_EQ(m.FShapeCount, 0);
    ASSERT_EQ(m.FFonts.size(), 1u);
    EXPECT_EQ(m.FFonts[0].Name, QStringLiteral("Arial"));
    EXPECT_EQ(m.FFonts[0].Size, 10);
    EXPECT_EQ(m.FFonts[0].Bold, 0);
    EXPECT_EQ(m.FWorldLeft, 0);
    EXPECT_EQ(m.FWorldRight, 1000);
    EXPECT_EQ(m.FWorldTop, 1000);
    EXPECT_EQ(m.FWorldBottom, 0);
    EXPECT_TRUE(m.FNeedsRedraw);
    EXPECT_EQ(m.FBackBuffer.format(), QImage::Format_RGB32);
    EXPECT_EQ(m.FBackgroundColor, clWhite);
    EXPECT_EQ(m.FGridColor, clSilver);
    EXPECT_EQ(m.FGridAutoScale, 1);
    EXPECT_EQ(m.FGridSpacingX, 100);
    EXPECT_EQ(m.FFollowVessel, 1);
    EXPECT_EQ(m.FShowSoundings, 1);
    EXPECT_EQ(m.FSoundingMinSpacing, 10.0);
    EXPECT_EQ(m.FSoundingFontName, QStringLiteral("Arial"));
    EXPECT_EQ(m.FSoundingFontSize, 12);
    EXPECT_EQ(m.FHeadingValid, 1);
    EXPECT_EQ(m.FTileZoom, 15);
    EXPECT_EQ(m.FTileCache.Size(), 0u);
    EXPECT_EQ(m.FTileCache.Capacity(), 512u);
    EXPECT_FALSE(m.GetMapVisible());
    EXPECT_EQ(m.FTempShape, nullptr);
    EXPECT_EQ(m.ClientWidth(), 400);
    EXPECT_EQ(m.ClientHeight(), 300);
    const TCanvasLayer& d = *m.FindLayerById(0);
    EXPECT_EQ(d.Visible, 1);
    EXPECT_EQ(d.PenWidth, 1);
    EXPECT_EQ(d.FillColor, clWhite);
    EXPECT_EQ(d.AuxColor, clWhite);
    EXPECT_EQ(d.FillStyle, 1);
}

TEST(CanvasModel, LayerIdsAndCurrentLayer) {
    TCanvasModel m;
    const int redraws = m.FRedrawCount;
    EXPECT_EQ(m.AddLayer(QStringLiteral("Track")), 1);
    EXPECT_EQ(m.AddLayer(QStringLiteral("Vessel")), 2);
    EXPECT_EQ(m.FCurrentLayer, 2);
    EXPECT_EQ(m.AddLayer(QStringLiteral("Track")), 1);  // existing: found, made current
    EXPECT_EQ(m.FCurrentLayer, 1);
    EXPECT_EQ(m.FLayers.size(), 3u);
    EXPECT_EQ(m.AddLayer(QStringLiteral("track")), 3);  // another name
    EXPECT_EQ(m.FRedrawCount, redraws);                  // no redraw
    m.AddLine(0, 0, 1, 1, 1);
    m.ClearLayer(-1);
    m.ClearLayer(1);
    EXPECT_EQ(m.AddLayer(QStringLiteral("After")), 4);  // never reused
    EXPECT_EQ(m.FindLayerById(4)->Name, QStringLiteral("After"));
    EXPECT_EQ(m.FindLayerById(5), nullptr);
    EXPECT_EQ(m.FindLayerById(-1), nullptr);
}

TEST(CanvasModel, ShapeIdsStartAtOneAndRestartOnlyAfterClearingEverything) {
    TCanvasModel m;
    const int layer = m.AddLayer(QStringLiteral("L"));
    EXPECT_EQ(m.AddCircle(0, 0, 5, layer), 1);
    EXPECT_EQ(m.AddCircle(0, 0, 5, layer), 2);
    EXPECT_EQ(m.AddPolyline({{1, 1}}, layer, false), -1);  // refused: no id used
    EXPECT_EQ(m.AddPolyline({}, layer, false), -1);
    EXPECT_EQ(m.FNextShapeId, 3);
    EXPECT_EQ(m.AddPoint(1, 1, layer), 3);
    m.ClearLayer(layer);
    EXPECT_EQ(m.FShapeCount, 0);
    EXPECT_EQ(m.AddPoint(1, 1, layer), 4);  // a layer clear keeps counting
    m.ClearLayer(-1);
    EXPECT_EQ(m.AddPoint(1, 1, layer), 1);
    EXPECT_EQ(m.FShapeCount, 1);
    EXPECT_EQ(m.FindShape(1)->FShapeType, ShapeType::Point);
}

TEST(CanvasModel, UnknownLayerFallsBackToDefault) {
    TCanvasModel m;
    const int other = m.AddLayer(QStringLiteral("Other"));
    m.SetLayerColor(0, 0x00FF00);
    const int id = m.AddLine(0, 0, 1, 1, 42);
    EXPECT_EQ(m.GetShapeLayer(id), 0);
    EXPECT_EQ(m.FCurrentLayer, 0);  // "Default" made current
    EXPECT_EQ(m.GetShapeColor(id), 0x00FF00);
    m.AddLine(0, 0, 1, 1, other);
    EXPECT_EQ(m.FCurrentLayer, 0);  // a known layer does not change it

    // Without a "Default" layer the fallback makes one.
    m.RemoveAllShapesAndLayers();
    EXPECT_EQ(m.AddLayer(QStringLiteral("Only")), 0);
    const int p = m.AddPoint(0, 0, 9);
    EXPECT_EQ(m.FindLayer(QStringLiteral("Default")), 1);
    EXPECT_EQ(m.GetShapeLayer(p), 1);
    EXPECT_EQ(m.FCurrentLayer, 1);
}

TEST(CanvasModel, AddOperationsCopyTheirLayerAttributes) {
    TCanvasModel m;
    const int l = m.AddLayer(QStringLiteral("Styled"));
    m.SetLayerColor(l, 0x112233);
    m.SetLayerWidth(l, 4);
    m.SetLayerStyle(l, 7);
    m.SetLayerFillColor(l, 0x445566);
    m.SetLayerFillStyle(l, bsSolid);
    struct Expect {
        int id, type;
        TColor color;
        int width;
        TColor fill;
        int fillStyle, style;
    };
    const Expect cases[] = {
        {m.AddLine(0, 0, 1, 1, l), 3, 0x112233, 4, clWhite, bsClear, 0},
        {m.AddCircle(0, 0, 5, l), 19, 0x112233, 4, 0x445566, bsSolid, 0},
        {m.AddRectangle(0, 0, 5, 5, l), 1, 0x112233, 4, 0x445566, bsSolid, 0},
        {m.AddPoint(0, 0, l), 17, 0x112233, 4, clWhite, bsClear, 0},
        {m.AddEllipse(0, 0, 5, 3, l), 20, 0x112233, 4, clWhite, bsClear, 0},
        {m.AddArc(0, 0, 1, 1, 2, 0, l), 10, 0x112233, 4, clWhite, bsClear, 0},
        {m.AddText(l, QStringLiteral("t"), 0, 0, 0), 11, 0x112233, 1, clWhite, bsClear, 0},
        {m.AddPolyline({{0, 0}, {1, 1}}, l, false), 5, 0x112233, 4, 0x445566, bsSolid, 7},
        {m.AddPolyline({{0, 0}, {1, 1}, {1, 0}}, l, true), 6, 0x112233, 4, 0x445566, bsSolid, 7},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.type);
        EXPECT_EQ(m.GetShapeType(e.id), e.type);
        EXPECT_EQ(m.GetShapeColor(e.id), e.color);
        EXPECT_EQ(m.GetShapeWidth(e.id), e.width);
        EXPECT_EQ(m.GetShapeFillColor(e.id), e.fill);
        EXPECT_EQ(m.GetShapeFillStyle(e.id), e.fillStyle);
        EXPECT_EQ(m.GetShapeStyle(e.id), e.style);
        EXPECT_EQ(m.GetShapeLayer(e.id), l);
    }
    auto* point = dynamic_cast<TPlovanPoint*>(m.FindShape(cases[3].id));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->Size, 3);
    EXPECT_EQ(point->Z, 0);
    EXPECT_EQ(point->FMaxX, 3);
    auto* rect = dynamic_cast<TPlovanRectangle*>(m.FindShape(cases[2].id));
    EXPECT_EQ(rect->Rounded, 0);
    EXPECT_EQ(rect->Value, 0);
    auto* closed = dynamic_cast<TPlovanPolyline*>(m.FindShape(cases[8].id));
    EXPECT_EQ(closed->Closed, 1);
    EXPECT_EQ(closed->FMaxX, 1);
    EXPECT_EQ(m.FShapeCount, 9);
    EXPECT_EQ(m.GetShapeIds(), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(CanvasModel, AddTextTakesTheFontEntryAndTheDefaultAlignment) {
    TCanvasModel m;
    const int font = m.AddFont(QStringLiteral("Courier New,20,B"));
    m.FDefaultTextHAlign = 2;
    const int t = m.AddText(0, QStringLiteral("abc"), 10, 20, font);
    auto* text = dynamic_cast<TPlovanText*>(m.FindShape(t));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->FontName, QStringLiteral("Courier New"));
    EXPECT_EQ(text->Height, 20);
    EXPECT_EQ(text->Bold, 1);
    EXPECT_EQ(text->Italic, 0);
    EXPECT_EQ(text->FontIndex, font);
    EXPECT_EQ(m.GetTextHAlign(t), 2);
    EXPECT_EQ(text->FMaxX, 10 + 0.6 * 10 * 3 + 10);  // the box keeps height 10
    EXPECT_EQ(m.GetShapeLabel(t), QStringLiteral("abc"));

    for (int bad : {-1, 5}) {
        auto* plain = dynamic_cast<TPlovanText*>(m.FindShape(m.AddText(0, QStringLiteral("x"), 0, 0, bad)));
        EXPECT_EQ(plain->FontName, QStringLiteral("Arial"));
        EXPECT_EQ(plain->Height, 10);
        EXPECT_EQ(plain->FontIndex, bad);
    }
    m.ResetTextDefaults();
    EXPECT_EQ(m.FDefaultTextHAlign, 0);
}

TEST(CanvasModel, UnknownIdsGiveNeutralDefaults) {
    TCanvasModel m;
    for (int id : {0, -1, 7, 1 << 30}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(m.GetShapeType(id), 0);
        EXPECT_EQ(m.GetShapeWidth(id), 1);
        EXPECT_EQ(m.GetShapeColor(id), 0);
        EXPECT_EQ(m.GetShapeStyle(id), 0);
        EXPECT_EQ(m.GetShapeFillColor(id), clWhite);
        EXPECT_EQ(m.GetShapeFillStyle(id), 0);
        EXPECT_EQ(m.GetShapeAuxValue(id), 0);
        EXPECT_EQ(m.GetShapeLayer(id), -1);
        EXPECT_EQ(m.GetLayerOfShape(id), -1);
        EXPECT_EQ(m.ShapeLayerOf(id), -1);
        EXPECT_EQ(m.GetShapeSelected(id), 0);
        EXPECT_EQ(m.GetShapeLabel(id), QString());
        EXPECT_EQ(m.GetShapeName(id), QString());
        EXPECT_EQ(m.GetShapeTag(id), 0);
        EXPECT_EQ(m.GetTextHAlign(id), 0);
        EXPECT_EQ(m.GetTextVAlign(id), 0);
        EXPECT_EQ(m.GetPointSize(id), 0);
        EXPECT_EQ(m.GetPolylinePointCount(id), 0);
        EXPECT_EQ(m.GetPolylineX(id, 0), 0);
        const int layerId = id == 0 ? 99 : id;
        EXPECT_EQ(m.GetLayerTag(layerId), 0);
        EXPECT_EQ(m.GetLayerColor(layerId), 0);
        EXPECT_EQ(m.GetLayerWidth(layerId), 1);
        EXPECT_EQ(m.GetLayerStyle(layerId), 0);
        EXPECT_EQ(m.GetLayerFillColor(layerId), clWhite);
        EXPECT_EQ(m.GetLayerAuxColor(layerId), clWhite);
        EXPECT_EQ(m.GetLayerFillStyle(layerId), 1);
        EXPECT_EQ(m.GetLayerAuxValue(layerId), 0);
        EXPECT_EQ(m.GetLayerVisible(layerId), 0);
        double x = 5, y = 5, x2 = 5, y2 = 5;
        std::string text = "keep";
        EXPECT_FALSE(m.GetShapeEndPoints(id, x, y, x2, y2));
        EXPECT_FALSE(m.GetPointXY(id, x, y));
        EXPECT_FALSE(m.GetTextInfo(id, x, y, text));
        EXPECT_EQ(text, "keep");
    }
    // Setters on unknown ids change nothing and do not redraw.
    const int redraws = m.FRedrawCount;
    m.SetShapeColor(5, 1);
    m.SetShapeWidth(5, 1);
    m.SetShapeLayer(5, 1);
    m.SetLayerColor(5, 1);
    m.SetLayerVisible(5, 1);
    m.MoveShape(5, 1, 1);
    m.MirrorShape(5, 0, 0, 0);
    m.BringToFront(5);
    m.SetPolylinePoint(5, 0, 1, 1);
    EXPECT_EQ(m.FRedrawCount, redraws);
}

TEST(CanvasModel, PropertySettersStoreAndRedraw) {
    TCanvasModel m;
    const int line = m.AddLine(0, 0, 1, 1, 0);
    const int text = m.AddText(0, QStringLiteral("t"), 0, 0, 0);
    const int point = m.AddPoint(5, 5, 0);
    struct Setter {
        const char* name;
        std::function<void()> set;
        std::function<bool()> check;
        bool redraws;
    };
    const Setter setters[] = {
        {"width", [&] { m.SetShapeWidth(line, 9); }, [&] { return m.GetShapeWidth(line) == 9; }, true},
        {"colour", [&] { m.SetShapeColor(line, 0xABC); }, [&] { return m.GetShapeColor(line) == 0xABC; }, true},
        {"style", [&] { m.SetShapeStyle(line, 4); }, [&] { return m.GetShapeStyle(line) == 4; }, true},
        {"fill", [&] { m.SetShapeFillColor(line, 7); }, [&] { return m.GetShapeFillColor(line) == 7; }, true},
        {"fill style", [&] { m.SetShapeFillStyle(line, 6); }, [&] { return m.GetShapeFillStyle(line) == 6; }, true},
        {"aux", [&] { m.SetShapeAuxValue(line, -3); }, [&] { return m.GetShapeAuxValue(line) == -3; }, true},
        {"label", [&] { m.SetShapeLabel(line, QStringLiteral("L")); }, [&] { return m.GetShapeLabel(line) == QStringLiteral("L"); }, true},
        {"tag", [&] { m.SetShapeTag(line, 15); }, [&] { return m.GetShapeTag(line) == 15; }, true},
        {"name", [&] { m.SetShapeName(line, QStringLiteral("N")); }, [&] { return m.GetShapeName(line) == QStringLiteral("N"); }, false},
        {"h align", [&] { m.SetTextHAlign(text, 1); }, [&] { return m.GetTextHAlign(text) == 1; }, true},
        {"v align", [&] { m.SetTextVAlign(text, 2); }, [&] { return m.GetTextVAlign(text) == 2; }, true},
        {"point size", [&] { m.SetPointSize(point, 8); }, [&] { return m.GetPointSize(point) == 8 && m.FindShape(point)->FMaxX == 13; }, true},
        {"shape layer", [&] { m.SetShapeLayer(line, 77); }, [&] { return m.GetShapeLayer(line) == 77; }, true},
        {"h align on a line", [&] { m.SetTextHAlign(line, 1); }, [&] { return m.GetTextHAlign(line) == 0; }, false},
        {"point size on a text", [&] { m.SetPointSize(text, 5); }, [&] { return m.GetPointSize(text) == 0; }, false},
    };
    for (const Setter& s : setters) {
        const int before = m.FRedrawCount;
        m.FNeedsRedraw = false;
        s.set();
        EXPECT_TRUE(s.check()) << s.name;
        EXPECT_EQ(m.FRedrawCount, before + (s.redraws ? 1 : 0)) << s.name;
        EXPECT_EQ(m.FNeedsRedraw, s.redraws) << s.name;
    }
}

TEST(CanvasModel, LayerSettersAndMoveLayerShapes) {
    TCanvasModel m;
    const int a = m.AddLayer(QStringLiteral("A"));
    const int b = m.AddLayer(QStringLiteral("B"));
    const int s1 = m.AddLine(0, 0, 1, 1, a);
    const int s2 = m.AddCircle(0, 0, 1, a);
    const int s3 = m.AddLine(0, 0, 1, 1, b);
    m.SetShapeColor(s2, 0x0000AA);
    m.SetLayerColor(a, 0x00BB00);  // recolours every shape of the layer
    EXPECT_EQ(m.GetShapeColor(s1), 0x00BB00);
    EXPECT_EQ(m.GetShapeColor(s2), 0x00BB00);
    EXPECT_EQ(m.GetShapeColor(s3), 0);
    m.SetLayerWidth(a, 3);
    EXPECT_EQ(m.GetShapeWidth(s2), 3);
    EXPECT_EQ(m.GetShapeWidth(s3), 1);
    m.SetLayerFillColor(a, 0x123456);  // existing shapes keep theirs
    EXPECT_EQ(m.GetShapeFillColor(s2), clWhite);
    EXPECT_EQ(m.GetShapeFillColor(m.AddCircle(0, 0, 1, a)), 0x123456);
    m.SetLayerTag(a, 15);
    m.SetLayerAuxColor(a, 1);
    m.SetLayerAuxValue(a, 2);
    m.SetLayerVisible(a, 0);
    EXPECT_EQ(m.GetLayerTag(a), 15);
    EXPECT_EQ(m.GetLayerAuxColor(a), 1);
    EXPECT_EQ(m.GetLayerAuxValue(a), 2);
    EXPECT_EQ(m.GetLayerVisible(a), 0);

    int redraws = m.FRedrawCount;
    m.MoveLayerShapes(a, b, 0);  // no move, but a redraw
    EXPECT_EQ(m.GetShapeLayer(s1), a);
    EXPECT_EQ(m.FRedrawCount, redraws + 1);
    m.MoveLayerShapes(a, b, 1);
    EXPECT_EQ(m.GetShapeLayer(s1), b);
    EXPECT_EQ(m.GetShapeLayer(s2), b);
    EXPECT_EQ(m.GetLayerShapeIds(a), std::vector<std::int32_t>{});
    EXPECT_EQ(m.GetLayerShapeIds(b).size(), 4u);
    EXPECT_EQ(m.FLayers.size(), 3u);  // records untouched
}

TEST(CanvasModel, AppendShapeKeepsAFreeIdAndReplacesATakenOne) {
    TCanvasModel m;
    m.AddPoint(0, 0, 0);  // id 1
    auto keep = std::make_unique<TPlovanLine>(0, 0, 1, 1, 0);
    keep->FId = 10;
    EXPECT_EQ(m.AppendShape(std::move(keep)), 10);
    EXPECT_EQ(m.FNextShapeId, 11);
    auto taken = std::make_unique<TPlovanLine>(0, 0, 1, 1, 0);
    taken->FId = 1;
    EXPECT_EQ(m.AppendShape(std::move(taken)), 11);
    EXPECT_EQ(m.AppendShape(std::make_unique<TPlovanLine>(0, 0, 1, 1, 0)), 12);
    auto far = std::make_unique<TPlovanLine>(0, 0, 1, 1, 0);
    far->FId = 2000000000;
    EXPECT_EQ(m.AppendShape(std::move(far)), 2000000000);
    EXPECT_NE(m.FindShape(2000000000), nullptr);
    EXPECT_EQ(m.FShapeCount, 5);
    EXPECT_EQ(m.AppendShape(nullptr), -1);
    m.DeleteShape(2000000000);
    EXPECT_EQ(m.FindShape(2000000000), nullptr);
    EXPECT_EQ(m.FShapeCount, 4);
}

TEST(CanvasModel, IdIndexStaysRightThroughDeletesAndReorders) {
    TCanvasModel m;
    for (int i = 0; i < 5000; ++i) m.AddPoint(i, 0, i % 3 == 0 ? 0 : m.AddLayer(QStringLiteral("B")));
    for (int id = 2; id <= 5000; id += 2) m.DeleteShape(id);
    m.ClearLayer(0);  // ids 1, 4, 7, ...
    m.BringToFront(5);
    m.SendToBack(4997);
    for (int id = 0; id <= 5001; ++id) {
        const bool alive = id >= 1 && id <= 5000 && id % 2 == 1 && (id - 1) % 3 != 0;
        const TPlovanShape* s = m.FindShape(id);
        ASSERT_EQ(s != nullptr, alive) << id;
        if (alive) {
            EXPECT_EQ(s->FId, id);
            EXPECT_EQ(dynamic_cast<const TPlovanPoint*>(s)->X, id - 1);
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(m.FShapeCount), m.FShapes.size());
    EXPECT_EQ(m.FShapes.front()->FId, 4997);
    EXPECT_EQ(m.FShapes.back()->FId, 5);
}

TEST(CanvasModel, ClearLayerByNameComparesNamesExactly) {
    TCanvasModel m;
    // Both names become "?????" in an 8-bit code page without these letters.
    const int greek = m.AddLayer(QStringLiteral("Δέλτα"));
    const int cyrillic = m.AddLayer(QStringLiteral("Дельт"));
    const int upper = m.AddLayer(QStringLiteral("ΔΈΛΤΑ"));
    const int g = m.AddPoint(0, 0, greek);
    const int c = m.AddPoint(0, 0, cyrillic);
    const int u = m.AddPoint(0, 0, upper);
    const int orphan = m.AddPoint(0, 0, greek);
    m.SetShapeLayer(orphan, 99);  // a layer id without a record stays
    m.SelectShape(c, true);
    const int repaints = m.FRepaintCount;
    m.ClearLayerByName(QStringLiteral("Δέλτα"));
    EXPECT_EQ(m.FindShape(g), nullptr);
    EXPECT_NE(m.FindShape(c), nullptr);
    EXPECT_NE(m.FindShape(u), nullptr);
    EXPECT_NE(m.FindShape(orphan), nullptr);
    EXPECT_EQ(m.GetSelectedIds(), std::vector<std::int32_t>{c});
    EXPECT_EQ(m.FRepaintCount, repaints + 1);
    m.ClearLayerByName(QStringLiteral("nothing"));
    EXPECT_EQ(m.FShapeCount, 3);
}

TEST(CanvasModel, ClearLayerKeepsOtherLayersAndTheirSelection) {
    TCanvasModel m;
    const int other = m.AddLayer(QStringLiteral("Other"));
    const int d1 = m.AddPoint(0, 0, 0);
    const int o1 = m.AddPoint(0, 0, other);
    const int d2 = m.AddLine(0, 0, 1, 1, 0);
    m.SelectShape(d1, true);
    m.SelectShape(o1, true);
    m.SelectShape(d2, true);
    m.SelectShape(o1, true);
    const int repaints = m.FRepaintCount;
    m.ClearLayer(0);
    EXPECT_EQ(m.GetShapeIds(), std::vector<std::int32_t>{o1});
    EXPECT_EQ(m.GetSelectedIds(), (std::vector<std::int32_t>{o1, o1}));
    EXPECT_EQ(m.FShapeCount, 1);
    EXPECT_EQ(m.FRepaintCount, repaints + 1);
    EXPECT_NE(m.FindLayerById(0), nullptr);  // the record stays
}

TEST(CanvasModel, DeleteOperations) {
    using Op = void (TCanvasModel::*)();
    const struct {
        const char* name;
        Op op;
        bool repaints;
    } cases[] = {{"DeleteSelectedShapes", &TCanvasModel::DeleteSelectedShapes, true},
                 {"DeleteSelection", &TCanvasModel::DeleteSelection, false},
                 {"RemoveSelectedShapes", &TCanvasModel::RemoveSelectedShapes, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCanvasModel m;
        for (int i = 0; i < 6; ++i) m.AddPoint(i, i, 0);
        m.SelectShape(2, true);
        m.SelectShape(5, true);
        m.SelectShape(2, true);
        m.FindShape(6)->FSelected = 1;  // a flag without a list entry is deleted too
        const int repaints = m.FRepaintCount;
        (m.*c.op)();
        EXPECT_EQ(m.GetShapeIds(), (std::vector<std::int32_t>{1, 3, 4}));
        EXPECT_TRUE(m.GetSelectedIds().empty());
        EXPECT_EQ(m.FShapeCount, 3);
        EXPECT_EQ(m.FindShape(5), nullptr);
        EXPECT_EQ(m.FRepaintCount, repaints + (c.repaints ? 1 : 0));
        EXPECT_EQ(m.AddPoint(0, 0, 0), 7);
    }
}

TEST(CanvasModel, DeleteShapeRemovesEveryOccurrenceFromTheSelection) {
    TCanvasModel m;
    const int a = m.AddPoint(0, 0, 0);
    const int b = m.AddPoint(1, 1, 0);
    m.SelectShape(a, true);
    m.SelectShape(b, true);
    m.SelectShape(a, true);
    m.DeleteShape(a);
    EXPECT_EQ(m.FindShape(a), nullptr);
    EXPECT_EQ(m.GetSelectedIds(), std::vector<std::int32_t>{b});
    EXPECT_EQ(m.FShapeCount, 1);
    m.DeleteShape(a);  // gone already: nothing more
    EXPECT_EQ(m.FShapeCount, 1);
}

TEST(CanvasModel, ClearingEverythingCancelsADrawingInProgress) {
    TCanvasModel m;
    m.AddPoint(0, 0, 0);
    bool deleted = false;
    StartPolylineDrawing(m, deleted);
    const int takenId = m.FTempShape->FId;
    EXPECT_EQ(takenId, 2);
    m.SelectShape(1, true);
    m.ClearLayer(-1);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(m.FTempShape, nullptr);
    EXPECT_EQ(m.FDrawing, 0);
    EXPECT_EQ(m.FHasStartPoint, 0);
    EXPECT_TRUE(m.GetSelectedIds().empty());
    // The id the drawing held is handed out again, to one shape only.
    EXPECT_EQ(m.AddPoint(0, 0, 0), 1);
    EXPECT_EQ(m.AddPoint(0, 0, 0), 2);
    EXPECT_EQ(m.FShapeCount, 2);

    bool deleted2 = false;
    StartPolylineDrawing(m, deleted2);
    m.RemoveAllShapesAndLayers();  // a project load replacing the drawing
    EXPECT_TRUE(deleted2);
    EXPECT_EQ(m.FTempShape, nullptr);
    EXPECT_EQ(m.FNextShapeId, 1);
    EXPECT_EQ(m.FNextLayerId, 0);
    EXPECT_TRUE(m.FLayers.empty());
}

TEST(CanvasModel, ClearingOneLayerLeavesTheDrawingInProgress) {
    TCanvasModel m;
    bool deleted = false;
    StartPolylineDrawing(m, deleted);
    m.ClearLayer(0);
    EXPECT_FALSE(deleted);
    EXPECT_NE(m.FTempShape, nullptr);
}

TEST(CanvasModel, ResetDrawingStateAndTheDestructorDeleteTheShapeBeingDrawn) {
    bool deleted = false;
    {
        TCanvasModel m;
        StartPolylineDrawing(m, deleted);
        m.FSkipClick = 1;
        m.FCommand = 5;
        m.ResetDrawingState();
        EXPECT_TRUE(deleted);
        EXPECT_EQ(m.FTempShape, nullptr);
        EXPECT_EQ(m.FDrawing, 0);
        EXPECT_EQ(m.FHasStartPoint, 0);
        EXPECT_EQ(m.FSkipClick, 0);
        EXPECT_EQ(m.FCommand, 5);  // unchanged
        deleted = false;
        StartPolylineDrawing(m, deleted);
    }
    EXPECT_TRUE(deleted);
}

TEST(CanvasModel, CancelDrawingIsEscape) {
    TCanvasModel m;
    bool deleted = false;
    StartPolylineDrawing(m, deleted);
    m.FCommand = 5;
    m.FSkipClick = 1;
    const int invalidations = m.FInvalidateCount;
    m.CancelDrawing();
    EXPECT_TRUE(deleted);
    EXPECT_EQ(m.FCommand, 5);
    EXPECT_EQ(m.FSkipClick, 1);
    EXPECT_EQ(m.FDrawing, 0);
    EXPECT_EQ(m.FInvalidateCount, invalidations + 1);
    EXPECT_EQ(m.FShapeCount, 0);
}

TEST(CanvasModel, AddFontParsesNameSizeAndStyle) {
    const struct {
        const char* spec;
        const char* name;
        int size, bold, italic;
    } cases[] = {
        {"Courier New,12,bi", "Courier New", 12, 1, 1},
        {"txt", "Arial", 10, 0, 0},
        {"TXT,8", "Arial", 8, 0, 0},
        {"Tahoma", "Tahoma", 10, 0, 0},
        {"Arial,14", "Arial", 14, 0, 0},
        {"Arial,abc,B", "Arial", 10, 1, 0},
        {"Arial,,i", "Arial", 10, 0, 1},
        {"Arial,9,", "Arial", 9, 0, 0},
        {"Arial,9,xyz,b", "Arial", 9, 1, 0},
        {",7", "", 7, 0, 0},
    };
    TCanvasModel m;
    int expectedIndex = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const int index = m.AddFont(QString::fromUtf8(c.spec));
        EXPECT_EQ(index, expectedIndex++);
        EXPECT_EQ(m.FCurrentFont, index);
        const TCanvasFont& f = m.FFonts[static_cast<std::size_t>(index)];
        EXPECT_EQ(f.Name.toStdString(), c.name);
        EXPECT_EQ(f.Size, c.size);
        EXPECT_EQ(f.Bold, c.bold);
        EXPECT_EQ(f.Italic, c.italic);
    }
}

TEST(CanvasModel, RedrawInvalidateAndRepaintHooks) {
    struct Widget : TCanvasModel {
        int invalidated = 0, repainted = 0, cursor = 0;
        void Invalidate() override { ++invalidated; }
        void Repaint() override { ++repainted; }
        void RestoreDefaultCursor() override { ++cursor; }
    } w;
    w.FNeedsRedraw = false;
    w.AddPoint(0, 0, 0);
    EXPECT_TRUE(w.FNeedsRedraw);
    EXPECT_EQ(w.invalidated, 1);  // redraw invalidates through the hook
    w.ClearLayer(-1);
    EXPECT_EQ(w.repainted, 1);
    w.ResetDrawingState();
    EXPECT_EQ(w.cursor, 1);
}

TEST(CanvasModel, ReservedEntriesAndAbout) {
    TCanvasModel m;
    EXPECT_EQ(m.Reserved1(), -1);
    EXPECT_EQ(m.Reserved2(), 0);
    EXPECT_EQ(m.Reserved3(), 0);
    EXPECT_EQ(m.Reserved4(), 0);
    m.Reserved5();
    m.Reserved6();
    m.Reserved7();
    auto& dialogs = static_cast<platform::ScriptedDialogs&>(platform::dialogs());
    const auto shown = dialogs.messages.size();
    m.About();
    ASSERT_EQ(dialogs.messages.size(), shown + 1);
    EXPECT_FALSE(dialogs.messages.back().isEmpty());
}
