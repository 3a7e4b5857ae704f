#include "canvas/DxfReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "canvas/DxfEntities.h"
#include "platform/Dialogs.h"
#include "tests/support/RunTool.h"
#include "tests/support/ScopedDialogs.h"
#include "tests/support/TempHome.h"

namespace {

const std::string kFixtures = std::string(PHX_TEST_DATA_DIR) + "/dxf/";

using Dialogs = phxtest::ScopedDialogs;

std::vector<const TPlovanShape*> ShapesOf(const TCanvasModel& m, int layer) {
    std::vector<const TPlovanShape*> out;
    for (const TPlovanShape* s : m.FShapes)
        if (s->FLayerId == layer) out.push_back(s);
    return out;
}

std::map<int, int> CountByType(const std::vector<const TPlovanShape*>& shapes) {
    std::map<int, int> counts;
    for (const TPlovanShape* s : shapes) ++counts[s->FShapeType];
    return counts;
}

const TPlovanPolyline* Poly(const TPlovanShape* s) {
    return dynamic_cast<const TPlovanPolyline*>(s);
}

// A minimal file: HEADER (optional), ENTITIES with `entities` pairs.
std::string Dxf(const std::string& entities, const std::string& before = "") {
    return before + "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

DxfImportResult Load(TCanvasModel& m, const std::string& bytes, const QString& layer = "_dxf_t") {
    return LoadDxfBytes(m, bytes, layer);
}

}  // namespace

TEST(DxfReader, Release12FixtureGivesEveryEntity) {
    Dialogs d;
    TCanvasModel m;
    const auto r = LoadDxfFile(m, QString::fromStdString(kFixtures + "r12_entities.dxf"));
    ASSERT_TRUE(r.imported);
    const int layer = m.GetImportLayer();
    EXPECT_EQ(m.FLayers.back()->Name, "_dxf_r12_entities.dxf");
    EXPECT_TRUE(m.FindLayerById(layer)->Visible);
    EXPECT_TRUE(m.FindLayerById(layer)->Locked);
    EXPECT_EQ(m.FCurrentLayer, layer);
    const auto shapes = ShapesOf(m, layer);
    // LINE, INSERT's line; CIRCLE; ARC, POLYLINE, SOLID; TEXT; POINT.
    EXPECT_EQ(CountByType(shapes),
              (std::map<int, int>{{3, 2}, {19, 1}, {5, 1}, {6, 2}, {11, 1}, {17, 1}}));
    ASSERT_EQ(shapes.size(), 8u);

    const auto& line = static_cast<const TPlovanLine&>(*shapes[0]);
    EXPECT_EQ(line.X1, 1);
    EXPECT_EQ(line.Y2, 12);
    EXPECT_EQ(line.FColor, 0x0000FF);

    const auto& circle = static_cast<const TPlovanCircle&>(*shapes[1]);
    EXPECT_EQ(circle.X, 50);
    EXPECT_EQ(circle.Radius, 5);
    EXPECT_EQ(circle.FMinX, 45);
    EXPECT_EQ(circle.FMaxY, 65);

    // ARC 350 -> 10 passes through 0 degrees: 21 vertices, the middle one at (10, 0).
    const TPlovanPolyline* arc = Poly(shapes[2]);
    ASSERT_EQ(arc->Count(), 21);
    EXPECT_FALSE(arc->Closed);
    EXPECT_NEAR(arc->GetX(0), 10 * std::cos(350 * M_PI / 180), 1e-5);
    EXPECT_NEAR(arc->GetY(0), 10 * std::sin(350 * M_PI / 180), 1e-5);
    EXPECT_NEAR(arc->GetX(10), 10, 1e-5);
    EXPECT_NEAR(arc->GetY(10), 0, 1e-5);
    EXPECT_NEAR(arc->GetY(20), 10 * std::sin(10 * M_PI / 180), 1e-5);

    const TPlovanPolyline* poly = Poly(shapes[3]);
    EXPECT_EQ(poly->Count(), 3);
    EXPECT_TRUE(poly->Closed);

    // SOLID with corners 3 = 4: a closed triangle 1, 2, 4.
    const TPlovanPolyline* solid = Poly(shapes[4]);
    ASSERT_EQ(solid->Count(), 3);
    EXPECT_TRUE(solid->Closed);
    EXPECT_EQ(solid->GetX(2), 5);
    EXPECT_EQ(solid->GetY(2), 8);

    const auto& text = static_cast<const TPlovanText&>(*shapes[5]);
    EXPECT_EQ(text.Text, QStringLiteral("Şamandıra"));  // written "\U+015Eamand\U+0131ra"
    EXPECT_EQ(text.Height, 2);
    EXPECT_EQ(text.Angle, 30);
    EXPECT_EQ(text.VAlign, 2);
    EXPECT_EQ(text.FontName, "Arial");

    EXPECT_EQ(static_cast<const TPlovanPoint&>(*shapes[6]).X, 7);

    // The INSERT: block line (0,0)-(1,0), at (100, 200), x scale 2, rotation 90.
    const auto& insert = static_cast<const TPlovanLine&>(*shapes[7]);
    EXPECT_NEAR(insert.X1, 100, 1e-9);
    EXPECT_NEAR(insert.Y1, 200, 1e-9);
    EXPECT_NEAR(insert.X2, 100, 1e-9);
    EXPECT_NEAR(insert.Y2, 202, 1e-9);
    EXPECT_TRUE(d.scripted->messages.isEmpty());
    // The view zoomed onto the drawing (the INSERT's line at y = 202 is the top).
    EXPECT_LE(m.FWorldLeft, 0);
    EXPECT_GE(m.FWorldTop, 202);
    EXPECT_LT(m.FWorldTop - m.FWorldBottom, 400);
}

TEST(DxfReader, Release2018FixtureGivesEveryEntity) {
    Dialogs d;
    TCanvasModel m;
    const auto r = LoadDxfFile(m, QString::fromStdString(kFixtures + "r2018_entities.dxf"));
    ASSERT_TRUE(r.imported);
    const auto shapes = ShapesOf(m, m.GetImportLayer());
    // MTEXT, TEXT; 3 ELLIPSE + LWPOLYLINE + SPLINE; INSERT's line; the
    // mirrored CIRCLE. The HATCH, the ATTDEF and the paper-space line give nothing.
    EXPECT_EQ(CountByType(shapes), (std::map<int, int>{{11, 2}, {5, 3}, {6, 2}, {3, 1}, {19, 1}}));

    const auto& mtext = static_cast<const TPlovanText&>(*shapes[0]);
    EXPECT_EQ(mtext.Text, "Depth contour under 1/2 Depth " + QString(294, 'x'));

    const TPlovanPolyline* full = Poly(shapes[1]);
    ASSERT_EQ(full->Count(), 37);
    EXPECT_TRUE(full->Closed);
    const TPlovanPolyline* half = Poly(shapes[2]);
    EXPECT_FALSE(half->Closed);
    EXPECT_NEAR(half->GetX(36), 90, 1e-5);  // t = pi at the far end of the major axis
    // 3pi/2 -> pi/2 runs through 0: the right half, (210, 0) in the middle.
    const TPlovanPolyline* wrapped = Poly(shapes[3]);
    EXPECT_FALSE(wrapped->Closed);
    EXPECT_NEAR(wrapped->GetX(18), 210, 1e-4);
    EXPECT_NEAR(wrapped->GetY(18), 0, 1e-4);
    for (int k = 0; k < 37; ++k) EXPECT_GE(wrapped->GetX(k), 200 - 1e-4);

    const TPlovanPolyline* lw = Poly(shapes[4]);
    EXPECT_EQ(lw->Count(), 4);
    EXPECT_TRUE(lw->Closed);
    EXPECT_EQ(Poly(shapes[5])->Count(), 4);  // the spline's control points

    const auto& insert = static_cast<const TPlovanLine&>(*shapes[6]);
    EXPECT_EQ(insert.X1, 500);
    EXPECT_EQ(insert.Y2, 505);
    const auto& mirrored = static_cast<const TPlovanCircle&>(*shapes[7]);
    EXPECT_EQ(mirrored.X, -30);
    EXPECT_EQ(mirrored.Y, 40);
    EXPECT_EQ(static_cast<const TPlovanText&>(*shapes[8]).Text, "paper");
}

TEST(DxfReader, ReimportReplacesTheShapesAndAFailedOneKeepsThem) {
    Dialogs d;
    phxtest::TempHome home;
    const std::string path = home.home() + "harbour.dxf";
    phxtest::WriteAll(path, Dxf("0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n"));
    TCanvasModel m;
    m.AddLine(0, 0, 1, 1, 0);
    ASSERT_TRUE(LoadDxfFile(m, QString::fromStdString(path)).imported);
    ASSERT_TRUE(LoadDxfFile(m, QString::fromStdString(path)).imported);
    const int layer = m.GetImportLayer();
    EXPECT_EQ(ShapesOf(m, layer).size(), 1u);
    EXPECT_EQ(ShapesOf(m, 0).size(), 1u);

    // Replaced by a file without ENTITIES, or by a binary DXF, or emptied
    // (its ENTITIES section empty, or holding only kinds not read): one
    // message each, and the earlier import stays with its layer colour and
    // blocks.
    m.FindLayerById(layer)->PenColor = 0x123456;
    m.FBlocks.push_back(std::make_unique<TDxfBlock>());
    const std::string redLayerAndTwoBlocks =
        "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n0\n62\n1\n0\nENDTAB\n"
        "0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nA\n0\nENDBLK\n0\nBLOCK\n2\nB\n"
        "0\nENDBLK\n0\nENDSEC\n";
    for (const std::string& bad :
         {std::string("0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nEOF\n"),
          std::string("AutoCAD Binary DXF\r\n\x1a\0\0\x02", 24), Dxf("", redLayerAndTwoBlocks),
          Dxf("0\nHATCH\n8\n0\n0\nINSERT\n2\nA\n", redLayerAndTwoBlocks)}) {
        phxtest::WriteAll(path, bad);
        EXPECT_FALSE(LoadDxfFile(m, QString::fromStdString(path)).read);
        EXPECT_EQ(ShapesOf(m, layer).size(), 1u);
        EXPECT_EQ(m.FindLayerById(layer)->PenColor, 0x123456);
        EXPECT_EQ(m.FBlocks.size(), 1u);
    }
    EXPECT_EQ(d.scripted->messages,
              (QStringList{"DXF load failed: ENTITIES section not found",
                           "DXF load failed: ENTITIES section not found",
                           "DXF load failed: the ENTITIES section holds nothing to draw",
                           "DXF load failed: the ENTITIES section holds nothing to draw"}));
    d.scripted->messages.clear();

    // A missing file: false, no message; one that is no regular file: one
    // message saying so. Nothing touched.
    EXPECT_FALSE(LoadDxfFile(m, QString::fromStdString(home.home() + "none.dxf")).read);
    EXPECT_EQ(d.scripted->messages.size(), 0);
    EXPECT_FALSE(LoadDxfFile(m, QString::fromStdString(home.home() + "AppData")).read);
    ASSERT_EQ(d.scripted->messages.size(), 1);
    EXPECT_EQ(d.scripted->messages[0].toStdString(),
              "DXF load failed: " + home.home() + "AppData (not a regular file)");
    EXPECT_EQ(ShapesOf(m, layer).size(), 1u);

    // Well under the file cap, but of two-byte pairs: their records would
    // take 12 bytes per byte read, 1.1 GB for these 90 MB. Refused before
    // any is kept.
    phxtest::WriteAll(path, std::string(std::size_t{90} << 20, '\n'));
    EXPECT_FALSE(LoadDxfFile(m, QString::fromStdString(path)).read);
    ASSERT_EQ(d.scripted->messages.size(), 2);
    EXPECT_EQ(d.scripted->messages[1],
              "DXF load failed: the file holds 47185920 code/value pairs, more than the 40807082 "
              "that fit beside a file of its size");
    EXPECT_EQ(ShapesOf(m, layer).size(), 1u);
}

TEST(DxfReader, ByteOrderMarkIsSkippedAlsoBeforeEntities) {
    Dialogs d;
    TCanvasModel m;
    const auto r = Load(m, "\xEF\xBB\xBF" + Dxf("0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n"));
    EXPECT_TRUE(r.imported);
    EXPECT_EQ(r.shapes, 1);
}

TEST(DxfReader, UnknownRecordsArePassedOverPairByPair) {
    Dialogs d;
    TCanvasModel m;
    // GDAL writes solid fills as HATCH with "2 SOLID"; a layer may be named
    // "TEXT"; a value line "0" inside a record is no record start.
    const std::string entities =
        "0\nHATCH\n8\n0\n2\nSOLID\n10\n0\n20\n0\n"
        "0\nLINE\n8\nTEXT\n10\n1\n20\n1\n11\n2\n21\n2\n"
        "0\nDIMENSION\n1\n0\n1\nLINE\n";
    const std::string blocks =
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n70\n0\n10\n0\n20\n0\n"
        "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n0\n0\nENDBLK\n0\nENDSEC\n";
    const auto r = Load(m, Dxf(entities + "0\nINSERT\n2\nB\n10\n5\n20\n5\n", blocks));
    EXPECT_EQ(r.shapes, 2);  // the LINE and the INSERT's line
    EXPECT_EQ(CountByType(ShapesOf(m, m.GetImportLayer())), (std::map<int, int>{{3, 2}}));
    ASSERT_NE(m.FindBlock("B"), nullptr);
    EXPECT_EQ(m.FindBlock("B")->Shapes.size(), 1u);

    // A block's lines are all a file may draw.
    TCanvasModel onlyInsert;
    EXPECT_EQ(Load(onlyInsert, Dxf("0\nHATCH\n8\n0\n0\nINSERT\n2\nB\n", blocks)).shapes, 1);
}

TEST(DxfReader, LayerColourAndEntityColour) {
    Dialogs d;
    TCanvasModel m;
    const std::string tables =
        "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
        "0\nLAYER\n2\nA\n62\n1\n0\nLAYER\n2\nB\n62\n7\n0\nLAYER\n2\n\n62\n3\n0\nENDTAB\n0\nENDSEC"
        "\n";
    Load(m, Dxf("0\nLINE\n62\n256\n11\n1\n0\nLINE\n62\n10\n11\n1\n0\nTEXT\n1\nt\n62\n1\n", tables));
    const auto shapes = ShapesOf(m, m.GetImportLayer());
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(m.FindLayerById(m.GetImportLayer())->PenColor, 0xFFFFFF);
    EXPECT_EQ(shapes[0]->FColor, 0xFFFFFF);  // by layer
    EXPECT_EQ(shapes[1]->FColor, 1209002);
    EXPECT_EQ(shapes[2]->FColor, 0xFFFFFF);  // texts take the layer's colour
}

TEST(DxfReader, EdgeCasesOfSingleEntities) {
    const struct {
        const char* name;
        std::string entities;
        long long shapes;
    } cases[] = {
        {"single-vertex LWPOLYLINE", "0\nLWPOLYLINE\n90\n1\n10\n1\n20\n1\n", 0},
        {"empty TEXT", "0\nTEXT\n1\n\n", 0},
        {"MTEXT of codes only", "0\nMTEXT\n1\n\\A1;\n", 0},
        {"unknown block", "0\nINSERT\n2\nNONE\n", 0},
        {"paper-space LINE", "0\nLINE\n67\n1\n11\n1\n", 0},
        {"paper-space POLYLINE",
         "0\nPOLYLINE\n67\n1\n66\n1\n0\nVERTEX\n10\n1\n0\nVERTEX\n10\n2\n0\nSEQEND\n", 0},
        {"tilted CIRCLE", "0\nCIRCLE\n40\n1\n210\n0.6\n220\n0\n230\n0.8\n", 0},
        {"nearly upright CIRCLE", "0\nCIRCLE\n40\n1\n210\n0\n220\n0\n230\n0.99999999999\n", 1},
        {"SPLINE with one point", "0\nSPLINE\n10\n1\n20\n1\n", 0},
        {"SPLINE with uneven counts", "0\nSPLINE\n10\n1\n20\n1\n10\n2\n", 0},
        {"POLYLINE and its vertices",
         "0\nPOLYLINE\n66\n1\n70\n1\n0\nVERTEX\n10\n1\n20\n1\n0\nVERTEX\n10\n2\n20\n1\n0\nVERTEX\n1"
         "0\n2\n20\n2\n0\nSEQEND\n0\nPOINT\n10\n1\n",
         2},
        {"only unsupported types", "0\n3DFACE\n10\n1\n0\nVIEWPORT\n", 0},
    };
    // A file that gives no shape is refused whole and changes nothing.
    for (const auto& c : cases) {
        Dialogs d;
        TCanvasModel m;
        const size_t layers = m.FLayers.size();
        const auto r = Load(m, Dxf(c.entities));
        EXPECT_EQ(r.read, c.shapes > 0) << c.name;
        EXPECT_EQ(r.shapes, c.shapes) << c.name;
        EXPECT_EQ(r.imported, c.shapes > 0) << c.name;
        if (c.shapes > 0) continue;
        EXPECT_EQ(d.scripted->messages,
                  QStringList{"DXF load failed: the ENTITIES section holds nothing to draw"})
            << c.name;
        EXPECT_EQ(m.FLayers.size(), layers) << c.name;
    }
}

TEST(DxfReader, MirroredObjectCoordinates) {
    Dialogs d;
    TCanvasModel m;
    const std::string ex = "210\n0\n220\n0\n230\n-1\n";
    Load(m, Dxf("0\nARC\n10\n10\n20\n0\n40\n1\n50\n0\n51\n90\n" + ex +
                "0\nTEXT\n1\nT\n10\n5\n20\n6\n50\n30\n" + ex +
                "0\nLWPOLYLINE\n10\n1\n20\n2\n10\n3\n20\n4\n" + ex));
    const auto shapes = ShapesOf(m, m.GetImportLayer());
    ASSERT_EQ(shapes.size(), 3u);
    // The arc's object (11, 0) .. (10, 1) lands at (-11, 0) .. (-10, 1).
    EXPECT_NEAR(Poly(shapes[0])->GetX(0), -11, 1e-6);
    EXPECT_NEAR(Poly(shapes[0])->GetX(20), -10, 1e-6);
    EXPECT_NEAR(Poly(shapes[0])->GetY(20), 1, 1e-6);
    const auto& t = static_cast<const TPlovanText&>(*shapes[1]);
    EXPECT_EQ(t.X, -5);
    EXPECT_EQ(t.Angle, 150);
    EXPECT_EQ(Poly(shapes[2])->GetX(1), -3);
}

TEST(DxfReader, EllipseParameters) {
    const struct {
        double start, end;
        bool closed;
        double midX;  // vertex 18
    } cases[] = {
        {0, 2 * M_PI, true, -10},
        {0, M_PI, false, 0},
        {1, 1, true, 10 * std::cos(1 + M_PI)},  // equal ends: the whole ellipse
        {3 * M_PI / 2, M_PI / 2, false, 10},
    };
    for (const auto& c : cases) {
        Dialogs d;
        TCanvasModel m;
        Load(m, Dxf("0\nELLIPSE\n11\n10\n21\n0\n40\n0.5\n41\n" + std::to_string(c.start) +
                    "\n42\n" + std::to_string(c.end) + "\n"));
        const auto shapes = ShapesOf(m, m.GetImportLayer());
        ASSERT_EQ(shapes.size(), 1u);
        EXPECT_EQ(Poly(shapes[0])->Closed, c.closed) << c.start << " " << c.end;
        EXPECT_NEAR(Poly(shapes[0])->GetX(18), c.midX, 1e-3) << c.start << " " << c.end;
    }
}

TEST(DxfReader, EachImportHasItsOwnBlockTable) {
    Dialogs d;
    TCanvasModel m;
    auto file = [](const char* y2) {
        return Dxf("0\nINSERT\n2\nS\n",
                   std::string("0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nS\n0\nLINE\n11\n1\n21\n") + y2 +
                       "\n0\nENDBLK\n0\nBLOCK\n2\nS\n0\nLINE\n11\n9\n0\nENDBLK\n0\nENDSEC\n");
    };
    Load(m, file("0"), "_dxf_a");
    Load(m, file("1"), "_dxf_b");
    const auto shapes = ShapesOf(m, m.GetImportLayer());
    ASSERT_EQ(shapes.size(), 1u);
    // The second file's first block named S, not the first file's.
    EXPECT_EQ(static_cast<const TPlovanLine&>(*shapes[0]).Y2, 1);
    EXPECT_EQ(static_cast<const TPlovanLine&>(*shapes[0]).X2, 1);
}

TEST(DxfReader, TextEncodings) {
    const struct {
        const char* name;
        std::string header;
        std::string text;
        QString expected;
    } cases[] = {
        {"R12 in 1254", "",
         "\xDE"
         "amand\xFD"
         "ra",
         QStringLiteral("Şamandıra")},
        {"R12 declared 1252", "9\n$ACADVER\n1\nAC1009\n9\n$DWGCODEPAGE\n3\nANSI_1252\n", "Caf\xE9",
         QStringLiteral("Café")},
        {"R12 in UTF-8", "9\n$ACADVER\n1\nAC1009\n", "Şamandıra", QStringLiteral("Şamandıra")},
        {"R2018", "9\n$ACADVER\n1\nAC1032\n9\n$DWGCODEPAGE\n3\nANSI_1252\n", "Şamandıra",
         QStringLiteral("Şamandıra")},
        {"escapes", "", "\\U+015Eamand\\U+0131ra", QStringLiteral("Şamandıra")},
    };
    for (const auto& c : cases) {
        Dialogs d;
        TCanvasModel m;
        const std::string header =
            c.header.empty() ? "" : "0\nSECTION\n2\nHEADER\n" + c.header + "0\nENDSEC\n";
        Load(m, Dxf("0\nTEXT\n1\n" + c.text + "\n", header));
        const auto shapes = ShapesOf(m, m.GetImportLayer());
        ASSERT_EQ(shapes.size(), 1u) << c.name;
        EXPECT_EQ(static_cast<const TPlovanText&>(*shapes[0]).Text, c.expected) << c.name;
    }
}

TEST(DxfReader, ShapeLimitStopsAndKeeps) {
    TCanvasModel m;
    m.FImportLayer = m.AddLayer("_dxf_limit");
    const std::string bytes =
        Dxf("0\nLINE\n11\n1\n0\nLINE\n11\n2\n0\nLINE\n11\n3\n0\nLINE\n11\n4\n");
    const auto pairs = DxfSplitPairs(bytes);
    DxfEntityReader reader(m, DxfEncoding::Utf8, 3);
    size_t at = 4;
    while (at < pairs.size() && pairs[at].value != "ENDSEC" && !reader.LimitReached())
        at = reader.Read(pairs, at);
    EXPECT_TRUE(reader.LimitReached());
    EXPECT_EQ(reader.Count(), 3);
    EXPECT_EQ(ShapesOf(m, m.FImportLayer).size(), 3u);
}

namespace {
int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}
}  // namespace

