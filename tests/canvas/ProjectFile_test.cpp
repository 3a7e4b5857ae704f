// Saving and loading the project file of the canvas: files made by Python's
// zlib and by hand, the round trip, the header time, the locale, and every
// way a file can be damaged or a save interrupted.
#include "canvas/ProjectFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <QLocale>
#include <QString>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>

#include "canvas/CanvasModel.h"
#include "canvas/ZlibStream.h"
#include "platform/Clock.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"
#include "tests/support/TempHome.h"

namespace {

std::string FixturePath(const std::string& name) {
    return std::string(PHX_TEST_DATA_DIR) + "/project_fixtures/" + name;
}

std::string Num(double v) { return platform::FloatToStr(v); }

std::string Xy(double x, double y) { return Num(x) + "," + Num(y); }

std::string Pen(const TPlovanShape& s) {
    return "L" + std::to_string(s.FLayerId) + " c" + std::to_string(s.FColor) + " w" +
           std::to_string(s.FWidth);
}

// The drawing as plain lines: view, layers, then one line per shape with its
// id, kind, layer, pen and geometry.
std::string Dump(const TCanvasModel& m) {
    std::string out = "world " + Num(m.FWorldLeft) + " " + Num(m.FWorldRight) + " " +
                      Num(m.FWorldBottom) + " " + Num(m.FWorldTop) + "\n";
    for (const auto& layer : m.FLayers)
        out += "layer " + std::to_string(layer->Id) + " [" + layer->Name.toStdString() + "]\n";
    for (const TPlovanShape* s : m.FShapes) {
        out += "#" + std::to_string(s->FId) + " ";
        if (auto* l = dynamic_cast<const TPlovanLine*>(s)) {
            out += "LINE " + Pen(*s) + " " + Xy(l->X1, l->Y1) + " " + Xy(l->X2, l->Y2);
        } else if (auto* c = dynamic_cast<const TPlovanCircle*>(s)) {
            out += "CIRCLE " + Pen(*s) + " " + Xy(c->X, c->Y) + " r" + Num(c->Radius);
        } else if (auto* p = dynamic_cast<const TPlovanPoint*>(s)) {
            out += "POINT " + Pen(*s) + " " + Xy(p->X, p->Y) + " z" + Num(p->Z);
        } else if (auto* t = dynamic_cast<const TPlovanText*>(s)) {
            out += "TEXT L" + std::to_string(s->FLayerId) + " c" + std::to_string(s->FColor) + " " +
                   Xy(t->X, t->Y) + " f" + std::to_string(t->FontIndex) + " " +
                   t->FontName.toStdString() + " h" + Num(t->Height) + " a" + Num(t->Angle) + " b" +
                   std::to_string(t->Bold) + " i" + std::to_string(t->Italic) + " [" +
                   t->Text.toStdString() + "]";
        } else if (auto* r = dynamic_cast<const TPlovanRectangle*>(s)) {
            out += "RECTANGLE " + Pen(*s) + " " + Xy(r->X1, r->Y1) + " " + Xy(r->X2, r->Y2) +
                   " fill" + std::to_string(s->FFillColor) + " s" + std::to_string(s->FFillStyle) +
                   " v" + Num(r->Value);
        } else if (auto* e = dynamic_cast<const TPlovanEllipse*>(s)) {
            out += "ELLIPSE " + Pen(*s) + " " + Xy(e->X1, e->Y1) + " " + Xy(e->X2, e->Y2);
        } else if (auto* pl = dynamic_cast<const TPlovanPolyline*>(s)) {
            out += "POLY" + std::to_string(s->FShapeType) + (pl->Closed ? " closed " : " open ") +
                   Pen(*s);
            for (const TPointD& v : pl->Points) out += " " + Xy(v.X, v.Y);
        } else if (auto* a = dynamic_cast<const TPlovanArc*>(s)) {
            out += "ARC " + Pen(*s) + " " + Xy(a->X1, a->Y1) + " " + Xy(a->X2, a->Y2) + " " +
                   Xy(a->X3, a->Y3);
        } else {
            out += "?";
        }
        out += "\n";
    }
    return out;
}

struct FixedClock {
    explicit FixedClock(platform::DateTime t) {
        platform::SetClockForTesting([t] { return t; });
    }
    ~FixedClock() { platform::SetClockForTesting({}); }
};

const platform::DateTime kSavedAt{2024, 5, 1, 9, 7, 5, 428};

// The project text inside a saved file, inflated by Python's zlib: an
// independent decoder checks the writer's stream.
std::string InflateWithPython(const std::string& file, const std::string& out) {
    const std::string command =
        "python3 -c \"import sys,zlib;d=open(sys.argv[1],'rb').read();"
        "assert d[:4]==b'VLM1';open(sys.argv[2],'wb').write(zlib.decompress(d[4:]))\" '" +
        file + "' '" + out + "'";
    if (std::system(command.c_str()) != 0) return "<python could not inflate>";
    return phxtest::ReadAll(out);
}

const char* const kBasicDump =
    "world 500000 501000 4500000 4501000\n"
    "layer 0 [Default]\n"
    "layer 1 [Plovan Grid]\n"
    "layer 2 [~~Plovan Vessel]\n"
    "#1 LINE L1 c255 w2 500010,4500010 500020.5,4500030.25\n"
    "#2 CIRCLE L0 c16711680 w1 500100,4500100 r25.5\n"
    "#3 POINT L2 c0 w1 500200,4500200 z-12.34\n"
    "#4 TEXT L0 c65280 500300,4500300 f0 Arial h12 a30 b1 i0 [Depth  12.3 m]\n"
    "#5 RECTANGLE L2 c8421504 w1 500400,4500400 500410,4500410 fill65535 s0 v-3.25\n"
    "#6 ELLIPSE L0 c255 w3 500500,4500500 500520,4500510\n"
    "#7 POLY5 open L1 c255 w2 500600,4500600 500610.5,4500620 500630,4500610.5\n"
    "#8 POLY6 closed L2 c32768 w1 500700,4500700 500710,4500700 500710,4500710 500700,4500710\n"
    "#9 POLY8 open L0 c0 w1 -10.25,-20.5 10.25,20.5\n"
    "#10 POLY10 open L0 c128 w4 0,0 5,5 10,0\n"
    "#11 ARC L1 c255 w1 1,2 3,4 5,6\n";

TEST(ProjectFile, FilesOfAnIndependentEncoderLoadAtEveryLevel) {
    for (const char* name :
         {"basic.txt", "basic_level1.vlm", "basic_level6.vlm", "basic_level9.vlm"}) {
        TCanvasModel model;
        model.AddLine(1, 2, 3, 4, 0);  // replaced by mode 0
        ASSERT_TRUE(model.LoadProject(QString::fromStdString(FixturePath(name)), -1, -1, 0))
            << name;
        EXPECT_EQ(Dump(model), kBasicDump) << name;
        EXPECT_EQ(model.FNextShapeId, 12) << name;
        EXPECT_EQ(model.FNextLayerId, 3) << name;
    }
}

// The writer's text for the drawing of basic.txt is basic.txt itself, byte
// for byte, once the clock stands at the time in its header.
TEST(ProjectFileSave, SavedFileIsTheReferenceTextInOneZlibStream) {
    phxtest::TempHome home;
    FixedClock clock(kSavedAt);
    TCanvasModel model;
    ASSERT_TRUE(model.LoadProject(QString::fromStdString(FixturePath("basic.txt"))));
    const std::string file = home.home() + "saved.vlm";
    ASSERT_TRUE(model.SaveProject(QString::fromStdString(file), -1));
    EXPECT_EQ(InflateWithPython(file, home.home() + "saved.txt"),
              phxtest::ReadAll(FixturePath("basic.txt")));
}

TEST(ProjectFile, HeaderCarriesTheLocalTimeInHundredths) {
    const struct {
        platform::DateTime t;
        const char* line;
    } cases[] = {
        {kSavedAt, "# Created on: 2024-05-01 09:07:05.42\n"},
        {{1999, 12, 31, 23, 59, 59, 999}, "# Created on: 1999-12-31 23:59:59.99\n"},
        {{2025, 1, 2, 3, 4, 5, 9}, "# Created on: 2025-01-02 03:04:05.00\n"},
        {{987, 6, 7, 0, 0, 0, 0}, "# Created on: 987-06-07 00:00:00.00\n"},
    };
    TCanvasModel model;
    for (const auto& c : cases) {
        FixedClock clock(c.t);
        const std::string text = vlm::ProjectText(model);
        EXPECT_EQ(text.rfind("# Plovan Helm - VLM\n# Written by Plovan HX\n# Created on: ", 0), 0u);
        const size_t third = text.find("# Created on:");
        ASSERT_NE(third, std::string::npos);
        EXPECT_EQ(text.substr(third, text.find('\n', third) + 1 - third), c.line);
        EXPECT_EQ(text.substr(text.find('\n', third) + 1, 2), "#\n");
    }
}

// A drawing with every kind of shape, names with blanks and a few values
// that need care.
void BuildDrawing(TCanvasModel& m) {
    m.SetView(-1234.5, 4100000, 98765.25, 4000000.125);
    const int grid = m.AddLayer("Plovan Grid");
    const int vessel = m.AddLayer("~~Plovan Vessel");
    const int fix = m.AddLayer(QString::fromUtf8("track_fix Şile"));
    m.SetLayerColor(fix, 0x00FF00);
    m.SetLayerWidth(fix, 2);
    const int line = m.AddLine(500000.1, 4500000.2, 500001.3, 4500002.4, fix);
    m.SetShapeColor(line, 255);
    m.AddCircle(10, 20, 5.5, grid);
    const int point = m.AddPoint(1, 2, vessel);
    static_cast<TPlovanPoint*>(m.FindShape(point))->Z = -7.125;
    m.AddFont("Courier,14,B");
    const int text = m.AddText(grid, QString::fromUtf8("  depth 5 m – ölçü "), 3, 4, 1);
    m.SetShapeColor(text, 0xABCDEF);
    const int rect = m.AddRectangle(0, 0, 10, 10, vessel);
    static_cast<TPlovanRectangle*>(m.FindShape(rect))->Value = 12.5;
    m.SetShapeFillStyle(rect, 0);
    m.SetShapeFillColor(rect, 0x123456);
    m.AddEllipse(-1, -2, 3, 4, 0);
    m.AddPolyline({{4500000.3, 1}, {2, 3}, {4, 5}}, fix, false);
    m.AddPolyline({{0, 0}, {1, 0}, {1, 1}}, fix, true);
    const int spline = m.AddPolyline({{0, 0}, {5, 5}}, grid, false);
    m.FindShape(spline)->FShapeType = ShapeType::Spline;
    const int arc3 = m.AddPolyline({{0, 0}, {5, 5}, {10, 0}}, grid, false);
    m.FindShape(arc3)->FShapeType = ShapeType::Arc;
    m.AddArc(1, 1, 2, 2, 3, 1, vessel);
}

std::string WithoutCreatedOn(const std::string& text) {
    const size_t at = text.find("# Created on:");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + text.substr(text.find('\n', at) + 1);
}

std::string InflatedFile(const std::string& path) {
    const std::string bytes = phxtest::ReadAll(path);
    vlm::TextBuffer buffer;
    std::string_view text;
    EXPECT_TRUE(vlm::ProjectTextFromFile(bytes, buffer, text)) << path;
    return std::string(text);
}

TEST(ProjectFileSave, RoundTripGivesTheSameDrawingAndTheSameText) {
    phxtest::TempHome home;
    TCanvasModel original;
    BuildDrawing(original);
    original.DeleteShape(2);  // ids need not be dense: the load renumbers
    const std::string first = home.home() + "first.vlm";
    const std::string second = home.home() + "second.vlm";
    {
        FixedClock clock(kSavedAt);
        ASSERT_TRUE(original.SaveProject(QString::fromStdString(first)));
    }
    TCanvasModel loaded;
    ASSERT_TRUE(loaded.LoadProject(QString::fromStdString(first), -1, -1, 0));
    {
        FixedClock clock({2030, 1, 1, 0, 0, 0, 0});
        ASSERT_TRUE(loaded.SaveProject(QString::fromStdString(second)));
    }
    const std::string a = InflatedFile(first), b = InflatedFile(second);
    EXPECT_NE(a, b);  // the time differs
    EXPECT_EQ(WithoutCreatedOn(a), WithoutCreatedOn(b));

    // Same layers by name, same view, same shapes in the same order; ids
    // from 1.
    ASSERT_EQ(loaded.FLayers.size(), original.FLayers.size());
    for (size_t i = 0; i < loaded.FLayers.size(); ++i)
        EXPECT_EQ(loaded.FLayers[i]->Name, original.FLayers[i]->Name);
    ASSERT_EQ(loaded.FShapes.size(), original.FShapes.size());
    for (size_t i = 0; i < loaded.FShapes.size(); ++i) {
        EXPECT_EQ(loaded.FShapes[i]->FId, static_cast<int>(i) + 1);
        EXPECT_EQ(loaded.FShapes[i]->FShapeType, original.FShapes[i]->FShapeType);
        EXPECT_EQ(loaded.FShapes[i]->FColor, original.FShapes[i]->FColor);
    }
    std::string dumpOriginal = Dump(original), dumpLoaded = Dump(loaded);
    // Only the ids differ (#1 #3 #4 ... against #1 #2 #3 ...).
    auto withoutIds = [](std::string d) {
        std::string out;
        for (const auto& line : platform::SplitLines(d))
            out += (line[0] == '#' ? line.substr(line.find(' ')) : line) + "\n";
        return out;
    };
    EXPECT_EQ(withoutIds(dumpLoaded), withoutIds(dumpOriginal));
    EXPECT_NE(a.find("LAYER 3 track_fix \xc5\x9e"
                     "ile\n"),
              std::string::npos);
    EXPECT_NE(a.find("POLYLINE 3 3 65280 2\n4500000.300000 1.000000\n"), std::string::npos);
    EXPECT_NE(a.find("ARC 1.000000 1.000000 2.000000 2.000000 3.000000 1.000000 2 0 1\n"),
              std::string::npos);
}

TEST(ProjectFileSave, OutputIsByteIdenticalUnderATurkishLocale) {
    phxtest::TempHome home;
    FixedClock clock(kSavedAt);
    TCanvasModel model;
    BuildDrawing(model);
    const std::string plain = home.home() + "c.vlm", turkish = home.home() + "tr.vlm";
    ASSERT_TRUE(model.SaveProject(QString::fromStdString(plain)));
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "tr_TR.UTF-8")) GTEST_SKIP() << "no Turkish locale installed";
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    const bool saved = model.SaveProject(QString::fromStdString(turkish));
    TCanvasModel reloadedTurkish;
    const bool loaded = reloadedTurkish.LoadProject(QString::fromStdString(turkish));
    std::setlocale(LC_ALL, old.c_str());
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(saved);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(phxtest::ReadAll(turkish), phxtest::ReadAll(plain));
    TCanvasModel reloaded;
    ASSERT_TRUE(reloaded.LoadProject(QString::fromStdString(plain)));
    EXPECT_EQ(Dump(reloadedTurkish), Dump(reloaded));
}

