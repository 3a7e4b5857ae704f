#include "navigation/PlacemarkReader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/navigation/OgrInfo.h"
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
    EXPECT_EQ(reader.FLastError, home.home() + "dir.kmz (not a regular file)");
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

namespace {

// A placemark as "name: types" with its coordinate counts, e.g.
// "Pier: 0/1 1/3" (a point of one coordinate, a line string of three).
std::vector<std::string> Outline(const TPlacemarkReader& reader) {
    std::vector<std::string> out;
    for (const TPlacemark& p : reader.FPlacemarks) {
        std::string line = p.Name + ":";
        for (const TPlacemarkGeometry& g : p.Geometries)
            line += " " + std::to_string(g.Type) + "/" + std::to_string(g.Coords.size());
        out.push_back(line);
    }
    return out;
}

std::string Fixture(const std::string& name) {
    return std::string(PHX_TEST_DATA_DIR) + "/kml/" + name;
}

bool HaveOgrinfo() { return !phxtest::RunTool("command -v ogrinfo").empty(); }

}  // namespace

TEST(PlacemarkReader, MarkupForms) {
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> outline;
    } cases[] = {
        {"attributes and ids",
         Kml(R"(<Placemark id="a" targetId='b>c'><name>A</name><Point )"
             R"(id="p"><coordinates>1,2</coordinates></Point></Placemark>)"),
         {"A: 0/1"}},
        {"namespace prefixes",
         Kml("<kml:Placemark><kml:name>K</kml:name><kml:LineString>"
             "<kml:coordinates>1,2 3,4</kml:coordinates></kml:LineString>"
             "</kml:Placemark>"),
         {"K: 1/2"}},
        {"folders and nested documents",
         Kml("<Folder><name>F</name><Document><Folder><Placemark><name>deep</name><Point>"
             "<coordinates>1,2</coordinates></Point></Placemark></Folder></Document></Folder>"),
         {"deep: 0/1"}},
        {"multi-geometry, points first",
         Kml("<Placemark><name>M</name><MultiGeometry><LineString><coordinates>1,2 3,4"
             "</coordinates></LineString><MultiGeometry><Point><coordinates>5,6</coordinates>"
             "</Point></MultiGeometry><Polygon><outerBoundaryIs><LinearRing><coordinates>1,1 "
             "2,1 2,2 1,1</coordinates></LinearRing></outerBoundaryIs></Polygon><Point>"
             "<coordinates>7,8</coordinates></Point></MultiGeometry></Placemark>"),
         {"M: 0/1 0/1 1/2 2/4"}},
        {"a bare linear ring is a polygon",
         Kml("<Placemark><name>R</name><LinearRing><coordinates>1,1 2,1 2,2 1,1</coordinates>"
             "</LinearRing></Placemark>"),
         {"R: 2/4"}},
        {"the outer ring, wherever the inner one stands",
         Kml("<Placemark><name>P</name><Polygon><innerBoundaryIs><LinearRing><coordinates>9,9 "
             "9,8 8,8 9,9 9,9</coordinates></LinearRing></innerBoundaryIs><outerBoundaryIs>"
             "<LinearRing><coordinates>1,1 2,1 2,2 1,1</coordinates></LinearRing>"
             "</outerBoundaryIs></Polygon></Placemark>"),
         {"P: 2/4"}},
        {"only the placemark's own name",
         Kml("<Placemark><Style><name>style</name></Style><ExtendedData><Data name=\"n\">"
             "<value>v</value></Data></ExtendedData><Point><coordinates>1,2</coordinates>"
             "</Point><name> own </name><name>second</name></Placemark>"),
         {"own: 0/1"}},
        {"comments, CDATA, declarations and instructions",
         "<?xml version=\"1.0\"?><!DOCTYPE kml [<!ENTITY x \"<Placemark>\">]><kml>"
         "<!-- <Placemark><name>c</name><Point><coordinates>1,1</coordinates></Point>"
         "</Placemark> --><Document><![CDATA[<Placemark>]]><?pi <Placemark> ?>"
         "<Placemark><name><![CDATA[a </name> b]]></name><Point><coordinates>1,2"
         "</coordinates></Point></Placemark></Document></kml>",
         {"a </name> b: 0/1"}},
        {"markup in a description closes with it",
         Kml("<Placemark><description>x < y<br><p>para</description><name>D</name><Point>"
             "<coordinates>1,2</coordinates></Point></Placemark>"),
         {"D: 0/1"}},
        {"empty-element tags",
         Kml("<Placemark/><Placemark><name/><Point><coordinates/></Point><Point><coordinates>"
             "1,2</coordinates></Point></Placemark>"),
         {": 0/1"}},
        {"a stray end tag is ignored",
         Kml("<Placemark></Folder><name>S</name><Point><coordinates>1,2</coordinates>"
             "</Point></Placemark>"),
         {"S: 0/1"}},
        {"CR LF and tabs",
         Kml("<Placemark>\r\n\t<name>\r\n\tT\r\n</name>\r\n\t<LineString>\r\n\t<coordinates>"
             "\r\n\t1,2,0\r\n\t3,4,0\r\n</coordinates></LineString></Placemark>"),
         {"T: 1/2"}},
    };
    for (const auto& c : cases) {
        TPlacemarkReader reader;
        EXPECT_TRUE(reader.ParseKml(c.text)) << c.what << ": " << reader.FLastError;
        EXPECT_EQ(Outline(reader), c.outline) << c.what;
    }
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.ParseKml(cases[0].text));
    EXPECT_EQ(reader.NotReadSummary(), "");
}