// GDAL's reader of the same fixtures: its feature count, less what this
// reader leaves out (HATCH, paper space), matches ours.
TEST(DxfReader, AgreesWithOgrinfoOnTheFixtures) {
    const std::string r12 =
        phxtest::RunTool("ogrinfo -al -q " + kFixtures + "r12_entities.dxf 2>/dev/null");
    if (r12.empty()) GTEST_SKIP() << "ogrinfo (gdal-bin) missing";
    EXPECT_EQ(Count(r12, "OGRFeature("), 8);
    EXPECT_NE(r12.find("LINESTRING Z (100 200 0,100 202 0)"), std::string::npos);
    EXPECT_NE(r12.find("LINESTRING Z (1 2 0,11 12 0)"), std::string::npos);
    EXPECT_NE(r12.find("POLYGON ((0 0,10 0,5 8,0 0))"), std::string::npos);
    const std::string r18 =
        phxtest::RunTool("ogrinfo -al -q " + kFixtures + "r2018_entities.dxf 2>/dev/null");
    // GDAL also reads the HATCH and the paper-space line.
    EXPECT_EQ(Count(r18, "OGRFeature("), 9 + 2);
    EXPECT_NE(r18.find("LINESTRING Z (500 500 0,500 505 0)"), std::string::npos);
    EXPECT_NE(r18.find("LINESTRING Z (-32 40 0,"), std::string::npos);  // the mirrored circle
}