// ---- The rules of the reader, one small file each ----

void SurveyCanvas(TCanvasModel& m) {
    for (const char* name : {"a", "b", "c", "d", "e", "f", "Survey"}) m.AddLayer(name);
    m.SetLayerColor(7, 0x123456);
    m.SetLayerWidth(7, 3);
}

struct ReaderCase {
    const char* fixture;
    int mode;
    std::function<void(TCanvasModel&)> before;
    const char* dump;
};

TEST(ProjectFile, ReaderRules) {
    const ReaderCase cases[] = {
        // Two lines of plain text: the view and one line on "Default" with
        // that layer's pen.
        {"plain_two_lines.txt", 0, nullptr,
         "world 0 100 0 100\nlayer 0 [Default]\n#1 LINE L0 c0 w1 0,0 10,10\n"},
        // Fewer bytes than the magic: plain text, an unknown keyword.
        {"three_bytes.txt", 0, nullptr, "world 0 1000 0 1000\nlayer 0 [Default]\n"},
        // Comments start in the first column only; keywords are
        // case-sensitive; unknown keywords are ignored.
        {"comments.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\n#1 LINE L0 c255 w1 1,1 2,2\n"
         "#2 LINE L0 c255 w1 0,0 1,1\n"},
        // Layer names are the rest of the line, trailing blanks and CR cut.
        {"layer_names.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\nlayer 1 [Plovan Grid]\n"
         "layer 2 [~~Plovan Vessel]\nlayer 3 [Plovan]\nlayer 4 [track_fix]\n"
         "#1 LINE L1 c255 w1 0,0 1,1\n#2 LINE L2 c255 w1 0,0 2,2\n"
         "#3 LINE L3 c255 w1 0,0 3,3\n#4 LINE L4 c255 w1 0,0 4,4\n"},
        // Mode 2: file layer 3 is the canvas's "Survey" (id 7) for every kind
        // of record; an id that no layer has falls back to "Default" for
        // every kind as well. A colour 0 keeps the layer's pen (LINE,
        // CIRCLE); a POINT takes its colour as read.
        {"layer_map.txt", 2, SurveyCanvas,
         "world 0 1000 0 1000\nlayer 0 [Default]\nlayer 1 [a]\nlayer 2 [b]\nlayer 3 [c]\n"
         "layer 4 [d]\nlayer 5 [e]\nlayer 6 [f]\nlayer 7 [Survey]\n"
         "#1 LINE L7 c255 w2 0,0 1,1\n"
         "#2 LINE L7 c1193046 w3 0,0 1,1\n"
         "#3 CIRCLE L7 c1193046 w3 5,5 r2\n"
         "#4 POINT L7 c0 w4 1,2 z7.5\n"
         "#5 TEXT L7 c255 1,1 f0 Arial h10 a0 b0 i0 [on survey]\n"
         "#6 RECTANGLE L7 c255 w1 0,0 1,1 fill0 s0 v0\n"
         "#7 ELLIPSE L7 c255 w1 0,0 1,1\n"
         "#8 POLY5 open L7 c255 w1 0,0 1,1\n"
         "#9 ARC L7 c255 w1 0,0 1,1 2,0\n"
         "#10 LINE L0 c255 w1 0,0 1,1\n"
         "#11 CIRCLE L0 c255 w1 5,5 r2\n"
         "#12 POINT L0 c255 w1 1,2 z0\n"
         "#13 TEXT L0 c255 1,1 f0 Arial h10 a0 b0 i0 [unknown layer]\n"
         "#14 RECTANGLE L0 c255 w1 0,0 1,1 fill0 s0 v0\n"
         "#15 ELLIPSE L0 c255 w1 0,0 1,1\n"
         "#16 POLY6 closed L0 c255 w1 0,0 1,1\n"
         "#17 POLY8 open L0 c255 w1 0,0 1,1\n"
         "#18 POLY10 open L0 c255 w1 0,0 1,1\n"
         "#19 ARC L0 c255 w1 0,0 1,1 2,0\n"},
        // Records without a required field are skipped; missing trailing
        // fields take their defaults, and a bad field leaves the later ones
        // at theirs.
        {"missing_fields.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\n"
         "#1 LINE L0 c0 w1 0,0 10,10\n"
         "#2 POINT L0 c0 w1 5,5 z0\n"
         "#3 POINT L0 c255 w1 5,5 z0\n"
         "#4 RECTANGLE L0 c255 w2 0,0 1,1 fill0 s0 v0\n"
         "#5 TEXT L0 c0 1,2 f0 Arial h10 a0 b0 i0 []\n"
         "#6 POLY5 open L0 c0 w1 1,1 2,2\n"
         "#7 ELLIPSE L0 c255 w1 0,0 1,1\n"},
        // A huge count reserves nothing and stops at the end of the text;
        // exactly count lines are vertex lines, and one that does not read
        // adds no vertex.
        {"huge_count.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\n"
         "#1 POLY5 open L0 c255 w1 10,10 20,20 30,30 4500000.3,-4500000.3\n"},
        // Numbers that are not finite, or not in the plain grammar, are not
        // read; a vertex beyond the float range adds none.
        {"nonfinite.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\n"
         "#1 POINT L0 c0 w1 1,2 z0\n"
         "#2 POLY5 open L0 c0 w1 1,1 2,2\n"
         "#3 LINE L0 c0 w1 0,0 1,1\n"},
        // The font is one word ("0" keeps the default); the text is the rest
        // after one blank; the CR of a CR LF line end is not part of it.
        {"text_fields.txt", 0, nullptr,
         "world 0 1000 0 1000\nlayer 0 [Default]\n"
         "#1 TEXT L0 c255 0,0 f0 Arial h12 a0 b0 i0 [keeps the font]\n"
         "#2 TEXT L0 c255 0,0 f0 Courier h12 a0 b0 i0 [New text]\n"
         "#3 TEXT L0 c255 0,0 f0 Arial h12 a45 b1 i1 [   three blanks]\n"
         "#4 TEXT L0 c255 0,0 f0 Arial h12 a0 b0 i0 [crlf]\n"
         "#5 TEXT L0 c0 0,0 f5 Tahoma h8 a0 b0 i0 []\n"},
        // CR LF line ends are harmless.
        {"crlf.txt", 0, nullptr,
         "world 0 100 0 100\nlayer 0 [Default]\nlayer 1 [Plovan Grid]\n"
         "#1 LINE L1 c255 w3 0,0 10,10\n#2 POLY5 open L1 c255 w1 1,2 3,4\n"},
    };
    for (const auto& c : cases) {
        TCanvasModel model;
        if (c.before) c.before(model);
        EXPECT_TRUE(
            model.LoadProject(QString::fromStdString(FixturePath(c.fixture)), -1, -1, c.mode))
            << c.fixture;
        EXPECT_EQ(Dump(model), c.dump) << c.fixture;
    }
}

