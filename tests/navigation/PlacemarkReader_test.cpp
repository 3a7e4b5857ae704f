#include "navigation/PlacemarkReader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {

std::string Kml(const std::string& placemarks) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml "
           "xmlns=\"http://www.opengis.net/kml/2.2\">"
           "<Document>" +
           placemarks + "</Document></kml>\n";
}

const std::string kPoint =
    "<Placemark><name> A &amp; B &lt;c&gt; </name><description><![CDATA[<b>x</b> "
    "&amp;]]></description>"
    "<Point><coordinates>27.1,40.2,3</coordinates></Point></Placemark>";

struct Entry {
    std::string name, bytes;
    bool encrypted = false;
};

// A ZIP archive of the entries, made by libzip.
std::string Zip(const std::string& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const Entry& e : entries) {
        zip_source_t* s = zip_source_buffer(z, e.bytes.data(), e.bytes.size(), 0);
        const zip_int64_t index = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (e.encrypted)
            zip_file_set_encryption(z, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, "secret");
    }
    zip_close(z);
    return phxtest::ReadAll(path);
}

}  // namespace

TEST(PlacemarkReader, CoordinateTuples) {
    const struct {
        const char* text;
        std::vector<std::array<double, 3>> coords;  // lon, lat, alt
    } cases[] = {
        {"27.1,40.2 0,0 27.3,40.4,12.5", {{27.1, 40.2, 0}, {27.3, 40.4, 12.5}}},
        {"\r\n\t 27.1,40.2\r\n27.2,40.3\r27.3,40.4\n",
         {{27.1, 40.2, 0}, {27.2, 40.3, 0}, {27.3, 40.4, 0}}},
        // Blanks beside commas stay inside the tuple.
        {"27.1, 40.2, 3", {{27.1, 40.2, 3}}},
        {"27.1 ,40.2 , 3 27.2,\r\n\t40.3", {{27.1, 40.2, 3}, {27.2, 40.3, 0}}},
        {"27.1 , 40.2,1 , 2", {{27.1, 40.2, 0}}},
        {", 27.1,40.2 27.2,", {}},
        {"27.1,40.2,1,2", {{27.1, 40.2, 0}}},
        {"27.1,40.2,x", {{27.1, 40.2, 0}}},
        {"27.1 40.2", {}},
        {"x,40.2 27.1,nan 27.1,inf 1e999,1 0x1A,2", {}},
        {"0,40 27,0", {{0, 40, 0}, {27, 0, 0}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        TPlacemarkReader reader;
        std::vector<TPlacemarkCoord> out;
        reader.ParseCoordinates(c.text, out);
        ASSERT_EQ(out.size(), c.coords.size()) << c.text;
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].Longitude, c.coords[i][0]) << c.text;
            EXPECT_EQ(out[i].Latitude, c.coords[i][1]) << c.text;
            EXPECT_EQ(out[i].Altitude, c.coords[i][2]) << c.text;
        }
    }
}

