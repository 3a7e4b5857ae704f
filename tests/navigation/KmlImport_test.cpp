// The KML/KMZ import's work apart from the window: the fixtures of GDAL's
// drivers and of Google Earth's style projected and checked vertex by vertex
// against PROJ's cs2cs (UTM 35, and a shifted datum), points beyond the
// projection's range left out and counted, rings closed, and the worker: off
// the GUI thread, its progress, its stop.
#include "navigation/KmlImport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>

#include "navigation/KmlProjection.h"
#include "navigation/PlacemarkReader.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"
#include "tests/support/Utm35Settings.h"

namespace {

std::string Fixture(const std::string& name) {
    return std::string(PHX_TEST_DATA_DIR) + "/kml/" + name;
}

KmlProjectFn Projection(const DeviceSettingsValues& values) {
    const auto projection = KmlGridProjection::FromSettings(values);
    EXPECT_TRUE(projection);
    return [p = *projection](double lat, double lon, double& x, double& y) {
        return p.ToGrid(lat, lon, x, y);
    };
}

// cs2cs's grid points of many lon/lat pairs in one run; empty without it.
std::vector<TPointD> Cs2cs(const std::string& target,
                           const std::vector<std::pair<double, double>>& lonLat) {
    std::ostringstream input;
    input.precision(17);
    for (const auto& [lon, lat] : lonLat) input << lon << " " << lat << "\\n";
    std::istringstream out(phxtest::RunTool("printf '" + input.str() +
                                            "' | cs2cs -f %.6f +proj=longlat +datum=WGS84 +to " +
                                            target + " 2>/dev/null"));
    std::vector<TPointD> grid;
    double x = 0, y = 0, z = 0;
    while (out >> x >> y >> z) grid.push_back({x, y});
    return grid;
}

std::string Kml(const std::string& placemarks) {
    return "<kml><Document>" + placemarks + "</Document></kml>";
}

}  // namespace