TEST(ProjectFile, ModeTwoAddsAndTheLastWorldWins) {
    TCanvasModel model;
    model.AddLine(0, 0, 1, 1, 0);
    const int kept = model.FNextShapeId;
    ASSERT_TRUE(model.LoadProject(QString::fromStdString(FixturePath("basic.txt")), -1, -1, 2));
    ASSERT_TRUE(
        model.LoadProject(QString::fromStdString(FixturePath("plain_two_lines.txt")), -1, -1, 2));
    EXPECT_EQ(model.FShapes.size(), 13u);
    EXPECT_EQ(model.FShapes[1]->FId, kept);  // ids continue
    EXPECT_EQ(model.FWorldRight, 100);       // the last file's view
    EXPECT_EQ(model.FLayers.size(), 3u);     // "Default" found, not added again
}

TEST(ProjectFile, ModeZeroEmptiesTheSelectionAndCancelsADrawing) {
    TCanvasModel model;
    BuildDrawing(model);
    model.SelectAll();
    model.FCommand = 5;
    model.FDrawing = 1;
    model.FHasStartPoint = 1;
    model.FTempShape = new TPlovanPolyline(0, 0);
    model.FTempShape->FId = model.TakeNextShapeId();
    model.FTempShape->AddPoint(1, 1);
    ASSERT_TRUE(model.LoadProject(QString::fromStdString(FixturePath("plain_two_lines.txt"))));
    EXPECT_EQ(model.GetSelectionCount(), 0);
    EXPECT_EQ(model.GetSelectedCount(), 0);
    EXPECT_EQ(model.FTempShape, nullptr);
    EXPECT_EQ(model.FDrawing, 0);
    EXPECT_EQ(model.FHasStartPoint, 0);
    EXPECT_EQ(model.FShapes.size(), 1u);
    EXPECT_EQ(model.FShapes[0]->FId, 1);
    EXPECT_EQ(model.FCurrentLayer, 0);
}

