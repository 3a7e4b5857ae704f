// The KML document of a drawing: its lines as written, one counter for
// tracks and points, the layers left out, escaping, soundings, the vessel,
// refused conversions; the files checked by xmllint, GDAL's ogrinfo (names
// and coordinates against cs2cs's inverse), unzip and our own reader.
#include "navigation/KmlWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "canvas/CanvasModel.h"
#include "navigation/KmlProjection.h"
#include "navigation/PlacemarkReader.h"
#include "navigation/StandardLayers.h"
#include "tests/navigation/OgrInfo.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"
#include "tests/support/Utm35Settings.h"

namespace {

namespace fs = std::filesystem;

DeviceSettingsValues Utm35() { return phxtest::Utm35Settings(); }

const KmlGridToGeographicFn kToUtm35 = [](double x, double y, double& lat, double& lon) {
    return KmlGridToGeographic(Utm35(), x, y, lat, lon);
};

// Placeholder conversion for the form tests: latitude y / 1000, longitude x / 1000.
const KmlGridToGeographicFn kThousandths = [](double x, double y, double& lat, double& lon) {
    lat = y / 1000;
    lon = x / 1000;
    return true;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            out.push_back(bytes.substr(at) + "<no CR LF>");
            break;
        }
        out.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

// The lines after the header and the six styles, before "</Document>".
std::vector<std::string> Body(const std::string& bytes) {
    const std::vector<std::string> all = Lines(bytes);
    return {all.begin() + 10, all.end() - 2};
}

using phxtest::OgrFeature;
using phxtest::OgrFeatures;

// cs2cs's inverse of a UTM zone 35 point: (lon, lat).
std::pair<double, double> Cs2csInverse(double x, double y) {
    std::ostringstream command;
    command.precision(17);
    command << "echo '" << x << " " << y
            << "' | cs2cs -f %.12f +proj=utm +zone=35 +datum=WGS84 +to +proj=longlat "
               "+datum=WGS84";
    std::istringstream out(phxtest::RunTool(command.str()));
    double lon = NAN, lat = NAN;
    out >> lon >> lat;
    return {lon, lat};
}

bool Have(const char* tool) { return !phxtest::RunTool(std::string("command -v ") + tool).empty(); }

}  // namespace

TEST(KmlWriter, EmptyDrawingIsHeaderAndStyles) {
    TCanvasModel m;
    const KmlDocument doc = BuildKmlDocument(m, "a & b.kml", kThousandths, 0, 0);
    EXPECT_EQ(doc.tracks, 0);
    EXPECT_EQ(doc.soundings, 0);
    ASSERT_EQ(doc.bytes.substr(0, 3), "\xEF\xBB\xBF");
    const std::vector<std::string> lines = Lines(doc.bytes.substr(3));
    const std::vector<std::string> expected = {
        R"(<?xml version="1.0" encoding="UTF-8"?>)",
        R"(<kml xmlns="http://www.opengis.net/kml/2.2">)",
        "<Document>",
        "<name>a &amp; b.kml</name>",
        R"(<Style id="trackFix"><LineStyle><color>ff00ff00</color><width>2</width></LineStyle></Style>)",
        R"(<Style id="trackFloat"><LineStyle><color>ff00ffff</color><width>2</width></LineStyle></Style>)",
        R"(<Style id="trackNofix"><LineStyle><color>ff0000ff</color><width>2</width></LineStyle></Style>)",
        R"(<Style id="trackOther"><LineStyle><color>ffff00ff</color><width>2</width></LineStyle></Style>)",
        R"(<Style id="depthStyle"><IconStyle><scale>0.5</scale><Icon><href>https://maps.google.com/mapfiles/kml/shapes/shaded_dot.png</href></Icon></IconStyle></Style>)",
        R"(<Style id="pointStyle"><IconStyle><scale>0.6</scale><Icon><href>https://maps.google.com/mapfiles/kml/shapes/placemark_circle.png</href></Icon></IconStyle></Style>)",
        "</Document>",
        "</kml>",
    };
    EXPECT_EQ(lines, expected);
}