TEST(DxfReader, TextAngleAndCodes) {
    const struct {
        const char* name;
        std::string entity;
        QString text;
        double angle;
    } cases[] = {
        {"MTEXT rotation", "0\nMTEXT\n1\nA\n50\n30\n", "A", 30},
        {"MTEXT direction", "0\nMTEXT\n1\nA\n11\n0\n21\n2\n", "A", 90},
        {"MTEXT direction, x only", "0\nMTEXT\n1\nA\n11\n-1\n", "A", 180},
        {"MTEXT rotation before direction", "0\nMTEXT\n1\nA\n50\n10\n11\n0\n21\n1\n", "A", 10},
        {"MTEXT neither", "0\nMTEXT\n1\nA\n", "A", 0},
        // A TEXT's 11/21 is its alignment point, no direction.
        {"TEXT alignment point", "0\nTEXT\n1\nA\n11\n0\n21\n5\n", "A", 0},
        {"TEXT codes", "0\nTEXT\n1\n{\\C1;Red} \\Lbuoy\\l\n50\n45\n", "Red buoy", 45},
    };
    for (const auto& c : cases) {
        Dialogs d;
        TCanvasModel m;
        Load(m, Dxf(c.entity));
        const auto shapes = ShapesOf(m, m.GetImportLayer());
        ASSERT_EQ(shapes.size(), 1u) << c.name;
        const auto& t = static_cast<const TPlovanText&>(*shapes[0]);
        EXPECT_EQ(t.Text, c.text) << c.name;
        EXPECT_NEAR(t.Angle, c.angle, 1e-9) << c.name;
    }
}