TEST(KmlImport, EveryVertexWhereCs2csPutsIt) {
    DeviceSettingsValues ed50 = phxtest::Utm35Settings();
    ed50.SemiMajorAxis = "6378388";
    ed50.Flattening = "0.0033670033670034";
    ed50.XShift = "-87";
    ed50.YShift = "-98";
    ed50.ZShift = "-121";
    const struct {
        const char* what;
        DeviceSettingsValues values;
        std::string proj;
    } systems[] = {
        {"UTM 35", phxtest::Utm35Settings(), "+proj=utm +zone=35 +datum=WGS84"},
        {"shifted datum", ed50,
         "+proj=tmerc +lat_0=0 +lon_0=27 +k=0.9996 +x_0=500000 +y_0=0 +a=6378388 +rf=297 "
         "+towgs84=-87,-98,-121"},
    };
    // Every fixture; its coordinates are GDAL's (PlacemarkReader's fixture
    // test), so the chain from the file to the grid is checked whole.
    const struct {
        const char* file;
        std::string notRead;
    } fixtures[] = {
        {"google-earth.kml", " (2 placemarks not read: gx:Track, gx:MultiTrack)"},
        {"gdal.kml", ""},
        {"libkml.kml", ""},
        {"libkml.kmz", ""},
    };
    for (const auto& f : fixtures) {
        SCOPED_TRACE(f.file);
        // The vertices the import should draw, in its order: the points,
        // then the lines (a ring without its repeated first vertex), then
        // the names.
        TPlacemarkReader reader;
        ASSERT_TRUE(reader.LoadFromFile(Fixture(f.file)));
        std::vector<std::pair<double, double>> points, lines, labels;
        for (const TPlacemark& p : reader.FPlacemarks)
            for (const TPlacemarkGeometry& g : p.Geometries) {
                const size_t n = g.Coords.size() - (g.Type == kPlacemarkPolygon ? 1 : 0);
                for (size_t i = 0; i < n; ++i)
                    (g.Type == kPlacemarkPoint ? points : lines)
                        .emplace_back(g.Coords[i].Longitude, g.Coords[i].Latitude);
                labels.emplace_back(g.Coords[0].Longitude, g.Coords[0].Latitude);
            }
        for (const auto& s : systems) {
            KmlImportShapes shapes;
            std::string error;
            ASSERT_TRUE(ComputeKmlImport(Fixture(f.file), Projection(s.values), shapes, error))
                << error;
            EXPECT_EQ(shapes.notReadSummary, f.notRead);
            EXPECT_EQ(shapes.notConverted, 0);
            std::vector<TPointD> drawn = shapes.points;
            for (const auto& line : shapes.lines)
                drawn.insert(drawn.end(), line.vertices.begin(), line.vertices.end());
            for (const auto& label : shapes.labels) drawn.push_back(label.at);
            std::vector<std::pair<double, double>> all = points;
            all.insert(all.end(), lines.begin(), lines.end());
            all.insert(all.end(), labels.begin(), labels.end());
            const std::vector<TPointD> oracle = Cs2cs(s.proj, all);
            if (oracle.empty()) GTEST_SKIP() << "cs2cs missing";
            ASSERT_EQ(drawn.size(), oracle.size()) << s.what;
            for (size_t i = 0; i < drawn.size(); ++i) {
                EXPECT_NEAR(drawn[i].X, oracle[i].X, 0.001) << s.what << " " << i;
                EXPECT_NEAR(drawn[i].Y, oracle[i].Y, 0.001) << s.what << " " << i;
            }
            if (std::string(f.file) != "google-earth.kml") {
                // GDAL's polygon "Havuz": its outer ring, closed.
                ASSERT_EQ(shapes.lines.size(), 4u) << s.what;
                EXPECT_TRUE(shapes.lines[1].closed);
                EXPECT_EQ(shapes.lines[1].vertices.size(), 4u);
                continue;
            }
            ASSERT_EQ(shapes.lines.size(), 4u);
            EXPECT_FALSE(shapes.lines[0].closed);  // İskele hattı
            EXPECT_TRUE(shapes.lines[1].closed);   // Havuz
            EXPECT_TRUE(shapes.lines[2].closed);   // Halka, the bare ring
            EXPECT_EQ(shapes.lines[1].vertices.size(), 3u);
            EXPECT_EQ(shapes.labels.size(), 8u);
            EXPECT_EQ(shapes.labels[0].text, "Şamandıra 1");
        }
    }
}

TEST(KmlImport, PointsBeyondTheRangeAreLeftOutAndCounted) {
    phxtest::TempHome home;
    const std::string path = home.home() + "far.kml";
    phxtest::WriteAll(
        path, Kml("<Placemark><name>far</name><Point><coordinates>120,40</coordinates></Point>"
                  "</Placemark><Placemark><Point><coordinates>33.5,40</coordinates></Point>"
                  "</Placemark><Placemark><Point><coordinates>32.9,40</coordinates></Point>"
                  "</Placemark><Placemark><name>line</name><LineString><coordinates>120,40 27,40 "
                  "27.1,40 27.2,40</coordinates></LineString></Placemark>"
                  "<Placemark><LineString><coordinates>27,40 120,40</coordinates></LineString>"
                  "</Placemark><Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>27,40 "
                  "27.1,40 120,40 27,40</coordinates></LinearRing></outerBoundaryIs></Polygon>"
                  "</Placemark>"));
    KmlImportShapes shapes;
    std::string error;
    ASSERT_TRUE(ComputeKmlImport(path, Projection(phxtest::Utm35Settings()), shapes, error));
    EXPECT_EQ(shapes.points.size(), 1u);  // 5.9 degrees from the meridian
    // The line keeps its three near vertices; the two-vertex line with a far
    // one is not drawn, the ring left with two is drawn open.
    ASSERT_EQ(shapes.lines.size(), 2u);
    EXPECT_EQ(shapes.lines[0].vertices.size(), 3u);
    EXPECT_EQ(shapes.lines[1].vertices.size(), 2u);
    EXPECT_FALSE(shapes.lines[1].closed);
    // A name only where its first vertex was placed: "far" and "line" have none.
    EXPECT_TRUE(shapes.labels.empty());
    EXPECT_EQ(shapes.notConverted, 5);
    EXPECT_EQ(KmlNotConvertedSummary(shapes), " (5 points not converted)");
    EXPECT_EQ(shapes.notReadSummary, "");
}