TEST(KmlWriter, OneCounterForTracksAndPointsInDrawingOrder) {
    TCanvasModel m;
    EnsureStandardLayers(&m);
    const int fix = m.FindLayer("track_fix"), nofix = m.FindLayer("track_nofix");
    const int flt = m.FindLayer("track_float"), other = m.AddLayer("harbour");
    m.AddPoint(1000, 2000, other);
    m.AddText(other, QStringLiteral("A & B <c>"), 3000, 4000, 0);
    m.AddLine(1000, 1000, 2000, 2000, fix);
    m.AddPolyline({{1000, 1000}, {1500, 1250}, {2000, 3000}}, flt, false);
    m.AddPolyline({{1000, 1000}, {2000, 2000}}, nofix, true);
    m.AddPolyline({{1000, 1000}, {2000, 2000}}, other, false);
    // Left out: the vessel and grid layers, shapes without vertices.
    m.AddLine(1000, 1000, 2000, 2000, m.FindLayer(kVesselLayerName));
    m.AddPoint(1000, 1000, m.FindLayer(kGridLayerName));
    m.AddCircle(5000, 5000, 10, other);
    m.AddEllipse(1000, 1000, 2000, 3000, other);
    m.AddPoint(7000, 8000, other);
    m.FSoundings.push_back({1000, 2000, 12.346});
    m.FSoundings.push_back({1000, 2000, 3.0});

    const KmlDocument doc = BuildKmlDocument(m, "t.kml", kThousandths, 9000, 10000);
    EXPECT_EQ(doc.tracks, 6);
    EXPECT_EQ(doc.soundings, 2);
    EXPECT_EQ(doc.skipped, 0);
    const std::vector<std::string> expected = {
        "<Placemark>",
        "<name>Point_0</name>",
        "<styleUrl>#pointStyle</styleUrl>",
        "<Point>",
        "<coordinates>1.00000000,2.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
        "<Placemark>",
        "<name>A &amp; B &lt;c&gt;</name>",
        "<styleUrl>#pointStyle</styleUrl>",
        "<Point>",
        "<coordinates>3.00000000,4.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
        "<Placemark>",
        "<name>Track_1</name>",
        "<styleUrl>#trackFix</styleUrl>",
        "<LineString>",
        "<coordinates>1.00000000,1.00000000,0 2.00000000,2.00000000,0</coordinates>",
        "</LineString>",
        "</Placemark>",
        "<Placemark>",
        "<name>Track_2</name>",
        "<styleUrl>#trackFloat</styleUrl>",
        "<LineString>",
        "<coordinates>",
        "1.00000000,1.00000000,0 1.50000000,1.25000000,0 2.00000000,3.00000000,0",
        "</coordinates>",
        "</LineString>",
        "</Placemark>",
        "<Placemark>",
        "<name>Track_3</name>",
        "<styleUrl>#trackNofix</styleUrl>",
        "<LineString>",
        "<coordinates>",
        "1.00000000,1.00000000,0 2.00000000,2.00000000,0",
        "</coordinates>",
        "</LineString>",
        "</Placemark>",
        "<Placemark>",
        "<name>Track_4</name>",
        "<styleUrl>#trackOther</styleUrl>",
        "<LineString>",
        "<coordinates>",
        "1.00000000,1.00000000,0 2.00000000,2.00000000,0",
        "</coordinates>",
        "</LineString>",
        "</Placemark>",
        "<Placemark>",
        "<name>Point_5</name>",
        "<styleUrl>#pointStyle</styleUrl>",
        "<Point>",
        "<coordinates>7.00000000,8.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
        "<Placemark>",
        "<name>12.35m</name>",
        "<styleUrl>#depthStyle</styleUrl>",
        "<Point>",
        "<coordinates>1.00000000,2.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
        "<Placemark>",
        "<name>3.00m</name>",
        "<styleUrl>#depthStyle</styleUrl>",
        "<Point>",
        "<coordinates>1.00000000,2.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
        "<Placemark>",
        "<name>Vessel</name>",
        "<Style><IconStyle><Icon><href>https://maps.google.com/mapfiles/kml/shapes/sailing.png"
        "</href></Icon></IconStyle></Style>",
        "<Point>",
        "<coordinates>9.00000000,10.00000000,0</coordinates>",
        "</Point>",
        "</Placemark>",
    };
    EXPECT_EQ(Body(doc.bytes.substr(3)), expected);
}