TEST(DxfReader, BulgedPointsEdges) {
    // A half turn from (0, 0) to (2, 0): counter-clockwise passes below the
    // chord, clockwise above; radius 1 takes chord-error steps of about
    // 16 degrees: 12 segments.
    for (double bulge : {1.0, -1.0}) {
        const auto points = DxfBulgedPoints({{0, 0, bulge}, {2, 0, 0}}, false);
        ASSERT_EQ(points.size(), 13u) << bulge;
        EXPECT_NEAR(points[6].X, 1, 1e-12) << bulge;
        EXPECT_NEAR(points[6].Y, -bulge, 1e-12) << bulge;
        for (const TPointD& p : points) EXPECT_NEAR(std::hypot(p.X - 1, p.Y), 1, 1e-12);
    }
    // Coincident vertices and a single closed vertex have no arc.
    EXPECT_EQ(DxfBulgedPoints({{1, 1, 1}, {1, 1, 0}}, false).size(), 2u);
    EXPECT_EQ(DxfBulgedPoints({{1, 1, 1}}, true).size(), 1u);
    // The closing segment bends; the first vertex is not repeated.
    const auto closed = DxfBulgedPoints({{0, 0, 0}, {2, 0, 1}}, true);
    EXPECT_EQ(closed.size(), 2u + 11u);
    EXPECT_NEAR(closed[2 + 5].Y, 1, 1e-12);

    // Mirrored object coordinates turn the arc with the polyline: the
    // object's arc below (1, 0) lands below (-1, 0).
    Dialogs d;
    TCanvasModel m;
    Load(m, Dxf("0\nLWPOLYLINE\n10\n0\n20\n0\n42\n1\n10\n2\n20\n0\n210\n0\n220\n0\n230\n-1\n"));
    const auto shapes = ShapesOf(m, m.GetImportLayer());
    ASSERT_EQ(shapes.size(), 1u);
    ASSERT_EQ(Poly(shapes[0])->Count(), 13);
    EXPECT_NEAR(Poly(shapes[0])->GetX(6), -1, 1e-5);
    EXPECT_NEAR(Poly(shapes[0])->GetY(6), -1, 1e-5);
}
