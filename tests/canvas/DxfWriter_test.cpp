#include "canvas/DxfWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <set>

#include "canvas/DxfReader.h"
#include "platform/Dialogs.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + "\r\n";
    return out;
}

// One shape of every exported type on the layers the program uses.
void Drawing(TCanvasModel& m) {
    const int grid = m.AddLayer(QStringLiteral("Plovan Grid"));
    const int vessel = m.AddLayer(QStringLiteral("~~Plovan Vessel"));
    const int odd = m.AddLayer(QStringLiteral("a:b"));
    m.AddRectangle(0, 0, 10, 5, grid);
    m.AddLine(1.25, 2.5, 3, 4, vessel);
    m.AddPolyline({{500000.1, 4449960.441}, {500010.5, 4449970.25}}, odd, false);
    m.AddPolyline({{0, 0}, {1, 0}, {1, 1}}, grid, true);
    const int t = m.AddText(vessel, QStringLiteral("Şamandıra & Ğ"), 7, 8, 0);
    static_cast<TPlovanText*>(m.FindShape(t))->Height = 0;
    const int r = m.AddText(odd, QStringLiteral("İğne\r\nÇ"), 7, 9, 0);
    static_cast<TPlovanText*>(m.FindShape(r))->Angle = 45;
    m.AddPoint(-3.5, 2, grid);
    m.AddCircle(20, 30, 4, vessel);
    m.AddEllipse(0, 0, 10, 4, odd);
}

}  // namespace

TEST(DxfWriter, EmptyDrawingIsTheBareFrame) {
    TCanvasModel m;
    EXPECT_EQ(DxfExportText(m),
              Lines({"0",  "SECTION",      "2",  "HEADER",    "9", "$ACADVER", "1",  "AC1009",
                     "9",  "$DWGCODEPAGE", "3",  "ANSI_1254", "9", "$INSBASE", "10", "0.0",
                     "20", "0.0",          "30", "0.0",       "9", "$EXTMIN",  "10", "0.000000",
                     "20", "0.000000",     "30", "0.0",       "9", "$EXTMAX",  "10", "1000.000000",
                     "20", "1000.000000",  "30", "0.0",       "0", "ENDSEC",   "0",  "SECTION",
                     "2",  "TABLES",       "0",  "TABLE",     "2", "LAYER",    "70", "0",
                     "0",  "ENDTAB",       "0",  "ENDSEC",    "0", "SECTION",  "2",  "ENTITIES",
                     "0",  "ENDSEC",       "0",  "EOF"}));
}

TEST(DxfWriter, EntitiesAsTheirPairs) {
    TCanvasModel m;
    Drawing(m);
    const int hidden = m.AddLine(0, 0, 1, 1, m.AddLayer("hidden layer"));
    m.FindShape(hidden)->FVisible = 0;
    m.AddArc(0, 0, 1, 1, 2, 0, 0);
    m.AddPolyline({{0, 0}, {1, 1}}, 0, false);
    m.FindShape(m.FShapes.back()->FId)->FShapeType = ShapeType::Spline;
    const std::string text = DxfExportText(m);
    // Five layers in use: the drawing's three, the hidden line's, and Default.
    EXPECT_NE(text.find(Lines({"2", "LAYER", "70", "5"})), std::string::npos);
    EXPECT_NE(text.find(Lines(
                  {"0", "LAYER", "2", "hidden layer", "70", "0", "62", "7", "6", "CONTINUOUS"})),
              std::string::npos);
    EXPECT_EQ(text.find(Lines({"0", "LINE", "8", "hidden layer"})), std::string::npos);
    EXPECT_NE(text.find(Lines({"0", "LAYER", "2", "a_b"})), std::string::npos);
    EXPECT_NE(
        text.find(Lines(
            {"0", "POLYLINE",    "8",  "Plovan Grid", "66", "1",        "70", "1",   "0", "VERTEX",
             "8", "Plovan Grid", "10", "0.000000",    "20", "0.000000", "30", "0.0", "0", "VERTEX",
             "8", "Plovan Grid", "10", "10.000000",   "20", "0.000000", "30", "0.0"})),
        std::string::npos);
    EXPECT_NE(
        text.find(Lines({"0", "LINE", "8", "~~Plovan Vessel", "10", "1.250000", "20", "2.500000",
                         "30", "0.0", "11", "3.000000", "21", "4.000000", "31", "0.0"})),
        std::string::npos);
    // Vertices keep their millimetres at projected coordinates.
    EXPECT_NE(text.find(Lines({"10", "500000.100000", "20", "4449960.441000"})), std::string::npos);
    EXPECT_NE(text.find(Lines({"0", "TEXT", "8", "~~Plovan Vessel", "10", "7.000000", "20",
                               "8.000000", "30", "0.0", "40", "2.500000", "1",
                               "\xDE"
                               "amand\xFD"
                               "ra & \xD0",
                               "0"})),
              std::string::npos);
    EXPECT_NE(text.find(Lines({"1", "\xDD\xF0ne  \xC7", "50", "45.000000"})), std::string::npos);
    EXPECT_NE(
        text.find(Lines({"0", "POINT", "8", "Plovan Grid", "10", "-3.500000", "20", "2.000000"})),
        std::string::npos);
    EXPECT_NE(text.find(Lines({"0", "CIRCLE", "8", "a_b", "10", "5.000000", "20", "2.000000", "30",
                               "0.0", "40", "3.500000"})),
              std::string::npos);
    // Splines and three-point arcs are not exported: 9 shapes less the hidden one.
    size_t entities = 0;
    for (const char* type :
         {"\r\nLINE\r\n", "\r\nPOLYLINE\r\n", "\r\nTEXT\r\n", "\r\nPOINT\r\n", "\r\nCIRCLE\r\n"})
        for (size_t at = text.find(type); at != std::string::npos; at = text.find(type, at + 1))
            ++entities;
    EXPECT_EQ(entities, 9u);
}