// ---- Faults: a file that cannot be trusted changes nothing ----

TEST(ProjectFile, DamagedFilesLeaveTheDrawingUntouched) {
    phxtest::TempHome home;
    for (const char* name : {"truncated_end.vlm", "truncated_middle.vlm", "bad_checksum.vlm",
                             "magic_only.vlm", "missing.vlm"}) {
        for (int mode : {0, 2}) {
            TCanvasModel model;
            BuildDrawing(model);
            model.SelectShape(3, false);
            const std::string before = Dump(model);
            const int redraws = model.FRedrawCount;
            EXPECT_FALSE(model.LoadProject(QString::fromStdString(FixturePath(name)), -1, -1, mode))
                << name;
            EXPECT_EQ(Dump(model), before) << name << " mode " << mode;
            EXPECT_EQ(model.GetSelectionCount(), 1) << name;
            EXPECT_EQ(model.FRedrawCount, redraws) << name;
        }
    }
}

// A few megabytes on disk that would inflate to more than 1 GiB.
TEST(ProjectFile, InflatingStopsAtOneGibibyte) {
    phxtest::TempHome home;
    std::string file = "VLM1";
    {
        z_stream zs{};
        ASSERT_EQ(deflateInit(&zs, 1), Z_OK);
        const std::string block(1 << 20, '#');
        std::string out(1 << 16, '\0');
        for (size_t i = 0; i <= vlm::kMaxInflatedBytes / block.size(); ++i) {
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
            zs.avail_in = static_cast<uInt>(block.size());
            const bool last = i == vlm::kMaxInflatedBytes / block.size();
            do {
                zs.next_out = reinterpret_cast<Bytef*>(out.data());
                zs.avail_out = static_cast<uInt>(out.size());
                deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
                file.append(out.data(), out.size() - zs.avail_out);
            } while (zs.avail_out == 0);
        }
        deflateEnd(&zs);
    }
    ASSERT_LT(file.size(), 8u << 20);
    const std::string path = home.home() + "bomb.vlm";
    phxtest::WriteAll(path, file);
    TCanvasModel model;
    BuildDrawing(model);
    const std::string before = Dump(model);
    EXPECT_FALSE(model.LoadProject(QString::fromStdString(path), -1, -1, 0));
    EXPECT_EQ(Dump(model), before);
}