TEST(PlacemarkReader, PlacemarksGeometriesAndTexts) {
    TPlacemarkReader reader;
    std::vector<std::pair<double, double>> calls;
    reader.FOnProject = [&](double lat, double lon, double& x, double& y) {
        calls.push_back({lat, lon});
        x = lon * 1000;
        y = lat * 1000;
    };
    const std::string text =
        Kml(kPoint +
            "<Placemark><name>Ş&#351;&#x15E;</"
            "name><Polygon><outerBoundaryIs><LinearRing><coordinates>1,1 2,1 2,2 1,1"
            "</coordinates></LinearRing></"
            "outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>9,9 9,8"
            "</coordinates></LinearRing></innerBoundaryIs></Polygon><Point><coordinates>5,6</"
            "coordinates></Point>"
            "</Placemark>"
            "<Placemark id=\"x\"><Point><coordinates>7,7</coordinates></Point></Placemark>"
            "<Placemark><LineString><coordinates>3,3</coordinates></LineString></Placemark>"
            "<Placemark><name>empty</name></Placemark>");
    ASSERT_TRUE(reader.ParseKml(text));
    ASSERT_EQ(reader.FPlacemarks.size(), 4u);
    EXPECT_EQ(reader.NotReadSummary(), " (1 placemarks not read: no geometry)");
    EXPECT_EQ(reader.FPlacemarks[0].Name, "A & B <c>");
    EXPECT_EQ(reader.FPlacemarks[0].Description, "<b>x</b> &amp;");
    EXPECT_EQ(reader.FPlacemarks[1].Name, "ŞşŞ");
    // The point before the polygon, whatever the file's order; the inner ring is left out.
    ASSERT_EQ(reader.FPlacemarks[1].Geometries.size(), 2u);
    EXPECT_EQ(reader.FPlacemarks[1].Geometries[0].Type, 0);
    EXPECT_EQ(reader.FPlacemarks[1].Geometries[1].Type, 2);
    EXPECT_EQ(reader.FPlacemarks[1].Geometries[1].Coords.size(), 4u);
    EXPECT_EQ(reader.FPlacemarks[3].Geometries[0].Coords.size(), 1u);

    EXPECT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[0], (std::pair<double, double>{40.2, 27.1}));
    const auto points = reader.GetPoints();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].X, 27100);
    EXPECT_EQ(reader.GetLines().size(), 1u);  // the single-vertex line string is not a line
    EXPECT_EQ(reader.GetProjectedLines().size(), 1u);
    EXPECT_EQ(reader.GetProjectedPoints().size(), 3u);
    calls.clear();
    reader.ProjectAll();
    EXPECT_EQ(calls.size(), 8u);

    // Nothing usable: refused, and the reason says what was there.
    EXPECT_FALSE(reader.ParseKml(
        Kml("<Placemark><name>a</name></Placemark><Placemark><Point><coordinates>0,0"
            "</coordinates></Point></Placemark>")));
    EXPECT_EQ(reader.FLastError, std::string(kNoPlacemarkError) +
                                     " (2 placemarks not read: no geometry, no coordinates)");
    EXPECT_TRUE(reader.FPlacemarks.empty());
    EXPECT_FALSE(reader.ParseKml("not a KML file"));
    EXPECT_EQ(reader.FLastError, kNoPlacemarkError);
    EXPECT_FALSE(reader.ParseKml(""));
    EXPECT_EQ(reader.FLastError, "Empty KML content");
}

TEST(PlacemarkReader, FilesAndEncodings) {
    phxtest::TempHome home;
    TPlacemarkReader reader;
    EXPECT_FALSE(reader.LoadFromFile(home.home() + "none.kml"));
    EXPECT_EQ(reader.FLastError, "File not found: " + home.home() + "none.kml");

    const std::string utf8 =
        Kml("<Placemark><name>Şamandıra</name><Point><coordinates>27,40</coordinates></Point></"
            "Placemark>");
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    const std::u16string wide =
        u"<Placemark><name>Şamandıra</name><Point><coordinates>27,40</coordinates></Point></"
        u"Placemark>";
    for (char16_t u : wide) {
        utf16le += static_cast<char>(u & 0xFF), utf16le += static_cast<char>(u >> 8);
        utf16be += static_cast<char>(u >> 8), utf16be += static_cast<char>(u & 0xFF);
    }
    const std::string windows1254 =
        "<Placemark><name>\xDE"
        "amand\xFD"
        "ra</name><Point><coordinates>27,40</coordinates></Point></Placemark>";
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, utf16le, utf16be, windows1254}) {
        phxtest::WriteAll(home.home() + "a.KML", bytes);
        ASSERT_TRUE(reader.LoadFromFile(home.home() + "a.KML"));
        EXPECT_EQ(reader.FPlacemarks[0].Name, "Şamandıra");
        EXPECT_EQ(reader.FTempDir, "");
    }
}