TEST(KmlImport, RefusedFilesGiveTheReadersReason) {
    phxtest::TempHome home;
    KmlImportShapes shapes;
    std::string error;
    const KmlProjectFn any = [](double, double, double&, double&) { return true; };
    EXPECT_FALSE(ComputeKmlImport(Fixture("truncated-placemark.kml"), any, shapes, error));
    EXPECT_EQ(error, "The file ends inside a placemark (truncated)");
    EXPECT_FALSE(ComputeKmlImport(home.home() + "none.kml", any, shapes, error));
    EXPECT_EQ(error, "File not found: " + home.home() + "none.kml");

    // Placemarks that give no shape: every point beyond the projection's
    // range, a one-vertex line without a name; the track is not read.
    const std::string far = home.home() + "far.kml";
    phxtest::WriteAll(far, Kml("<Placemark><name>far</name><Point><coordinates>120,40</coordinates>"
                               "</Point></Placemark><Placemark><LineString><coordinates>27,40"
                               "</coordinates></LineString></Placemark><Placemark><gx:Track>"
                               "<gx:coord>27 40 0</gx:coord></gx:Track></Placemark>"));
    EXPECT_FALSE(ComputeKmlImport(far, Projection(phxtest::Utm35Settings()), shapes, error));
    EXPECT_EQ(error,
              "No placemark could be drawn (1 placemarks not read: gx:Track) (1 points not "
              "converted)");
}

TEST(KmlImport, JobRunsOnItsWorkerReportsProgressAndStops) {
    phxtest::TempHome home;
    const std::string path = home.home() + "track.kml";
    std::string coordinates;
    constexpr int kVertices = 300000;
    for (int i = 0; i < kVertices; ++i)
        coordinates += std::to_string(27 + i * 1e-6) + "," + std::to_string(40 + i * 1e-6) + " ";
    phxtest::WriteAll(path, Kml("<Placemark><name>t</name><LineString><coordinates>" + coordinates +
                                "</coordinates></LineString></Placemark>"));
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<int> calls{0}, notified{0};
    std::atomic<bool> offTheGuiThread{true};
    const KmlProjectFn project = [&](double lat, double lon, double& x, double& y) {
        if (std::this_thread::get_id() == gui) offTheGuiThread = false;
        ++calls;
        x = lon;
        y = lat;
        return true;
    };
    {
        KmlImportJob job(path, project, [&] { ++notified; });
        EXPECT_EQ(job.Path(), path);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int last = 0;
        bool monotonic = true;
        while (!job.Done() && std::chrono::steady_clock::now() < deadline) {
            const int now = job.Percent();
            monotonic = monotonic && now >= last;
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(job.Done());
        EXPECT_TRUE(monotonic);
        EXPECT_TRUE(job.Succeeded()) << job.Error();
        EXPECT_EQ(job.Percent(), 100);
        ASSERT_EQ(job.Shapes().lines.size(), 1u);
        EXPECT_EQ(job.Shapes().lines[0].vertices.size(), static_cast<size_t>(kVertices));
    }
    EXPECT_TRUE(offTheGuiThread);
    EXPECT_EQ(calls, kVertices);
    EXPECT_GE(notified, 3);  // progress steps, then the end

    // A stop asked for while projecting ends the work at its next progress
    // step; the job asks for it when it is dropped, and then waits.
    calls = 0;
    KmlImportShapes shapes;
    std::string error;
    EXPECT_FALSE(ComputeKmlImport(path, project, shapes, error, [&](int) { return calls == 0; }));
    EXPECT_EQ(error, "Cancelled");
    EXPECT_GT(calls, 0);
    EXPECT_LT(calls, kVertices);
    KmlImportJob dropped(path, project, {});
}