TEST(DxfWriter, NamesWithoutBreaksOrRefusedCharacters) {
    EXPECT_EQ(DxfExportName(QStringLiteral("a\nb\tc\x7f"), false), "a b c ");
    EXPECT_EQ(DxfExportName(QStringLiteral("<>/\\\":;?*|=`ok"), true), "____________ok");
    EXPECT_EQ(DxfExportName(QStringLiteral("<x>"), false), "<x>");
    EXPECT_EQ(DxfExportName(QStringLiteral("Ω ş"), false), "\\U+03A9 \xFE");
    EXPECT_EQ(DxfExportName(QString::fromUtf8("\xF0\x9F\x98\x80"), false), "?");
}

TEST(DxfWriter, RoundTripThroughTheReader) {
    TCanvasModel m;
    Drawing(m);
    auto dialogs = platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    TCanvasModel back;
    const auto r = LoadDxfBytes(back, DxfExportText(m), "_dxf_back");
    platform::SetDialogs(std::move(dialogs));
    ASSERT_TRUE(r.imported);
    EXPECT_EQ(r.shapes, 9);
    std::vector<QString> texts;
    for (const TPlovanShape* s : back.FShapes)
        if (s->FShapeType == ShapeType::Text)
            texts.push_back(static_cast<const TPlovanText*>(s)->Text);
    EXPECT_EQ(texts,
              (std::vector<QString>{QStringLiteral("Şamandıra & Ğ"), QStringLiteral("İğne  Ç")}));
}

TEST(DxfWriter, FileIsReplacedWholeOrNotAtAll) {
    phxtest::TempHome home;
    TCanvasModel m;
    Drawing(m);
    const std::string path = home.home() + "out.dxf";
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(home.home()))
            names.insert(e.path().filename().string());
        return names;
    };
    std::set<std::string> expected = listing();
    ASSERT_TRUE(ExportDXF(m, QString::fromStdString(path)));
    EXPECT_EQ(phxtest::ReadAll(path), DxfExportText(m));
    // A folder at the target, or a folder that does not exist: false, nothing stray.
    std::filesystem::create_directory(home.home() + "dir.dxf");
    EXPECT_FALSE(ExportDXF(m, QString::fromStdString(home.home() + "dir.dxf")));
    EXPECT_FALSE(ExportDXF(m, QString::fromStdString(home.home() + "none/out.dxf")));
    expected.insert({"out.dxf", "dir.dxf"});
    EXPECT_EQ(listing(), expected);
}

