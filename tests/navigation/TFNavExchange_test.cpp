// File "Export..." and "Import..." of the main window offscreen, with the
// real device settings window, scripted dialogs and a recording shell: the
// written KML and KMZ checked by xmllint, ogrinfo and unzip; round trips;
// the XYZ import memory; DXF; the failures that keep what was there.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "canvas/DxfWriter.h"
#include "canvas/PlovanCanvas.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/PlacemarkReader.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "tests/support/Fifo.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;

bool Have(const char* tool) { return !phxtest::RunTool(std::string("command -v ") + tool).empty(); }

class TFNavExchange : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<TFNav> nav;
    platform::ScriptedDialogs* dialogs = nullptr;
    platform::RecordingShell* shell = nullptr;

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        auto d = std::make_unique<platform::ScriptedDialogs>();
        dialogs = d.get();
        platform::SetDialogs(std::move(d));
        auto s = std::make_unique<platform::RecordingShell>();
        shell = s.get();
        platform::SetShell(std::move(s));
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        TFGPSHost host;
        host.Canvas = [this] { return nav->fcad; };
        FGPS = new TFGPS(host);
        SetUtm35();
        EnsureStandardLayers(nav->fcad);
    }
    void TearDown() override {
        delete FGPS;
        FGPS = nullptr;
        nav.reset();
        platform::SetShell(nullptr);
        platform::SetDialogs(nullptr);
        ResetSurveyState();
    }

    void SetUtm35() {
        const std::pair<QLineEdit*, const char*> edits[] = {
            {FGPS->edSMA, "6378137.0"}, {FGPS->edIF, "0.0033528106647474"},
            {FGPS->edPPM, "0"},         {FGPS->edRX, "0"},
            {FGPS->edRY, "0"},          {FGPS->edRZ, "0"},
            {FGPS->edSX, "0"},          {FGPS->edSY, "0"},
            {FGPS->edSZ, "0"},          {FGPS->edCM, "27"},
            {FGPS->edRL, "0"},          {FGPS->edSF, "0.9996"},
            {FGPS->edFE, "500000"},     {FGPS->edFN, "0"}};
        for (const auto& [edit, text] : edits) edit->setText(QString::fromUtf8(text));
        FGPS->cbUseTMProjection->setChecked(true);
    }

    TPlovanCanvas& Canvas() { return *nav->fcad; }
    std::string Path(const std::string& name) const { return home.home() + name; }
    static std::string Events() { return phxtest::ReadAll(EventLogPath()); }

    // One Export... with the dialog answering `name` under the filter `index`.
    void Export(const std::string& name, int index) {
        dialogs->fileNames.push_back(QString::fromStdString(name));
        dialogs->filterIndexes.push_back(index);
        nav->Export1->trigger();
    }
    // One Import... of `name`, and the wait for a KML/KMZ import's worker.
    void Import(const std::string& name) {
        dialogs->fileNames.push_back(QString::fromStdString(name));
        nav->Import1->trigger();
        WaitForKmlImport();
    }
    void WaitForKmlImport() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (nav->KmlImportRunning() && std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(nav->KmlImportRunning());
    }
    QStringList TakeMessages() {
        QStringList m = dialogs->messages;
        dialogs->messages.clear();
        return m;
    }

    // A drawing with every kind of shape on the track, vessel, grid and other
    // layers, soundings and the vessel away from (0, 0).
    void Draw() {
        TPlovanCanvas& c = Canvas();
        const int other = c.AddLayer("Şamandıra");
        c.AddPoint(508511.015, 4449960.441, other);
        c.AddText(other, QStringLiteral("A & B <c>"), 508600, 4450000, 0);
        c.AddText(other, QString::fromUtf8("Şamandıra"), 508700, 4450100, 0);
        c.AddLine(508000, 4449000, 508500, 4449500, c.FindLayer("track_fix"));
        c.AddPolyline({{508000, 4449000}, {508100, 4449200}, {508300, 4449300}},
                      c.FindLayer("track_nofix"), false);
        c.AddPolyline({{508000, 4449000}, {508200, 4449100}}, c.FindLayer("track_float"), true);
        c.AddCircle(508000, 4449000, 10, other);
        c.AddRectangle(508000, 4449000, 508010, 4449010, other);
        c.AddLine(508000, 4449000, 508100, 4449100, c.FindLayer(kVesselLayerName));
        c.AddLine(508000, 4449000, 508100, 4449100, c.FindLayer(kGridLayerName));
        c.FSoundings.push_back({508400, 4449400, 12.346});
        c.FSoundings.push_back({508410, 4449410, 7.5});
        g_Survey.GridEasting = 508450;
        g_Survey.GridNorthing = 4449450;
    }
};

