// The DXF reader on files written by ezdxf and GDAL (tests/canvas/dxf/,
// made by make_fixtures.py): bulged polylines against ezdxf's own arcs,
// polyface meshes, text directions, values beyond the double range, files cut
// off anywhere, and GDAL's writer against ogrinfo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "canvas/DxfReader.h"
#include "platform/Dialogs.h"
#include "tests/support/RunTool.h"
#include "tests/support/ScopedDialogs.h"
#include "tests/support/TempHome.h"

namespace {

const std::string kFixtures = std::string(PHX_TEST_DATA_DIR) + "/dxf/";

using Dialogs = phxtest::ScopedDialogs;

std::vector<const TPlovanShape*> ImportedShapes(const TCanvasModel& m) {
    std::vector<const TPlovanShape*> out;
    for (const TPlovanShape* s : m.FShapes)
        if (s->FLayerId == m.GetImportLayer()) out.push_back(s);
    return out;
}

DxfImportResult LoadFixture(TCanvasModel& m, const std::string& name) {
    return LoadDxfFile(m, QString::fromStdString(kFixtures + name));
}

// One piece of a polyline as ezdxf gives it: an arc (centre, radius,
// counter-clockwise from start to end in degrees) or a straight line.
struct Piece {
    bool arc = false;
    double cx = 0, cy = 0, r = 0, start = 0, end = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;