TEST(KmlWriter, ClosedShapesArePolygonsAndBlankTextsAreLeftOut) {
    TCanvasModel m;
    EnsureStandardLayers(&m);
    const int other = m.AddLayer("harbour");
    m.AddPolyline({{1000, 1000}, {2000, 1000}, {2000, 2000}}, m.FindLayer("track_fix"), true);
    m.AddText(other, QString(), 1000, 1000, 0);
    m.AddText(other, QStringLiteral(" \t "), 1000, 1000, 0);
    // Already ending where it starts: the ring does not repeat it twice.
    m.AddPolyline({{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 1000}}, other, true);
    const KmlDocument doc = BuildKmlDocument(m, "t.kml", kThousandths, 0, 0);
    EXPECT_EQ(doc.tracks, 2);
    // Each ring ends with its first vertex, once.
    const auto ring = [](const std::string& name, const std::string& color) {
        return std::vector<std::string>{
            "<Placemark>",
            "<name>" + name + "</name>",
            "<Style><LineStyle><color>" + color +
                "</color><width>2</width></LineStyle><PolyStyle><fill>0</fill></PolyStyle></Style>",
            "<Polygon><outerBoundaryIs><LinearRing>",
            "<coordinates>",
            "1.00000000,1.00000000,0 2.00000000,1.00000000,0 2.00000000,2.00000000,0 "
            "1.00000000,1.00000000,0",
            "</coordinates>",
            "</LinearRing></outerBoundaryIs></Polygon>",
            "</Placemark>"};
    };
    std::vector<std::string> expected = ring("Track_0", "ff00ff00");
    for (const std::string& line : ring("Track_1", "ffff00ff")) expected.push_back(line);
    EXPECT_EQ(Body(doc.bytes.substr(3)), expected);
    // Our reader takes the ring back as a polygon.
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.ParseKml(doc.bytes));
    ASSERT_EQ(reader.FPlacemarks.size(), 2u);
    EXPECT_EQ(reader.FPlacemarks[0].Geometries[0].Type, kPlacemarkPolygon);
    EXPECT_EQ(reader.FPlacemarks[0].Geometries[0].Coords.size(), 4u);
}

TEST(KmlWriter, RefusedPointsSkipTheirShapeUncounted) {
    TCanvasModel m;
    const int layer = m.AddLayer("a");
    m.AddPoint(1000, 1000, layer);
    m.AddPolyline({{1000, 1000}, {-1, 5}, {2000, 2000}}, layer, false);  // one bad vertex
    m.AddLine(-1, 0, 1000, 1000, layer);
    m.AddText(layer, QStringLiteral("t"), -1, 0, 0);
    m.AddPoint(2000, 2000, layer);
    m.FSoundings.push_back({-1, 0, 5});
    m.FSoundings.push_back({3000, 3000, 5});
    const KmlGridToGeographicFn refuseNegative = [](double x, double y, double& lat, double& lon) {
        if (x < 0) return false;
        lat = y / 1000;
        lon = x / 1000;
        return true;
    };
    const KmlDocument vesselBad = BuildKmlDocument(m, "a.kml", refuseNegative, -1, 1);
    EXPECT_EQ(vesselBad.tracks, 2);  // Point_0 and Point_1
    EXPECT_EQ(vesselBad.soundings, 1);
    EXPECT_EQ(vesselBad.skipped, 5);
    EXPECT_NE(vesselBad.bytes.find("<name>Point_1</name>"), std::string::npos);
    EXPECT_EQ(vesselBad.bytes.find("Track_"), std::string::npos);
    EXPECT_EQ(vesselBad.bytes.find("Vessel"), std::string::npos);
}