TEST(PlacemarkReader, KmzArchives) {
    phxtest::TempHome home;
    const std::string kml = Kml(kPoint);
    const std::string other = Kml(
        "<Placemark><name>other</name><Point><coordinates>1,2</coordinates></Point></Placemark>");
    const std::string path = home.home() + "a.kmz";
    const std::string good = Zip(path, {{"doc.kml", kml}});
    const struct {
        const char* name;
        std::string archive;
        std::string error;  // empty: read, the first placemark named "A & B <c>"
    } cases[] = {
        {"doc.kml", good, ""},
        {"DOC.KML beside others", Zip(path, {{"b.kml", other}, {"DOC.KML", kml}}), ""},
        {"a.kml before b.kml", Zip(path, {{"b.kml", other}, {"A.kml", kml}}), ""},
        {"only sub/doc.kml", Zip(path, {{"sub/doc.kml", kml}}), "No KML file found in KMZ archive"},
        {"zip-slip name", Zip(path, {{"../evil.kml", kml}}), "No KML file found in KMZ archive"},
        {"no kml at all", Zip(path, {{"image.png", "png"}}), "No KML file found in KMZ archive"},
        {"truncated", good.substr(0, good.size() / 2), "No KML file found in KMZ archive"},
        {"not a zip", kml, "No KML file found in KMZ archive"},
        {"encrypted", Zip(path, {{"doc.kml", kml, true}}), "Failed to read extracted KML file"},
        {"empty entry", Zip(path, {{"doc.kml", ""}}), "Failed to read extracted KML file"},
    };
    for (const auto& c : cases) {
        TPlacemarkReader reader;
        phxtest::WriteAll(path, c.archive);
        const bool ok = reader.LoadFromFile(path);
        EXPECT_EQ(ok, c.error.empty()) << c.name;
        EXPECT_EQ(reader.FLastError, c.error) << c.name;
        if (ok) {
            EXPECT_EQ(reader.FPlacemarks[0].Name, "A & B <c>") << c.name;
        }
        EXPECT_EQ(reader.FTempDir, "") << c.name;
        // The same through memory.
        TPlacemarkReader memory;
        EXPECT_EQ(memory.ExtractKmzBytes(c.archive).empty(), !c.error.empty()) << c.name;
    }
    // A KMZ path that cannot be read.
    std::filesystem::create_directory(home.home() + "dir.kmz");
    TPlacemarkReader reader;
    EXPECT_FALSE(reader.LoadFromFile(home.home() + "dir.kmz"));
    EXPECT_EQ(reader.FLastError, "Failed to copy KMZ file");
    // Quotes and shell words in the name are only a name.
    const std::string odd = home.home() + "it's \"x\"; rm -rf $HOME.kmz";
    phxtest::WriteAll(odd, good);
    EXPECT_TRUE(reader.LoadFromFile(odd));
}

// GDAL writes KML from GeoJSON; its own reading of that file is the oracle.
TEST(PlacemarkReader, AgreesWithGdalOnItsKml) {
    phxtest::TempHome home;
    const std::string json = home.home() + "in.geojson", kml = home.home() + "out.kml";
    phxtest::WriteAll(
        json,
        R"({"type":"FeatureCollection","features":[)"
        R"({"type":"Feature","properties":{"Name":"A & B <c>"},"geometry":{"type":"Point","coordinates":[27.1,40.2]}},)"
        R"({"type":"Feature","properties":{"Name":"Şamandıra"},"geometry":{"type":"LineString","coordinates":[[27.1,40.2],[27.2,40.3]]}},)"
        R"({"type":"Feature","properties":{"Name":"P"},"geometry":{"type":"Polygon","coordinates":[[[27,40],[27.5,40],[27.5,40.5],[27,40]]]}}]})");
    if (phxtest::RunTool("ogr2ogr -f KML " + kml + " " + json + " 2>/dev/null && echo ok").empty())
        GTEST_SKIP() << "ogr2ogr (gdal-bin) missing";
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.LoadFromFile(kml));
    ASSERT_EQ(reader.FPlacemarks.size(), 3u);
    EXPECT_EQ(reader.FPlacemarks[0].Name, "A & B <c>");
    EXPECT_EQ(reader.FPlacemarks[1].Name, "Şamandıra");
    EXPECT_EQ(reader.FPlacemarks[2].Geometries[0].Type, 2);
    EXPECT_EQ(reader.FPlacemarks[2].Geometries[0].Coords.size(), 4u);
    const std::string ogr = phxtest::RunTool("ogrinfo -al -q " + kml + " 2>/dev/null");
    EXPECT_NE(ogr.find("POINT (27.1 40.2)"), std::string::npos) << ogr;
    EXPECT_NE(ogr.find("LINESTRING (27.1 40.2,27.2 40.3)"), std::string::npos) << ogr;
    EXPECT_EQ(reader.FPlacemarks[1].Geometries[0].Coords[1].Longitude, 27.2);
    EXPECT_EQ(reader.FPlacemarks[1].Geometries[0].Coords[1].Latitude, 40.3);
}