// ogrinfo's feature names, in order; empty when ogrinfo cannot read it.
std::vector<std::string> OgrNames(const std::string& path) {
    std::vector<std::string> names;
    std::istringstream in(phxtest::RunTool("ogrinfo -al " + path + " 2>/dev/null"));
    const std::string label = "Name (String) = ";
    for (std::string line; std::getline(in, line);) {
        const size_t start = line.find_first_not_of(" \t");
        if (start > 0 && start != std::string::npos &&
            line.compare(start, label.size(), label) == 0)
            names.push_back(line.substr(start + label.size()));
    }
    return names;
}

}  // namespace

TEST_F(TFNavExchange, ExportKmlOfEveryLayerKind) {
    Draw();
    Export(Path("survey"), 1);  // no extension: the KML filter's
    ASSERT_EQ(dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs->fileDialogs[0].caption, "Dialog Save");
    EXPECT_EQ(dialogs->fileDialogs[0].filter,
              "Google Earth KML [*.kml] (*.kml);;Google Earth KMZ [*.kmz] (*.kmz);;AutoCAD R12 "
              "DXF [*.dxf] (*.dxf);;All Files [*.*] (*)");
    const std::string path = Path("survey.kml");
    ASSERT_TRUE(fs::exists(path));
    const QString message = QStringLiteral("Exported: 4 tracks, 2 depth points");
    EXPECT_EQ(TakeMessages(), QStringList{message});
    EXPECT_NE(Events().find("Exported: 4 tracks, 2 depth points to " + path), std::string::npos);
    EXPECT_EQ(shell->opened, std::vector<std::string>{home.home()});
    if (Have("xmllint")) {
        EXPECT_FALSE(phxtest::RunTool("xmllint --noout " + path + " && echo ok").empty());
    }
    if (Have("ogrinfo")) {
        const std::vector<std::string> expected = {"Point_0", "A & B <c>", "Şamandıra",
                                                   "Track_1", "Track_2",   "Track_3",
                                                   "12.35m",  "7.50m",     "Vessel"};
        EXPECT_EQ(OgrNames(path), expected);
    }
}