TEST(KmlWriter, EscapingAndCoordinateText) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"A & B <c>", "A &amp; B &lt;c&gt;"},
        {"\"quoted\" 'x'", "\"quoted\" 'x'"},
        {"line\r\nbreak\ttab\x01", "line  break tab "},
        {"Şamandıra ğüöç", "Şamandıra ğüöç"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(KmlEscape(c.in), c.out) << c.in;
    EXPECT_EQ(KmlCoordinate(40.2, 27.1), "27.10000000,40.20000000,0");
    EXPECT_EQ(KmlCoordinate(-33.123456789, -70.000000004), "-70.00000000,-33.12345679,0");
    EXPECT_EQ(KmlCoordinate(0.000000005, 179.999999996), "180.00000000,0.00000001,0");
}

TEST(KmlWriter, GdalAndXmllintReadTheFile) {
    if (!Have("ogrinfo") || !Have("xmllint") || !Have("cs2cs"))
        GTEST_SKIP() << "ogrinfo, xmllint or cs2cs missing";
    phxtest::TempHome home;
    TCanvasModel m;
    EnsureStandardLayers(&m);
    const int layer = m.AddLayer("Şamandıra");
    m.AddPoint(508511.015, 4449960.441, layer);
    m.AddText(layer, QStringLiteral("A & B <c>"), 510000, 4450000, 0);
    m.AddText(layer, QString::fromUtf8("Şamandıra ığüşöç"), 511000, 4451000, 0);
    m.AddLine(500000, 4440000, 505000, 4445000, m.FindLayer("track_fix"));
    m.AddPolyline({{500100.25, 4440100.75}, {501000.5, 4441000.5}, {502500, 4443000}},
                  m.FindLayer("track_float"), false);
    m.AddPolyline({{503000, 4443000}, {504000, 4443000}, {504000, 4444000}}, layer, true);
    m.AddText(layer, QString(), 511000, 4451000, 0);
    m.FSoundings.push_back({508600, 4449900, 12.346});
    const KmlDocument doc = BuildKmlDocument(m, "survey.kml", kToUtm35, 509000, 4450500);
    const std::string path = home.home() + "survey.kml";
    ASSERT_TRUE(WriteKmlFile(path, doc.bytes));
    EXPECT_FALSE(phxtest::RunTool("xmllint --noout " + path + " && echo ok").empty());

    const std::vector<OgrFeature> features = OgrFeatures(path);
    ASSERT_EQ(features.size(), 8u);
    const struct {
        const char *name, *geometry;
        std::vector<std::pair<double, double>> grid;
        double tolerance;  // degrees: 8 decimals, or float vertices
    } expected[] = {
        {"Point_0", "POINT", {{508511.015, 4449960.441}}, 1.5e-8},
        {"A & B <c>", "POINT", {{510000, 4450000}}, 1.5e-8},
        {"Şamandıra ığüşöç", "POINT", {{511000, 4451000}}, 1.5e-8},
        {"Track_1", "LINESTRING", {{500000, 4440000}, {505000, 4445000}}, 1.5e-8},
        {"Track_2",
         "LINESTRING",
         {{500100.25, 4440100.75}, {501000.5, 4441000.5}, {502500, 4443000}},
         5e-6},  // 0.5 m
        {"Track_3",
         "POLYGON",
         {{503000, 4443000}, {504000, 4443000}, {504000, 4444000}, {503000, 4443000}},
         5e-6},
        {"12.35m", "POINT", {{508600, 4449900}}, 1.5e-8},
        {"Vessel", "POINT", {{509000, 4450500}}, 1.5e-8},
    };
    for (size_t i = 0; i < features.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(features[i].name, e.name);
        EXPECT_EQ(features[i].geometry, e.geometry) << e.name;
        ASSERT_EQ(features[i].points.size(), e.grid.size()) << e.name;
        for (size_t k = 0; k < e.grid.size(); ++k) {
            const auto [lon, lat] = Cs2csInverse(e.grid[k].first, e.grid[k].second);
            EXPECT_NEAR(features[i].points[k].first, lon, e.tolerance) << e.name << " " << k;
            EXPECT_NEAR(features[i].points[k].second, lat, e.tolerance) << e.name << " " << k;
        }
    }
}