// ---- Faults of the writer ----

TEST(ProjectFileSave, ControlCharactersNeverBreakARecord) {
    phxtest::TempHome home;
    TCanvasModel model;
    const int layer = model.AddLayer("imported\r\nLINE 0 0 1 1 0");
    const int text = model.AddText(layer, "KML name\nLINE 0 0 10 10 0\r\tend", 1, 2, 0);
    static_cast<TPlovanText*>(model.FindShape(text))->FontName = "";
    const std::string path = home.home() + "p.vlm";
    ASSERT_TRUE(model.SaveProject(QString::fromStdString(path)));
    const std::string saved = InflatedFile(path);
    EXPECT_NE(saved.find("LAYER 1 imported  LINE 0 0 1 1 0\n"), std::string::npos);
    EXPECT_NE(saved.find(" 0 0 0 KML name LINE 0 0 10 10 0  end\n"), std::string::npos) << saved;

    TCanvasModel loaded;
    ASSERT_TRUE(loaded.LoadProject(QString::fromStdString(path)));
    ASSERT_EQ(loaded.FShapes.size(), 1u);
    auto* t = dynamic_cast<TPlovanText*>(loaded.FShapes[0]);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Text, "KML name LINE 0 0 10 10 0  end");
    EXPECT_EQ(t->FontName, "Arial");  // the empty name was written as "0"
    EXPECT_EQ(loaded.FLayers.back()->Name, "imported  LINE 0 0 1 1 0");
}