TEST_F(TFNavExchange, ExportChoosesByExtensionThenFilter) {
    Draw();
    const struct {
        const char* typed;
        int filter;
        const char* written;  // "" : nothing
        const char* kind;     // "kml", "kmz", "dxf"
    } cases[] = {
        {"a", 1, "a.kml", "kml"}, {"b", 2, "b.kmz", "kmz"},     {"c", 3, "c.dxf", "dxf"},
        {"d", 4, "", ""},         {"e.KML", 3, "e.KML", "kml"}, {"f.kmz", 1, "f.kmz", "kmz"},
        {"g.txt", 1, "", ""},     {"h.DXF", 2, "h.DXF", "dxf"},
    };
    for (const auto& c : cases) {
        Export(Path(c.typed), c.filter);
        const QStringList messages = TakeMessages();
        if (!*c.written) {
            EXPECT_TRUE(messages.isEmpty()) << c.typed;
            EXPECT_FALSE(fs::exists(Path(c.typed))) << c.typed;
            EXPECT_FALSE(fs::exists(Path(std::string(c.typed) + ".kml"))) << c.typed;
            continue;
        }
        const std::string path = Path(c.written);
        const std::string bytes = phxtest::ReadAll(path);
        ASSERT_FALSE(bytes.empty()) << c.typed;
        if (std::string(c.kind) == "dxf") {
            EXPECT_TRUE(messages.isEmpty()) << c.typed;
            EXPECT_NE(Events().find("Exported DXF: " + path), std::string::npos) << c.typed;
        } else {
            EXPECT_EQ(messages.size(), 1) << c.typed;
            EXPECT_EQ(bytes.substr(0, 2) == "PK", std::string(c.kind) == "kmz") << c.typed;
        }
        if (std::string(c.kind) == "kmz" && Have("unzip")) {
            EXPECT_FALSE(phxtest::RunTool("unzip -tq " + path + " && echo ok").empty());
        }
    }
    // Nothing stray beside them: no intermediate ".kml" of the KMZ files.
    EXPECT_FALSE(fs::exists(Path("b.kml")));
    EXPECT_FALSE(fs::exists(Path("f.kml")));
    // Cancel: nothing.
    nav->Export1->trigger();
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(TFNavExchange, ExportRefusalsAndFailures) {
    Draw();
    FGPS->edSMA->setText("");
    Export(Path("a.kml"), 1);
    EXPECT_EQ(TakeMessages(), QStringList{"Please configure datum parameters in GPS Settings "
                                          "before exporting to KML/KMZ."});
    EXPECT_FALSE(fs::exists(Path("a.kml")));
    SetUtm35();
    // Under Lambert the Lambert meridian is the one that must be there.
    FGPS->cbUseLCCProjection->setChecked(true);
    ASSERT_TRUE(FGPS->cbUseLCCProjection->isChecked());
    FGPS->eLCCM->setText("");
    Export(Path("b.kmz"), 2);
    EXPECT_EQ(TakeMessages().size(), 1);
    EXPECT_FALSE(fs::exists(Path("b.kmz")));
    FGPS->cbUseTMProjection->setChecked(true);

    // Unwritable targets: one message each, no log line, the old file kept.
    const std::string before = Events();
    fs::create_directory(Path("dir.kml"));
    fs::create_directory(Path("dir.kmz"));
    fs::create_directory(Path("dir.dxf"));
    Export(Path("dir.kml"), 1);
    Export(Path("dir.kmz"), 2);
    Export(Path("dir.dxf"), 3);
    EXPECT_EQ(TakeMessages(),
              (QStringList{QString::fromStdString("KML export failed: " + Path("dir.kml")),
                           QString::fromStdString("KML export failed: " + Path("dir.kmz")),
                           QString::fromStdString("DXF export failed: " + Path("dir.dxf"))}));
    EXPECT_EQ(Events(), before);
    EXPECT_TRUE(shell->opened.empty());

    // A point far off the projection's reach is left out and said so.
    Canvas().AddPoint(5e9, 5e9, Canvas().FindLayer(QString::fromUtf8("Şamandıra")));
    Export(Path("far.kml"), 1);
    EXPECT_EQ(TakeMessages(), QStringList{"Exported: 4 tracks, 2 depth points (1 skipped)"});
}

TEST_F(TFNavExchange, KmlAndKmzRoundTripsAndReimports) {
    TPlovanCanvas& c = Canvas();
    const int other = c.AddLayer("drawn");
    c.AddPoint(508511.015, 4449960.441, other);
    c.AddPolyline({{508000, 4449000}, {508100, 4449200}, {508300, 4449300}}, other, false);
    c.AddText(other, QStringLiteral("A & B <c>"), 508600, 4450000, 0);
    Export(Path("harbour.kml"), 1);
    Export(Path("bay.kmz"), 2);
    TakeMessages();

    for (const char* name : {"harbour.kml", "bay.kmz"}) {
        for (int round = 0; round < 2; ++round) {  // a re-import replaces, never doubles
            Import(Path(name));
            EXPECT_TRUE(TakeMessages().isEmpty()) << name;
            const int layer = c.FindLayer(QString::fromStdString(fs::path(name).stem()));
            ASSERT_GE(layer, 0) << name;
            const std::vector<int32_t> ids = c.GetLayerShapeIds(layer);
            // Point_0's point, the polyline, the text's point, and a name label
            // on each of the three.
            ASSERT_EQ(ids.size(), 6u) << name;
            double x = 0, y = 0;
            ASSERT_TRUE(c.GetPointXY(ids[0], x, y));
            EXPECT_NEAR(x, 508511.015, 0.002);
            EXPECT_NEAR(y, 4449960.441, 0.002);
            EXPECT_EQ(c.GetPolylinePointCount(ids[2]), 3);
            EXPECT_NEAR(c.GetPolylineX(ids[2], 1), 508100, 0.5);
            // Points first, then lines, then the names.
            std::string text;
            ASSERT_TRUE(c.GetTextInfo(ids[3], x, y, text));
            EXPECT_EQ(text, "Point_0");
            ASSERT_TRUE(c.GetTextInfo(ids[4], x, y, text));
            EXPECT_EQ(text, "Track_1");
            EXPECT_NEAR(x, 508000, 0.5);  // at the line's first vertex
            ASSERT_TRUE(c.GetTextInfo(ids[5], x, y, text));
            EXPECT_EQ(text, "A & B <c>");
        }
        EXPECT_NE(Events().find("Imported KML/KMZ: " + Path(name) +
                                " to layer: " + fs::path(name).stem().string()),
                  std::string::npos);
        EXPECT_EQ(nav->CurrentFile(), Path(name));
    }

    // A failing re-import keeps the layer as it was.
    phxtest::WriteAll(Path("harbour.kml"), "not a KML file");
    Import(Path("harbour.kml"));
    EXPECT_EQ(TakeMessages(),
              QStringList{QString("Failed to load KML/KMZ file: ") + kNoPlacemarkError});
    EXPECT_EQ(c.GetLayerShapeIds(c.FindLayer("harbour")).size(), 6u);
    // Missing datum parameters: the message, the layer untouched.
    FGPS->edCM->setText("");
    Import(Path("bay.kmz"));
    EXPECT_EQ(TakeMessages(), QStringList{"Please configure datum parameters in GPS Settings "
                                          "before importing KML/KMZ files."});
    EXPECT_EQ(c.GetLayerShapeIds(c.FindLayer("bay")).size(), 6u);
}

TEST_F(TFNavExchange, LambertExportAndImportUseLambert) {
    if (!Have("cs2cs")) GTEST_SKIP() << "cs2cs missing";
    FGPS->cbUseLCCProjection->setChecked(true);
    const std::pair<QLineEdit*, const char*> edits[] = {
        {FGPS->eLCCSP1, "39"}, {FGPS->eLCCSP2, "41"},    {FGPS->eLCCCP, "40"},
        {FGPS->eLCCM, "27"},   {FGPS->eLCCFE, "500000"}, {FGPS->eLCCFN, "200000"}};
    for (const auto& [edit, text] : edits) edit->setText(QString::fromUtf8(text));
    const int layer = Canvas().AddLayer("l");
    Canvas().AddPoint(508513.177, 222208.761, layer);
    Export(Path("lcc.kml"), 1);
    const std::string kml = phxtest::ReadAll(Path("lcc.kml"));
    const std::string oracle = phxtest::RunTool(
        "echo '508513.177 222208.761' | cs2cs -f %.8f +proj=lcc +lat_1=39 +lat_2=41 +lat_0=40 "
        "+lon_0=27 +x_0=500000 +y_0=200000 +ellps=WGS84 +to +proj=longlat +datum=WGS84");
    std::istringstream in(oracle);
    double lon = 0, lat = 0;
    ASSERT_TRUE(in >> lon >> lat) << oracle;
    const size_t coordinates = kml.find("<coordinates>");
    ASSERT_NE(coordinates, std::string::npos);
    std::istringstream point(kml.substr(coordinates + 13));
    double kmlLon = NAN, kmlLat = NAN, height = NAN;
    char comma1 = 0, comma2 = 0;
    ASSERT_TRUE(point >> kmlLon >> comma1 >> kmlLat >> comma2 >> height);
    EXPECT_EQ(comma1, ',');
    EXPECT_EQ(height, 0.0);
    EXPECT_NEAR(kmlLon, lon, 1e-8);
    EXPECT_NEAR(kmlLat, lat, 1e-8);

    Import(Path("lcc.kml"));
    const std::vector<int32_t> ids = Canvas().GetLayerShapeIds(Canvas().FindLayer("lcc"));
    ASSERT_EQ(ids.size(), 2u);  // the point and its name
    double x = 0, y = 0;
    ASSERT_TRUE(Canvas().GetPointXY(ids[0], x, y));
    EXPECT_NEAR(x, 508513.177, 0.002);
    EXPECT_NEAR(y, 222208.761, 0.002);
}

TEST_F(TFNavExchange, XyzImportMemory) {
    const std::string path = Path("harbour.xyz");
    phxtest::WriteAll(path,
                      "Easting,Northing,Elevation\n500000.0,4500000.0,12.5\n"
                      "7 500010 4500010 3\n0 0 5\n");
    Import(path);
    const int layer = Canvas().FindLayer("harbour");
    ASSERT_GE(layer, 0);
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 4u);
    EXPECT_NE(Events().find("Imported XYZ: " + path + " (2 points) to layer: harbour"),
              std::string::npos);
    EXPECT_EQ(nav->CurrentFile(), path);
    EXPECT_TRUE(TakeMessages().isEmpty());

    // Unchanged: skipped, the layer keeps its points.
    Import(path);
    EXPECT_EQ(TakeMessages(), QStringList{"File unchanged since last import. Skipping."});
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 4u);

    // Touched: imported again, the layer refilled, not doubled.
    phxtest::WriteAll(path, "500000 4500000 1\n");
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    Import(path);
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 2u);

    // Unchanged but emptied meanwhile: imported again.
    Canvas().ClearLayer(layer);
    Import(path);
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 2u);

    // A file that cannot be read: the message, the layer kept.
    fs::remove(path);
    Import(path);
    EXPECT_EQ(TakeMessages(),
              QStringList{QString::fromStdString("Failed to open XYZ file: " + path +
                                                 " (no such file or directory)")});
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 2u);
}