TEST(PlacemarkReader, PlacemarksNotReadAreCountedWithTheirReason) {
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.ParseKml(
        Kml("<Placemark><name>ok</name><Point><coordinates>1,2</coordinates></Point></Placemark>"
            "<Placemark><gx:Track><gx:coord>1 2 0</gx:coord></gx:Track></Placemark>"
            "<Placemark><gx:MultiTrack><gx:Track><gx:coord>1 2 0</gx:coord></gx:Track>"
            "</gx:MultiTrack></Placemark>"
            "<Placemark><gx:Track/></Placemark>"
            "<Placemark><Model><Location><longitude>1</longitude></Location></Model></Placemark>"
            "<Placemark><LookAt><longitude>1</longitude></LookAt></Placemark>"
            "<Placemark><Point><coordinates>0,0 x,y</coordinates></Point></Placemark>"
            // A track beside a point: the placemark is read by its point.
            "<Placemark><name>both</name><MultiGeometry><gx:Track/><Point><coordinates>3,4"
            "</coordinates></Point></MultiGeometry></Placemark>")));
    EXPECT_EQ(Outline(reader), (std::vector<std::string>{"ok: 0/1", "both: 0/1"}));
    EXPECT_EQ(reader.NotReadCount(), 6);
    EXPECT_EQ(reader.NotReadSummary(),
              " (6 placemarks not read: gx:Track, gx:MultiTrack, Model, no geometry, "
              "no coordinates)");
}

TEST(PlacemarkReader, TruncatedTextsAreRefusedWithTheirReason) {
    const std::string whole =
        Kml("<Placemark><name>a</name><Point><coordinates>1,2</coordinates></Point></Placemark>"
            "<!-- note --><Placemark><name><![CDATA[b]]></name><LineString><coordinates>1,2 "
            "3,4</coordinates></LineString></Placemark>");
    const auto cutBefore = [&](const std::string& marker, size_t extra = 0) {
        return whole.substr(0, whole.find(marker) + extra);
    };
    const struct {
        const char* what;
        std::string text;
        std::string error;
    } cases[] = {
        {"inside a placemark", cutBefore("3,4"), "The file ends inside a placemark (truncated)"},
        {"inside a tag of a placemark", cutBefore("</LineString>", 5),
         "The file ends inside a placemark (truncated)"},
        {"inside a CDATA section", cutBefore("b]]>"),
         "The file ends inside a placemark (truncated)"},
        {"inside a comment", cutBefore(" note"), "The file ends before </kml> (truncated)"},
        {"inside the document", cutBefore("</Document>"),
         "The file ends before </kml> (truncated)"},
        {"inside the last end tag", cutBefore("</kml>", 4),
         "The file ends before </kml> (truncated)"},
        {"inside a first tag", "<km", "The file ends inside a tag (truncated)"},
    };
    for (const auto& c : cases) {
        TPlacemarkReader reader;
        EXPECT_FALSE(reader.ParseKml(c.text)) << c.what;
        EXPECT_EQ(reader.FLastError, c.error) << c.what;
        EXPECT_TRUE(reader.FPlacemarks.empty()) << c.what;
    }
    TPlacemarkReader reader;
    EXPECT_TRUE(reader.ParseKml(whole));
    EXPECT_EQ(reader.FPlacemarks.size(), 2u);
    // The fixtures cut from the Google Earth style file.
    for (const auto& [file, error] :
         {std::pair{"truncated-placemark.kml", "The file ends inside a placemark (truncated)"},
          std::pair{"truncated-document.kml", "The file ends before </kml> (truncated)"}}) {
        EXPECT_FALSE(reader.LoadFromFile(Fixture(file))) << file;
        EXPECT_EQ(reader.FLastError, error) << file;
    }
}