    double SpanDegrees() const { return std::fmod(std::fmod(end - start, 360) + 360, 360); }
    // The point's angle past the start, in 0..360.
    double Past(double x, double y) const {
        const double a = std::atan2(y - cy, x - cx) * 180 / M_PI;
        return std::fmod(std::fmod(a - start, 360) + 360, 360);
    }
    double Distance(double x, double y) const {
        if (!arc) {
            const double dx = x2 - x1, dy = y2 - y1;
            const double t =
                std::clamp(((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            return std::hypot(x - x1 - t * dx, y - y1 - t * dy);
        }
        if (Past(x, y) <= SpanDegrees() + 1e-7) return std::fabs(std::hypot(x - cx, y - cy) - r);
        const double a = start * M_PI / 180, b = end * M_PI / 180;
        return std::min(std::hypot(x - cx - r * std::cos(a), y - cy - r * std::sin(a)),
                        std::hypot(x - cx - r * std::cos(b), y - cy - r * std::sin(b)));
    }
};

struct ExpectedPolyline {
    int vertices = 0;
    bool closed = false;
    std::vector<Piece> pieces;
};

std::vector<ExpectedPolyline> ReadBulgesExpected() {
    std::ifstream in(kFixtures + "bulges.expected");
    std::vector<ExpectedPolyline> out;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        Piece p;
        if (kind == "polyline") {
            out.emplace_back();
            int closed = 0;
            fields >> out.back().vertices >> closed;
            out.back().closed = closed;
            continue;
        }
        p.arc = kind == "arc";
        if (p.arc)
            fields >> p.cx >> p.cy >> p.r >> p.start >> p.end;
        else
            fields >> p.x1 >> p.y1 >> p.x2 >> p.y2;
        out.back().pieces.push_back(p);
    }
    return out;
}

// Points strictly inside an arc: its segments are at most 1 degree, or have
// a chord error under 1 cm, whichever takes fewer.
int InteriorPoints(const Piece& p) {
    const double span = p.SpanDegrees();
    const double byAngle = std::ceil(span - 1e-9);
    const double errorStep = 2 * std::acos(std::max(-1.0, 1 - 0.01 / p.r)) * 180 / M_PI;
    const double byError = std::floor(span / errorStep) + 1;
    return static_cast<int>(std::max(1.0, std::min(byAngle, byError))) - 1;
}

}  // namespace

TEST(DxfFixtures, BulgedSegmentsFollowEzdxfArcs) {
    Dialogs d;
    TCanvasModel m;
    ASSERT_TRUE(LoadFixture(m, "bulges.dxf").imported);
    const auto expected = ReadBulgesExpected();
    const auto shapes = ImportedShapes(m);
    ASSERT_EQ(shapes.size(), expected.size());
    for (size_t i = 0; i < shapes.size(); ++i) {
        SCOPED_TRACE("polyline " + std::to_string(i));
        const auto* poly = dynamic_cast<const TPlovanPolyline*>(shapes[i]);
        ASSERT_NE(poly, nullptr);
        const ExpectedPolyline& e = expected[i];
        EXPECT_EQ(bool(poly->Closed), e.closed);
        int count = e.vertices;
        for (const Piece& p : e.pieces)
            if (p.arc) count += InteriorPoints(p);
        ASSERT_EQ(poly->Count(), count);

        auto nearest = [&](double x, double y) {
            const Piece* best = nullptr;
            double distance = 1e30;
            for (const Piece& p : e.pieces)
                if (p.Distance(x, y) < distance) distance = p.Distance(x, y), best = &p;
            return std::make_pair(distance, best);
        };
        const int segments = poly->Count() - (e.closed ? 0 : 1);
        for (int k = 0; k < poly->Count(); ++k)
            EXPECT_LT(nearest(poly->GetX(k), poly->GetY(k)).first, 1e-3) << "vertex " << k;
        for (int k = 0; k < segments; ++k) {
            const int next = (k + 1) % poly->Count();
            const double x1 = poly->GetX(k), y1 = poly->GetY(k);
            const double x2 = poly->GetX(next), y2 = poly->GetY(next);
            const auto [deviation, piece] = nearest((x1 + x2) / 2, (y1 + y2) / 2);
            // True to the arc within 1 cm, or a step of at most 1 degree.
            if (deviation < 0.01) continue;
            ASSERT_TRUE(piece->arc) << "segment " << k;
            const double step = std::fabs(piece->Past(x2, y2) - piece->Past(x1, y1));
            EXPECT_LE(step, 1 + 1e-3) << "segment " << k;
        }
    }
}

TEST(DxfFixtures, PolyfaceMeshKeepsItsVerticesWithoutTheFaces) {
    Dialogs d;
    TCanvasModel m;
    ASSERT_TRUE(LoadFixture(m, "polyface.dxf").imported);
    std::ifstream in(kFixtures + "polyface.expected");
    std::vector<TPointD> vertices;
    std::string word;
    for (TPointD p; in >> word >> p.X >> p.Y;) vertices.push_back(p);
    ASSERT_EQ(vertices.size(), 4u);
    const auto shapes = ImportedShapes(m);
    ASSERT_EQ(shapes.size(), 1u);
    const auto* poly = dynamic_cast<const TPlovanPolyline*>(shapes[0]);
    ASSERT_NE(poly, nullptr);
    ASSERT_EQ(poly->Count(), int(vertices.size()));
    for (int k = 0; k < poly->Count(); ++k) {
        EXPECT_NEAR(poly->GetX(k), vertices[k].X, 1e-3);
        EXPECT_NEAR(poly->GetY(k), vertices[k].Y, 1e-3);
    }
    // No face record read as a vertex at the origin.
    EXPECT_GE(poly->FMinX, 1000);
    EXPECT_GE(m.FWorldLeft, 900);
}

TEST(DxfFixtures, TextsAsEzdxfReadsThem) {
    Dialogs d;
    TCanvasModel m;
    ASSERT_TRUE(LoadFixture(m, "texts.dxf").imported);
    std::ifstream in(kFixtures + "texts.expected");
    const auto shapes = ImportedShapes(m);
    size_t i = 0;
    for (std::string line; std::getline(in, line); ++i) {
        const size_t bar = line.rfind('|');
        ASSERT_LT(i, shapes.size());
        const auto* text = AsText(const_cast<TPlovanShape*>(shapes[i]));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Text.toStdString(), line.substr(0, bar));
        EXPECT_NEAR(std::fmod(text->Angle + 360, 360), std::stod(line.substr(bar + 1)), 1e-9)
            << line;
    }
    EXPECT_EQ(i, 4u);
    EXPECT_EQ(shapes.size(), 4u);
}

TEST(DxfFixtures, GeometryBeyondTheDoubleRangeGivesNoShape) {
    Dialogs d;
    TCanvasModel m;
    const DxfImportResult r = LoadFixture(m, "huge.dxf");
    EXPECT_TRUE(r.imported);
    // The LINE; not the ARC, CIRCLE, ELLIPSE, bulged LWPOLYLINE or INSERT.
    EXPECT_EQ(r.shapes, 1);
    EXPECT_EQ(r.skipped, 5);
    for (const TPlovanShape* s : ImportedShapes(m)) {
        EXPECT_TRUE(std::isfinite(s->FMinX) && std::isfinite(s->FMaxX));
        EXPECT_TRUE(std::isfinite(s->FMinY) && std::isfinite(s->FMaxY));
    }
    EXPECT_TRUE(std::isfinite(m.FWorldLeft) && std::isfinite(m.FWorldRight));
    EXPECT_LT(m.FWorldRight - m.FWorldLeft, 100);
    EXPECT_TRUE(d.scripted->messages.isEmpty());
}

// A file cut anywhere is never imported in part: it is refused with one
// message and the earlier import of it stays, or (cut only after its
// ENTITIES section) reads the whole drawing. Every cut inside the ENTITIES
// section is refused with that reason; the old reader imported what preceded
// it.
TEST(DxfFixtures, CutOffFilesAreRefused) {
    const struct {
        const char* file;
        bool everyByte;  // else every line end
    } cases[] = {
        {"r12_entities.dxf", true},
        {"r2018_entities.dxf", false},
        {"bulges.dxf", false},
        {"gdal_lines.dxf", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Dialogs d;
        const std::string bytes = phxtest::ReadAll(kFixtures + c.file);
        TCanvasModel m;
        const DxfImportResult whole = LoadDxfBytes(m, bytes, "_dxf_cut");
        ASSERT_TRUE(whole.imported);
        const size_t shapes = m.FShapes.size();
        const size_t entities = bytes.find("ENTITIES");
        const size_t entitiesEnd = bytes.find("ENDSEC", entities) + 6;
        for (size_t cut = 1; cut < bytes.size(); ++cut) {
            if (!c.everyByte && bytes[cut - 1] != '\n') continue;
            d.scripted->messages.clear();
            const DxfImportResult r = LoadDxfBytes(m, bytes.substr(0, cut), "_dxf_cut");
            ASSERT_EQ(m.FShapes.size(), shapes) << "cut at " << cut;
            if (r.read) {
                ASSERT_GE(cut, entitiesEnd);
                ASSERT_EQ(r.shapes, whole.shapes) << "cut at " << cut;
                continue;
            }
            ASSERT_EQ(d.scripted->messages.size(), 1) << "cut at " << cut;
            if (cut >= entities + 8 && cut < entitiesEnd) {
                EXPECT_EQ(d.scripted->messages[0].toStdString(),
                          "DXF load failed: the file ends inside the ENTITIES section")
                    << "cut at " << cut;
            }
        }
    }

    // The reason names the section of the cut.
    const std::string r12 = phxtest::ReadAll(kFixtures + "r12_entities.dxf");
    const std::string r2018 = phxtest::ReadAll(kFixtures + "r2018_entities.dxf");
    const size_t entities = r12.find("ENTITIES");
    const struct {
        std::string bytes;
        const char* where;
    } named[] = {
        {r12.substr(0, r12.find("TICK", r12.find("BLOCKS")) + 6), "inside the BLOCKS"},
        {r12.substr(0, r12.find("CIRCLE", entities)), "inside the ENTITIES"},
        {r12.substr(0, r12.find("40", r12.find("CIRCLE", entities))), "inside the ENTITIES"},
        {r2018.substr(0, r2018.find("OBJECTS") + 12), "inside the OBJECTS"},
        {r12.substr(0, r12.find("SECTION", r12.find("ENDSEC")) + 2), "after the HEADER"},
        {"0\nSECTION\n", "inside the unnamed"},
    };
    for (const auto& c : named) {
        Dialogs d;
        TCanvasModel m;
        EXPECT_FALSE(LoadDxfBytes(m, c.bytes, "_dxf_cut").read) << c.where;
        EXPECT_EQ(d.scripted->messages,
                  QStringList{QString("DXF load failed: the file ends %1 section").arg(c.where)});
    }
}

TEST(DxfFixtures, GdalWriterAgreesWithOgrinfo) {
    Dialogs d;
    TCanvasModel m;
    ASSERT_TRUE(LoadFixture(m, "gdal_lines.dxf").imported);
    const auto shapes = ImportedShapes(m);
    ASSERT_EQ(shapes.size(), 2u);
    const auto* line = dynamic_cast<const TPlovanPolyline*>(shapes[0]);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(shapes[1]->FShapeType, ShapeType::Point);

    const std::string ogr =
        phxtest::RunTool("ogrinfo -al -q " + kFixtures + "gdal_lines.dxf 2>/dev/null");
    if (ogr.empty()) GTEST_SKIP() << "ogrinfo (gdal-bin) missing";
    const size_t open = ogr.find("LINESTRING (");
    ASSERT_NE(open, std::string::npos) << ogr;
    std::string coordinates = ogr.substr(open + 12, ogr.find(')', open) - open - 12);
    std::replace(coordinates.begin(), coordinates.end(), ',', ' ');
    std::istringstream in(coordinates);
    int k = 0;
    for (double x, y; in >> x >> y; ++k) {
        EXPECT_NEAR(line->GetX(k), x, 1e-3);
        EXPECT_NEAR(line->GetY(k), y, 1e-3);
    }
    EXPECT_EQ(k, line->Count());
    const auto& point = static_cast<const TPlovanPoint&>(*shapes[1]);
    EXPECT_NE(ogr.find("POINT (" + std::to_string(int(point.X)) + " " +
                       std::to_string(int(point.Y)) + ")"),
              std::string::npos);
}