// A file without a point (emptied, or written with decimal commas) is
// refused and keeps the earlier import; lines that are not read are counted
// and shown.
TEST_F(TFNavExchange, XyzLinesNotReadAreSaidAndAnEmptyFileChangesNothing) {
    const std::string path = Path("harbour.xyz");
    phxtest::WriteAll(path,
                      "Easting Northing Depth\n500000 4500000 12.5\n500003,5 4500003,5 15,3\n"
                      "500010 4500010\n");
    Import(path);
    const std::string imported =
        "Imported XYZ: " + path + " (1 points) to layer: harbour (2 lines skipped)";
    EXPECT_EQ(TakeMessages(), QStringList{QString::fromStdString(imported)});
    EXPECT_NE(Events().find(imported), std::string::npos);
    const int layer = Canvas().FindLayer("harbour");
    ASSERT_EQ(Canvas().GetLayerShapeIds(layer).size(), 2u);

    const struct {
        const char* text;
        const char* message;
    } refused[] = {
        {"", ""},
        {"Easting Northing Depth\n", ""},
        {"500003,5 4500003,5 15,3\n500004,5 4500004,5 15,3\n", " (2 lines skipped)"},
    };
    int touched = 0;
    for (const auto& c : refused) {
        phxtest::WriteAll(path, c.text);
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(++touched));
        const std::string before = Events();
        const int current = Canvas().FCurrentLayer;
        nav->SetCurrentFile(Path("other.vlm"));
        Import(path);
        EXPECT_EQ(TakeMessages(),
                  QStringList{QString::fromStdString("No points in XYZ file: " + path + c.message)})
            << c.text;
        EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), 2u) << c.text;
        EXPECT_EQ(Events(), before) << c.text;
        EXPECT_EQ(Canvas().FCurrentLayer, current) << c.text;
        EXPECT_EQ(nav->CurrentFile(), Path("other.vlm")) << c.text;
    }
}