TEST(ProjectFileSave, FontNamesWithBlanksKeepTheirText) {
    // A control character in a font name becomes a blank like any other,
    // and must not split the name either.
    for (const char* font : {"Arial Black", "Arial\tBlack", "Arial\001Black"}) {
        SCOPED_TRACE(font);
        phxtest::TempHome home;
        TCanvasModel model;
        const int text = model.AddText(0, "Depth 5.2 m", 1, 2, 0);
        static_cast<TPlovanText*>(model.FindShape(text))->FontName = font;
        const std::string path = home.home() + "fonts.vlm";
        ASSERT_TRUE(model.SaveProject(QString::fromStdString(path)));
        EXPECT_NE(InflatedFile(path).find(" Arial_Black Depth 5.2 m\n"), std::string::npos);

        TCanvasModel loaded;
        ASSERT_TRUE(loaded.LoadProject(QString::fromStdString(path)));
        ASSERT_EQ(loaded.FShapes.size(), 1u);
        auto* t = dynamic_cast<TPlovanText*>(loaded.FShapes[0]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->Text, "Depth 5.2 m");
        EXPECT_EQ(t->FontName, "Arial Black");
    }
}

TEST(ProjectFile, NonFiniteNumbersAreWrittenAsZero) {
    TCanvasModel model;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    model.SetView(nan, 1000, 1000, 0);  // refused: the view stays finite
    model.AddLine(inf, 1, 2, -inf, 0);
    const int point = model.AddPoint(1, 1, 0);
    static_cast<TPlovanPoint*>(model.FindShape(point))->Z = nan;
    model.AddPolyline({{1, 1}, {2, 2}}, 0, false);
    static_cast<TPlovanPolyline*>(model.FShapes.back())->Points[0].X = inf;
    const std::string text = vlm::ProjectText(model);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_NE(text.find("WORLD 0.000000 1000.000000"), std::string::npos);
    EXPECT_NE(text.find("LINE 0.000000 1.000000 2.000000 0.000000 0 0 1\n"), std::string::npos);
    EXPECT_NE(text.find("POINT 1.000000 1.000000 0 0 1 0.000000\n"), std::string::npos);
    EXPECT_NE(text.find("\n0.000000 1.000000\n2.000000 2.000000\n"), std::string::npos);
}