TEST(KmlWriter, KmzIsAZipWithDocKmlThatOurReaderTakesBack) {
    phxtest::TempHome home;
    TCanvasModel m;
    const int layer = m.AddLayer("a");
    m.AddPolyline({{508000, 4449000}, {509000, 4450000}}, layer, false);
    m.AddPoint(508511.015, 4449960.441, layer);
    const KmlDocument doc = BuildKmlDocument(m, "s.kmz", kToUtm35, 0, 0);
    const std::string path = home.home() + "s.kmz";
    phxtest::WriteAll(path, "old");
    phxtest::WriteAll(home.home() + "s.kml", "a KML file of the same base name");
    ASSERT_TRUE(WriteKmzFile(path, doc.bytes));
    // Nothing beside it: the intermediate name is gone, the .kml untouched.
    EXPECT_EQ(phxtest::ReadAll(home.home() + "s.kml"), "a KML file of the same base name");
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(home.home()))
        if (e.is_regular_file()) ++files;
    EXPECT_EQ(files, 2u);

    if (Have("unzip")) {
        EXPECT_FALSE(phxtest::RunTool("unzip -tq " + path + " && echo ok").empty());
        EXPECT_EQ(phxtest::RunTool("unzip -Z1 " + path), "doc.kml\n");
        EXPECT_EQ(phxtest::RunTool("unzip -p " + path + " doc.kml"), doc.bytes);
    }

    TPlacemarkReader reader;
    reader.FOnProject = [](double lat, double lon, double& x, double& y) {
        KmlGeographicToGrid(Utm35(), lat, lon, x, y);
    };
    ASSERT_TRUE(reader.LoadFromFile(path)) << reader.FLastError;
    reader.ProjectAll();
    ASSERT_EQ(reader.GetPoints().size(), 1u);
    EXPECT_NEAR(reader.GetPoints()[0].X, 508511.015, 0.002);
    EXPECT_NEAR(reader.GetPoints()[0].Y, 4449960.441, 0.002);
    ASSERT_EQ(reader.GetLines().size(), 1u);
    EXPECT_NEAR(reader.GetLines()[0][1].X, 509000, 0.002);
    EXPECT_NEAR(reader.GetLines()[0][1].Y, 4450000, 0.002);
}

TEST(KmlWriter, FailedWritesKeepTheOldFileAndLeaveNothing) {
    phxtest::TempHome home;
    const std::string dir = home.home() + "dir.kml", dirKmz = home.home() + "dir.kmz";
    fs::create_directory(dir);
    fs::create_directory(dirKmz);
    EXPECT_FALSE(WriteKmlFile(dir, "x"));
    EXPECT_FALSE(WriteKmzFile(dirKmz, "x"));
    EXPECT_FALSE(WriteKmlFile(home.home() + "missing/a.kml", "x"));
    EXPECT_FALSE(WriteKmzFile(home.home() + "missing/a.kmz", "x"));

    const std::string locked = home.home() + "locked/";
    fs::create_directory(locked);
    phxtest::WriteAll(locked + "a.kml", "old");
    phxtest::WriteAll(locked + "a.kmz", "old");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(locked.c_str(), W_OK) != 0) {  // not when the tests run as root
        EXPECT_FALSE(WriteKmlFile(locked + "a.kml", "new"));
        EXPECT_FALSE(WriteKmzFile(locked + "a.kmz", "new"));
        EXPECT_EQ(phxtest::ReadAll(locked + "a.kml"), "old");
        EXPECT_EQ(phxtest::ReadAll(locked + "a.kmz"), "old");
    }
    fs::permissions(locked, fs::perms::owner_all);
    size_t entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(home.home())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 6u);  // AppData, dir.kml, dir.kmz, locked, and its two files
}