// A cut-off or emptied DXF: the reader's one message, and nothing changes
// (no layer named after the file either).
TEST_F(TFNavExchange, CutOffDxfChangesNothing) {
    TCanvasModel drawing;
    drawing.AddLine(0, 0, 10, 10, drawing.AddLayer("coast"));
    drawing.AddLine(5, 5, 10, 10, drawing.AddLayer("coast"));
    const std::string text = DxfExportText(drawing);
    phxtest::WriteAll(Path("pier.dxf"), text.substr(0, text.rfind("LINE")));
    const size_t layers = Canvas().FLayers.size();
    const int current = Canvas().FCurrentLayer;
    const std::string before = Events();
    Import(Path("pier.dxf"));
    EXPECT_EQ(TakeMessages(), QStringList{"DXF load failed: the file ends inside the ENTITIES "
                                          "section"});
    EXPECT_EQ(Canvas().FLayers.size(), layers);
    EXPECT_EQ(Canvas().FCurrentLayer, current);
    EXPECT_EQ(Events(), before);

    // Whole, it makes both layers and leaves the import layer current.
    phxtest::WriteAll(Path("pier.dxf"), text);
    Import(Path("pier.dxf"));
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_GE(Canvas().FindLayer("pier"), 0);
    EXPECT_EQ(Canvas().FCurrentLayer, Canvas().FindLayer("_dxf_pier.dxf"));
    EXPECT_EQ(Canvas().GetLayerShapeIds(Canvas().FCurrentLayer).size(), 2u);

    // Emptied (saved again without a shape): said, and that import stays.
    phxtest::WriteAll(Path("pier.dxf"), DxfExportText(TCanvasModel()));
    const std::string imported = Events();
    Import(Path("pier.dxf"));
    EXPECT_EQ(TakeMessages(),
              QStringList{"DXF load failed: the ENTITIES section holds nothing to draw"});
    EXPECT_EQ(Canvas().GetLayerShapeIds(Canvas().FindLayer("_dxf_pier.dxf")).size(), 2u);
    EXPECT_EQ(Events(), imported);
}