// A save that fails half way (a file size limit in a child process stands
// for a full disk or a crash) keeps the old project whole.
TEST(ProjectFileSave, FailedSaveKeepsTheOldProject) {
    phxtest::TempHome home;
    const std::string path = home.home() + "project.vlm";
    TCanvasModel small;
    small.AddLine(0, 0, 1, 1, 0);
    ASSERT_TRUE(small.SaveProject(QString::fromStdString(path)));
    const std::string good = phxtest::ReadAll(path);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(good.size() + 16), static_cast<rlim_t>(good.size() + 16)};
        setrlimit(RLIMIT_FSIZE, &limit);
        TCanvasModel big;
        for (int i = 0; i < 20000; ++i) big.AddPoint(i * 0.37, i * 1.13, 0);
        _exit(big.SaveProject(QString::fromStdString(path)) ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);  // reported as a failure
    EXPECT_EQ(phxtest::ReadAll(path), good);
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(home.home())) ++entries;
    EXPECT_EQ(entries, 2);  // project.vlm and AppData/: no temporary left behind

    TCanvasModel model;
    EXPECT_FALSE(model.SaveProject(QString::fromStdString(home.home() + "no/such/folder.vlm")));
    EXPECT_TRUE(model.LoadProject(QString::fromStdString(path)));
    EXPECT_EQ(model.FShapes.size(), 1u);
}

}  // namespace