// ezdxf audits the file and reads it back; GDAL reads layer names, texts and
// coordinates.
TEST(DxfWriter, OraclesReadTheExport) {
    phxtest::TempHome home;
    TCanvasModel m;
    Drawing(m);
    const std::string path = home.home() + "oracle.dxf";
    ASSERT_TRUE(ExportDXF(m, QString::fromStdString(path)));
    if (phxtest::RunTool("/usr/bin/python3 -c 'import ezdxf' 2>&1 && echo ok").empty())
        GTEST_SKIP() << "python3-ezdxf missing";
    const std::string ezdxf =
        phxtest::RunTool("/usr/bin/python3 " + std::string(PHX_TEST_DATA_DIR) +
                         "/dxf/read_back.py " + path + " 2>&1");
    EXPECT_NE(ezdxf.find("errors 0 fixes 0"), std::string::npos) << ezdxf;
    EXPECT_NE(ezdxf.find("POLYLINE Plovan Grid"), std::string::npos) << ezdxf;
    EXPECT_NE(ezdxf.find("LINE ~~Plovan Vessel"), std::string::npos) << ezdxf;
    EXPECT_NE(ezdxf.find("TEXT ~~Plovan Vessel Şamandıra & Ğ"), std::string::npos) << ezdxf;
    EXPECT_NE(ezdxf.find("TEXT a_b İğne  Ç"), std::string::npos) << ezdxf;
    EXPECT_NE(ezdxf.find("CIRCLE a_b"), std::string::npos) << ezdxf;

    const std::string ogr = phxtest::RunTool("ogrinfo -al -q " + path + " 2>/dev/null");
    if (ogr.empty()) GTEST_SKIP() << "ogrinfo missing";
    EXPECT_NE(ogr.find("Layer (String) = ~~Plovan Vessel"), std::string::npos);
    EXPECT_NE(ogr.find("Text (String) = Şamandıra & Ğ"), std::string::npos) << ogr;
    EXPECT_NE(ogr.find("LINESTRING Z (1.25 2.5 0,3 4 0)"), std::string::npos);
    EXPECT_NE(ogr.find("LINESTRING Z (500000.1 4449960.441 0,500010.5 4449970.25 0)"),
              std::string::npos)
        << ogr;
    EXPECT_NE(ogr.find("POINT Z (-3.5 2.0 0)"), std::string::npos);
}

// Layers whose names sanitise to one DXF name (CAD compares them without
// case) keep apart: the first keeps the name, later ones take the lowest
// free suffix, never one a layer holds already. ezdxf and GDAL see as many
// layers as the drawing has.
TEST(DxfWriter, LayersThatSanitiseAlikeStayApart) {
    TCanvasModel m;
    const char* names[] = {"a/b", "a:b", "a_b_2", "A_B", "Şamandıra", "ŞAMANDIRA", "plain"};
    for (const char* name : names) m.AddLine(0, 0, 1, 1, m.AddLayer(QString::fromUtf8(name)));
    const std::string text = DxfExportText(m);
    std::vector<std::string> exported;
    for (size_t at = text.find("\r\nLAYER\r\n2\r\n"); at != std::string::npos;
         at = text.find("\r\nLAYER\r\n2\r\n", at + 1)) {
        const size_t begin = at + 12;
        exported.push_back(text.substr(begin, text.find("\r\n", begin) - begin));
    }
    EXPECT_EQ(exported, (std::vector<std::string>{"a_b", "a_b_3", "a_b_2", "A_B_4",
                                                  "\xDE"
                                                  "amand\xFD"
                                                  "ra",
                                                  "\xDE"
                                                  "AMANDIRA",
                                                  "plain"}));

    phxtest::TempHome home;
    const std::string path = home.home() + "layers.dxf";
    ASSERT_TRUE(ExportDXF(m, QString::fromStdString(path)));
    const std::string ezdxf = phxtest::RunTool(
        "/usr/bin/python3 -c 'import sys, ezdxf; d = ezdxf.readfile(sys.argv[1]); "
        "print(len(set(e.dxf.layer.lower() for e in d.modelspace())))' " +
        path + " 2>/dev/null");
    if (ezdxf.empty()) GTEST_SKIP() << "python3-ezdxf missing";
    EXPECT_EQ(std::stoi(ezdxf), 7);
    const std::string ogr = phxtest::RunTool("ogrinfo -al -q " + path + " 2>/dev/null");
    if (ogr.empty()) GTEST_SKIP() << "ogrinfo missing";
    std::set<std::string> layers;
    for (size_t at = ogr.find("Layer (String) = "); at != std::string::npos;
         at = ogr.find("Layer (String) = ", at + 1))
        layers.insert(ogr.substr(at + 17, ogr.find('\n', at) - at - 17));
    EXPECT_EQ(layers.size(), 7u);
    EXPECT_EQ(layers.count("Şamandıra"), 1u);
}