TEST_F(TFNavExchange, DxfImportKeepsTheLayerOfTheSameName) {
    TPlovanCanvas& c = Canvas();
    // "harbour" holds a KML import already.
    const int harbour = c.AddLayer("harbour");
    c.AddPoint(1, 2, harbour);
    TCanvasModel drawing;
    drawing.AddLine(0, 0, 10, 10, drawing.AddLayer("coast"));
    ASSERT_TRUE(ExportDXF(drawing, QString::fromStdString(Path("harbour.dxf"))));
    Import(Path("harbour.dxf"));
    EXPECT_EQ(c.GetLayerShapeIds(harbour).size(), 1u);
    const int dxf = c.FindLayer("_dxf_harbour.dxf");
    ASSERT_GE(dxf, 0);
    EXPECT_EQ(c.GetLayerShapeIds(dxf).size(), 1u);
    EXPECT_NE(Events().find("Imported DXF: " + Path("harbour.dxf")), std::string::npos);
    EXPECT_EQ(nav->CurrentFile(), Path("harbour.dxf"));

    // Any other extension goes to the DXF reader; a failure neither logs nor
    // becomes the current file, and the earlier import stays.
    phxtest::WriteAll(Path("harbour.dat"), "no drawing");
    const std::string before = Events();
    Import(Path("harbour.dat"));
    EXPECT_EQ(Events(), before);
    EXPECT_EQ(nav->CurrentFile(), Path("harbour.dxf"));
    EXPECT_EQ(c.GetLayerShapeIds(dxf).size(), 1u);
    EXPECT_EQ(c.GetLayerShapeIds(harbour).size(), 1u);
}

// A FIFO picked for any import is refused at once with one message saying
// so; the drawing stays as it was. So is a file over the cap of its kind.
TEST_F(TFNavExchange, AFifoOrAnOversizedFileForEveryImportIsRefusedAtOnce) {
    const int before = static_cast<int>(Canvas().FShapes.size());
    const auto refusal = [](const std::string& path, const std::string& why) {
        const std::string ext = path.substr(path.rfind('.'));
        const std::string problem = path + " (" + why + ")";
        if (ext == ".kml" || ext == ".kmz") return "Failed to load KML/KMZ file: " + problem;
        if (ext == ".dxf") return "DXF load failed: " + problem;
        return "Failed to open XYZ file: " + problem;
    };
    for (const char* name : {"p.kml", "p.kmz", "p.xyz", "p.txt", "p.csv", "p.dxf"}) {
        SCOPED_TRACE(name);
        phxtest::GuardedFifo fifo(Path(name));
        ASSERT_TRUE(fifo.ok());
        Import(fifo.path());
        EXPECT_FALSE(fifo.TimedOut());
        EXPECT_EQ(TakeMessages(),
                  QStringList{QString::fromStdString(refusal(fifo.path(), "not a regular file"))});
    }
    const std::pair<const char*, const char*> oversized[] = {{"big.kml", "larger than 512 MB"},
                                                             {"big.kmz", "larger than 1024 MB"},
                                                             {"big.xyz", "larger than 128 MB"},
                                                             {"big.dxf", "larger than 292 MB"}};
    for (const auto& [name, why] : oversized) {
        SCOPED_TRACE(name);
        phxtest::WriteAll(Path(name), "500000 4500000 1\n");
        fs::resize_file(Path(name), std::uintmax_t{2} << 30);  // sparse
        Import(Path(name));
        EXPECT_EQ(TakeMessages(), QStringList{QString::fromStdString(refusal(Path(name), why))});
        fs::remove(Path(name));
    }
    EXPECT_EQ(static_cast<int>(Canvas().FShapes.size()), before);
}

TEST_F(TFNavExchange, CancelledImportEnsuresTheStandardLayers) {
    Canvas().RemoveAllShapesAndLayers();
    nav->Import1->trigger();
    EXPECT_GE(Canvas().FindLayer(kVesselLayerName), 0);
    EXPECT_GE(Canvas().FindLayer("track_fix"), 0);
    EXPECT_TRUE(TakeMessages().isEmpty());
    ASSERT_EQ(dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs->fileDialogs[0].caption, "Dialog Open");
    EXPECT_EQ(dialogs->fileDialogs[0].filter,
              "KML/KMZ Files [*.kml;*.kmz] (*.kml *.kmz);;XYZ Files [*.xyz;*.txt;*.csv] (*.xyz "
              "*.txt *.csv);;AutoCAD 2018 DXF [*.dxf] (*.dxf);;All Files [*.*] (*)");
}