namespace {

// A text of many megabytes is taken apart in windows and parts on several
// threads: records, vertex runs that straddle every kind of boundary, and
// lines inside a vertex run that look like records must all read as they do
// in a small file.
TEST(ProjectFileThreads, LargeTextsReadAsSmallOnes) {
    std::string text;
    std::vector<std::string> expected;  // one line per shape, in order
    for (int b = 0; text.size() < (size_t{20} << 20); ++b) {
        const std::string n = std::to_string(b);
        switch (b % 5) {
            case 0:
                text += "LINE " + n + " 0 " + n + " 1 0 255 1\n";
                expected.push_back("LINE " + n);
                break;
            case 1: {
                const int count = 1 + b % 37;
                text += "POLYLINE 0 " + std::to_string(count) + " 255 1\n";
                int vertices = 0;
                for (int i = 0; i < count; ++i) {
                    if (i % 7 == 3) {
                        text += i % 2 ? "# a note\n" : "LINE 1 1 2 2 0 255 1\n";  // no vertex
                    } else {
                        text += n + " " + std::to_string(i) + "\n";
                        ++vertices;
                    }
                }
                expected.push_back("POLY " + std::to_string(vertices));
                break;
            }
            case 2:
                text += "POINT 1 2 0 0 1 " + n + "\n";
                expected.push_back("POINT " + n);
                break;
            case 3:
                text += "# comment " + n + "\n\n";
                break;
            default:
                text += "TEXT 0 0 0 0 255 10 0 0 0 Arial t " + n + "\n";
                expected.push_back("TEXT t " + n);
                break;
        }
    }
    text += "POLYLINE 0 1000 255 1\n5 5\n";  // the text ends first
    expected.push_back("POLY 1");

    TCanvasModel model;
    model.AddLine(0, 0, 1, 1, 0);
    vlm::LoadProjectText(model, text, 0);
    ASSERT_EQ(model.FShapes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TPlovanShape* s = model.FShapes[i];
        ASSERT_EQ(s->FId, static_cast<int>(i) + 1);
        std::string got;
        if (auto* l = dynamic_cast<const TPlovanLine*>(s))
            got = "LINE " + Num(l->X1);
        else if (auto* p = dynamic_cast<const TPlovanPolyline*>(s))
            got = "POLY " + std::to_string(p->Count());
        else if (auto* pt = dynamic_cast<const TPlovanPoint*>(s))
            got = "POINT " + Num(pt->Z);
        else if (auto* t = dynamic_cast<const TPlovanText*>(s))
            got = "TEXT " + t->Text.toStdString();
        ASSERT_EQ(got, expected[i]) << "shape " << i + 1;
    }
}

}  // namespace

TEST(ProjectFile, FilesInTheWindowsCodePageKeepTheirTurkishLetters) {
    phxtest::TempHome home;
    const std::string path = home.home() + "windows.vlm";
    // "İzmir Hattı" and "şamandıra" as the Windows program wrote them.
    phxtest::WriteAll(path,
                      "WORLD 0 100 0 100\r\nLAYER 3 \xDDzmir Hatt\xFD\r\n"
                      "TEXT 1 1 3 0 255 10 0 0 0 0 \xFE" "amand\xFDra\r\n");
    TCanvasModel model;
    ASSERT_TRUE(model.LoadProject(QString::fromStdString(path), -1, -1, 0));
    EXPECT_GE(model.FindLayer(QString::fromUtf8("\xC4\xB0zmir Hatt\xC4\xB1")), 0);
    double x = 0, y = 0;
    std::string text;
    ASSERT_TRUE(model.GetTextInfo(model.FShapes.back()->FId, x, y, text));
    EXPECT_EQ(text, "\xC5\x9F" "amand\xC4\xB1ra");
}