TEST(PlacemarkReader, ProgressAndItsStop) {
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "<Placemark><Point><coordinates>27.1,40.2</coordinates></Point></Placemark>\n";
    const std::string text = Kml(many);
    TPlacemarkReader reader;
    std::vector<size_t> seen;
    reader.FOnProgress = [&](size_t done, size_t total) {
        EXPECT_EQ(total, text.size());
        seen.push_back(done);
        return true;
    };
    ASSERT_TRUE(reader.ParseKml(text));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), text.size());
    reader.FOnProgress = [](size_t, size_t) { return false; };
    EXPECT_FALSE(reader.ParseKml(text));
    EXPECT_EQ(reader.FLastError, "Cancelled");
    EXPECT_TRUE(reader.FPlacemarks.empty());
}

TEST(PlacemarkReader, KmzLinkTargets) {
    const struct {
        const char *from, *href, *target;
    } cases[] = {
        {"doc.kml", "layers/a.kml", "layers/a.kml"},
        {"doc.kml", "./layers//a.kml#id", "layers/a.kml"},
        {"layers/a.kml", "b.kml?x=1", "layers/b.kml"},
        {"layers/a.kml", "../c.kml", "c.kml"},
        {"doc.kml", "layers/%C5%9Eamand%C4%B1ra.kml", "layers/Şamandıra.kml"},
        {"doc.kml", "layers\\a.kml", "layers/a.kml"},
        {"doc.kml", "../evil.kml", ""},
        {"doc.kml", "/etc/passwd", ""},
        {"doc.kml", "http://example.com/a.kml", ""},
        {"doc.kml", "file:a.kml", ""},
        {"doc.kml", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(KmzLinkTarget(c.from, c.href), c.target) << c.href;
}

TEST(PlacemarkReader, KmzLinkedLayersAreRead) {
    phxtest::TempHome home;
    const std::string path = home.home() + "linked.kmz";
    const std::string link =
        [](const char* href) {
            return "<NetworkLink><Link><href>" + std::string(href) + "</href></Link></NetworkLink>";
        }("layers/a.kml") +
        "<NetworkLink><Url><href>layers/B.KML</href></Url></NetworkLink>"
        "<NetworkLink><Link><href>http://example.com/x.kml</href></Link>"
        "</NetworkLink><NetworkLink><Link><href>layers/a.kml</href></Link>"
        "</NetworkLink>";
    const auto point = [](const char* name) {
        return Kml("<Placemark><name>" + std::string(name) +
                   "</name><Point><coordinates>1,2</coordinates></Point></Placemark>");
    };
    Zip(path, {{"doc.kml", Kml(link + "<Placemark><name>doc</name><Point><coordinates>3,4"
                                      "</coordinates></Point></Placemark>")},
               {"layers/a.kml", point("a")},
               // Links of a linked file are followed too, each file once.
               {"layers/b.kml", Kml("<NetworkLink><Link><href>../doc.kml</href></Link>"
                                    "</NetworkLink><NetworkLink><Link><href>c.kml</href>"
                                    "</Link></NetworkLink>")},
               {"layers/c.kml", point("c")},
               {"layers/unlinked.kml", point("unlinked")}});
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.LoadFromFile(path)) << reader.FLastError;
    EXPECT_EQ(Outline(reader), (std::vector<std::string>{"doc: 0/1", "a: 0/1", "c: 0/1"}));

    // A linked file cut short refuses the archive.
    Zip(path, {{"doc.kml", Kml(link)},
               {"layers/a.kml", point("a").substr(0, point("a").find("</Point>"))}});
    EXPECT_FALSE(reader.LoadFromFile(path));
    EXPECT_EQ(reader.FLastError, "The file ends inside a placemark (truncated)");
    EXPECT_TRUE(reader.FPlacemarks.empty());
}

// The fixtures written by GDAL's drivers and in Google Earth's style, read
// by us and by ogrinfo: every feature GDAL reads is one of our placemarks
// with the same geometries and coordinates, or one we say we did not read.
TEST(PlacemarkReader, FixturesAgreeWithGdal) {
    if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo (gdal-bin) missing";
    const struct {
        const char* file;
        size_t placemarks;
        std::string notRead;
        std::vector<std::string> gdalMisses;  // our placemarks GDAL does not read
    } cases[] = {
        {"gdal.kml", 5, "", {}},
        {"libkml.kml", 5, "", {}},
        {"libkml.kmz", 5, "", {}},
        {"google-earth.kml", 7, " (2 placemarks not read: gx:Track, gx:MultiTrack)", {"Öğüt"}},
    };
    for (const auto& c : cases) {
        TPlacemarkReader reader;
        ASSERT_TRUE(reader.LoadFromFile(Fixture(c.file))) << c.file << ": " << reader.FLastError;
        EXPECT_EQ(reader.FPlacemarks.size(), c.placemarks) << c.file;
        EXPECT_EQ(reader.NotReadSummary(), c.notRead) << c.file;
        const std::vector<phxtest::OgrFeature> features = phxtest::OgrFeatures(Fixture(c.file));
        ASSERT_FALSE(features.empty()) << c.file;
        size_t matched = 0;
        for (const phxtest::OgrFeature& f : features) {
            const auto ours = std::find_if(reader.FPlacemarks.begin(), reader.FPlacemarks.end(),
                                           [&](const TPlacemark& p) { return p.Name == f.name; });
            if (ours == reader.FPlacemarks.end()) continue;
            ++matched;
            // GDAL's parts in our order: points, line strings, polygons.
            std::vector<phxtest::OgrPart> parts = f.parts;
            const auto rank = [](const phxtest::OgrPart& p) {
                return p.kind == "POINT" ? 0 : p.kind == "LINESTRING" ? 1 : 2;
            };
            std::stable_sort(parts.begin(), parts.end(),
                             [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
            ASSERT_EQ(ours->Geometries.size(), parts.size()) << c.file << " " << f.name;
            for (size_t g = 0; g < parts.size(); ++g) {
                const TPlacemarkGeometry& geometry = ours->Geometries[g];
                EXPECT_EQ(geometry.Type, rank(parts[g])) << c.file << " " << f.name;
                ASSERT_EQ(geometry.Coords.size(), parts[g].points.size())
                    << c.file << " " << f.name;
                for (size_t k = 0; k < geometry.Coords.size(); ++k) {
                    EXPECT_EQ(geometry.Coords[k].Longitude, parts[g].points[k].first) << f.name;
                    EXPECT_EQ(geometry.Coords[k].Latitude, parts[g].points[k].second) << f.name;
                }
            }
        }
        EXPECT_EQ(matched + c.gdalMisses.size(), reader.FPlacemarks.size()) << c.file;
        EXPECT_EQ(features.size(), matched + reader.NotReadCount()) << c.file;
    }
    // What GDAL's drivers cannot tell us: the Google Earth file's own values.
    TPlacemarkReader reader;
    ASSERT_TRUE(reader.LoadFromFile(Fixture("google-earth.kml")));
    EXPECT_EQ(Outline(reader),
              (std::vector<std::string>{"Şamandıra 1: 0/1", "Öğüt: 0/1", "Boşluklu: 0/1",
                                        "İskele hattı: 1/3", "Havuz: 2/4", "Halka: 2/4",
                                        "Çoklu: 0/1 1/2"}));
    EXPECT_EQ(reader.FPlacemarks[0].Description, "<b>Ölçüm</b> noktası");
    EXPECT_EQ(reader.FPlacemarks[2].Geometries[0].Coords[0].Altitude, 5);
}