TEST_F(TFNavExchange, KmlNamesAtEveryGeometryOfANamedPlacemark) {
    const std::string kml =
        "<kml><Document>"
        "<Placemark><name>Pier</name><LineString><coordinates>27.1,40.2 27.101,40.201"
        "</coordinates></LineString><Point><coordinates>27.1,40.2</coordinates></Point>"
        "</Placemark>"
        "<Placemark><Point><coordinates>27.102,40.202</coordinates></Point></Placemark>"
        "<Placemark><name>lone</name><LineString><coordinates>27.103,40.203</coordinates>"
        "</LineString></Placemark>"
        "</Document></kml>";
    phxtest::WriteAll(Path("pier.kml"), kml);
    Import(Path("pier.kml"));
    const std::vector<int32_t> ids = Canvas().GetLayerShapeIds(Canvas().FindLayer("pier"));
    // Two points, one line (the one-vertex line is not drawn), then the
    // names: "Pier" at its point and at its line's first vertex, "lone" at
    // its single vertex; the unnamed placemark has none.
    std::vector<int> types;
    std::vector<std::string> texts;
    for (const int id : ids) {
        types.push_back(Canvas().GetShapeType(id));
        double x = 0, y = 0;
        std::string text;
        if (Canvas().GetTextInfo(id, x, y, text)) texts.push_back(text);
    }
    const std::vector<int> expectedTypes = {ShapeType::Point, ShapeType::Point, ShapeType::Polyline,
                                            ShapeType::Text,  ShapeType::Text,  ShapeType::Text};
    EXPECT_EQ(types, expectedTypes);
    EXPECT_EQ(texts, (std::vector<std::string>{"Pier", "Pier", "lone"}));
}

namespace {

std::string KmlFixture(const std::string& name) {
    return std::string(PHX_TEST_DATA_DIR) + "/kml/" + name;
}

}  // namespace

TEST_F(TFNavExchange, KmlFixturesImportAndSayWhatWasLeftOut) {
    const struct {
        const char* file;
        size_t shapes;     // points, lines and names
        std::string note;  // after the log line's layer name
    } cases[] = {
        // 4 points, 4 lines (one of them the bare ring), 8 names.
        {"google-earth.kml", 16, " (2 placemarks not read: gx:Track, gx:MultiTrack)"},
        // 3 points, 4 lines, 7 names.
        {"libkml.kmz", 14, ""},
        {"gdal.kml", 14, ""},
    };
    for (const auto& c : cases) {
        const std::string path = Path(c.file);
        fs::copy_file(KmlFixture(c.file), path);
        Import(path);
        const std::string layer = fs::path(c.file).stem().string();
        const std::string line = "Imported KML/KMZ: " + path + " to layer: " + layer + c.note;
        EXPECT_EQ(TakeMessages(),
                  c.note.empty() ? QStringList() : QStringList{QString::fromStdString(line)})
            << c.file;
        const std::string events = Events();
        EXPECT_EQ(events.substr(events.size() - line.size()), line) << c.file;
        const std::vector<int32_t> ids =
            Canvas().GetLayerShapeIds(Canvas().FindLayer(QString::fromStdString(layer)));
        EXPECT_EQ(ids.size(), c.shapes) << c.file;
        // Rings come back closed, without their repeated vertex.
        int closed = 0;
        for (const int id : ids)
            if (Canvas().GetShapeType(id) == ShapeType::Polygon) {
                ++closed;
                EXPECT_GE(Canvas().GetPolylinePointCount(id), 3) << c.file;
            }
        EXPECT_EQ(closed, std::string(c.file) == "google-earth.kml" ? 2 : 1) << c.file;
    }
}

TEST_F(TFNavExchange, RefusedKmlKeepsTheLayerAndSaysWhy) {
    const std::string path = Path("harbour.kml");
    fs::copy_file(KmlFixture("google-earth.kml"), path);
    Import(path);
    TakeMessages();
    const int layer = Canvas().FindLayer("harbour");
    const size_t before = Canvas().GetLayerShapeIds(layer).size();
    ASSERT_GT(before, 0u);
    for (const auto& [fixture, reason] :
         {std::pair{"truncated-placemark.kml", "The file ends inside a placemark (truncated)"},
          std::pair{"truncated-document.kml", "The file ends before </kml> (truncated)"}}) {
        fs::copy_file(KmlFixture(fixture), path, fs::copy_options::overwrite_existing);
        const std::string events = Events();
        Import(path);
        EXPECT_EQ(TakeMessages(), QStringList{QString("Failed to load KML/KMZ file: ") + reason})
            << fixture;
        EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), before) << fixture;
        EXPECT_EQ(Events(), events) << fixture;
    }
    // Parameters that are not numbers: said, nothing read.
    FGPS->edSF->setText("x");
    Import(path);
    const QStringList messages = TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The geodetic parameters cannot be used: "))
        << messages[0].toStdString();
    EXPECT_EQ(Canvas().GetLayerShapeIds(layer).size(), before);
}

TEST_F(TFNavExchange, FarKmlPointsAreLeftOutAndCounted) {
    const std::string path = Path("far.kml");
    phxtest::WriteAll(path,
                      "<kml><Document><Placemark><name>far</name><Point><coordinates>120,40"
                      "</coordinates></Point></Placemark><Placemark><Point><coordinates>27.1,"
                      "40.2</coordinates></Point></Placemark></Document></kml>");
    Import(path);
    const std::string line =
        "Imported KML/KMZ: " + path + " to layer: far (1 points not converted)";
    EXPECT_EQ(TakeMessages(), QStringList{QString::fromStdString(line)});
    const std::vector<int32_t> ids = Canvas().GetLayerShapeIds(Canvas().FindLayer("far"));
    ASSERT_EQ(ids.size(), 1u);  // the near point; the far one and its name are left out
    double x = 0, y = 0;
    ASSERT_TRUE(Canvas().GetPointXY(ids[0], x, y));
    EXPECT_NEAR(x, 508511.015, 0.001);
    EXPECT_NEAR(y, 4449960.441, 0.001);

    // Nothing left to draw: refused, and the earlier import stays.
    phxtest::WriteAll(path,
                      "<kml><Document><Placemark><name>far</name><Point><coordinates>120,40"
                      "</coordinates></Point></Placemark></Document></kml>");
    const std::string events = Events();
    Import(path);
    EXPECT_EQ(TakeMessages(), QStringList{"Failed to load KML/KMZ file: No placemark could be "
                                          "drawn (1 points not converted)"});
    EXPECT_EQ(Canvas().GetLayerShapeIds(Canvas().FindLayer("far")).size(), 1u);
    EXPECT_EQ(Events(), events);
}

TEST_F(TFNavExchange, ClosedPolygonsRoundTripClosed) {
    const int layer = Canvas().AddLayer("drawn");
    Canvas().AddPolyline({{508000, 4449000}, {508100, 4449000}, {508100, 4449100}}, layer, true);
    Canvas().AddText(layer, QString(), 508000, 4449000, 0);
    Export(Path("ring.kml"), 1);
    EXPECT_EQ(TakeMessages(), QStringList{"Exported: 1 tracks, 0 depth points"});
    Import(Path("ring.kml"));
    const std::vector<int32_t> ids = Canvas().GetLayerShapeIds(Canvas().FindLayer("ring"));
    ASSERT_EQ(ids.size(), 2u);  // the ring and its name
    EXPECT_EQ(Canvas().GetShapeType(ids[0]), ShapeType::Polygon);
    ASSERT_EQ(Canvas().GetPolylinePointCount(ids[0]), 3);
    EXPECT_NEAR(Canvas().GetPolylineX(ids[0], 2), 508100, 0.5);
    EXPECT_NEAR(Canvas().GetPolylineY(ids[0], 2), 4449100, 0.5);
}

TEST_F(TFNavExchange, KmlImportRunsBesideTheWindowWithItsProgress) {
    std::string coordinates;
    for (int i = 0; i < 200000; ++i)
        coordinates += std::to_string(27 + i * 1e-7) + "," + std::to_string(40 + i * 1e-7) + " ";
    const std::string path = Path("long.kml");
    phxtest::WriteAll(path, "<kml><Placemark><LineString><coordinates>" + coordinates +
                                "</coordinates></LineString></Placemark></kml>");
    dialogs->fileNames.push_back(QString::fromStdString(path));
    nav->Import1->trigger();
    // At once: the import runs, the panel says so, a second import waits.
    ASSERT_TRUE(nav->KmlImportRunning());
    EXPECT_TRUE(nav->sStatusBar->PanelText(2).startsWith("Importing long.kml: "))
        << nav->sStatusBar->PanelText(2).toStdString();
    EXPECT_FALSE(nav->Import1->isEnabled());
    WaitForKmlImport();
    EXPECT_TRUE(nav->Import1->isEnabled());
    EXPECT_EQ(nav->sStatusBar->PanelText(2), QString());
    const std::vector<int32_t> ids = Canvas().GetLayerShapeIds(Canvas().FindLayer("long"));
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(Canvas().GetPolylinePointCount(ids[0]), 200000);

    // Closing the window while a file is read leaves nothing behind.
    dialogs->fileNames.push_back(QString::fromStdString(path));
    nav->Import1->trigger();
    ASSERT_TRUE(nav->KmlImportRunning());
    delete FGPS;
    FGPS = nullptr;
    nav.reset();
}
