// The map tick logic on a headless canvas: texts, projection against PROJ
// and GeographicLib, the parameters read at each Start, the unchanged fix,
// the vessel symbol, the idle zero position, the track rules and the
// sounding labels.
#include "navigation/MapTick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "canvas/CanvasModel.h"
#include "devices/DeviceSettingsFile.h"
#include "foundation/DisplayValues.h"
#include "foundation/SurveyState.h"
#include "geodesy/LambertConformalConic.h"
#include "navigation/StandardLayers.h"
#include "tests/support/RunTool.h"
#include "tests/support/Utm35Settings.h"

namespace {

constexpr double kPi = 3.141592653589793;

DeviceSettingsValues Utm35() {
    DeviceSettingsValues v = phxtest::Utm35Settings();
    v.GyroEnabled = true;
    v.SensorEnabled = true;
    return v;
}

std::vector<double> Numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> out;
    double x;
    while (in >> x) out.push_back(x);
    return out;
}

class MapTick : public ::testing::Test {
  protected:
    TCanvasModel canvas;
    DeviceSettingsValues device = Utm35();
    MapTickInputs in;

    void SetUp() override {
        ResetSurveyState();
        ResetDisplayValues();
        geodesy::ResetLambert();
        EnsureStandardLayers(&canvas);
        g_Survey.ZdaSeen = true;
        g_Survey.FollowVessel = true;
        in.device = &device;
        in.fixQuality = 4;
        in.track.distance = 5;
        in.track.asLine = true;
    }
    void TearDown() override { ResetSurveyState(); }

    MapTickResult Tick(double lat, double lon, double h = 10) {
        g_Survey.GnssLatitude = lat;
        g_Survey.GnssLongitude = lon;
        g_Survey.GnssHeight = h;
        return RunMapTick(g_Survey, canvas, g_Display, in);
    }
    std::vector<int32_t> Layer(const char* name) const {
        return canvas.GetLayerShapeIds(canvas.FindLayer(QString::fromUtf8(name)));
    }
};

}  // namespace

TEST(MapTickTexts, FixNames) {
    const std::pair<int, const char*> cases[] = {{0, "No Fix"}, {1, "GPS"},     {2, "DGPS"},
                                                 {3, "Fix:3"},  {4, "RTK Fix"}, {5, "RTK Float"},
                                                 {6, "Fix:6"},  {9, "Fix:9"}};
    for (const auto& [quality, name] : cases) EXPECT_EQ(FixName(quality), name);
}

TEST(MapTickTexts, DegreesMinutesSecondsTruncateAndRoundFirst) {
    EXPECT_EQ(DmsPositionText(-33.5, 12.25), "33°30'0.000\"S, 12°15'0.000\"E");
    // 59.99996" rounds to the next whole minute, and the minute to a degree.
    EXPECT_EQ(DmsPositionText(10 + 59.0 / 60 + 59.99996 / 3600, -(0.5 / 3600)),
              "11°0'0.000\"N, 0°0'0.500\"W");
    EXPECT_EQ(DmsPositionText(41.0 + 7.0 / 60 + 3.2345 / 3600, 0), "41°7'3.235\"N, 0°0'0.000\"E");
}

TEST(MapTickTexts, StatusTextWithTideDashAndDepths) {
    StatusTextInputs s;
    s.fixName = "RTK Fix";
    s.speedCaption = "4.26";
    s.satellites = 12;
    s.antennaHeight = 47.4;
    s.tideText = "-";
    EXPECT_EQ(PositionStatusText(s), "RTK Fix | Spd: 4.3 kn | SV: 12 | Ant: 47.40 m | Tide: - m");
    s.speedCaption = "---";
    s.sensorEnabled = true;
    s.depthHigh = 12.345;
    s.depthLow = 13.5;
    EXPECT_EQ(PositionStatusText(s),
              "RTK Fix | Spd: 0.0 kn | SV: 12 | Ant: 47.40 m | Tide: - m | Depth: 12.35 m");
    s.highLowFormat = true;
    EXPECT_EQ(PositionStatusText(s),
              "RTK Fix | Spd: 0.0 kn | SV: 12 | Ant: 47.40 m | Tide: - m"
              " | HDepth: 12.35 m | LDepth: 13.50 m");
    s.depthLow = 0;
    EXPECT_NE(PositionStatusText(s).find(" | Depth: 12.35 m"), std::string::npos);
    s.noValidPosition = true;
    EXPECT_EQ(PositionStatusText(s), "*** EMPTY GGA - NO POSITION ***");
}

TEST_F(MapTick, NoZdaStopsTheTick) {
    g_Survey.ZdaSeen = false;
    const MapTickResult r = Tick(41, 29);
    EXPECT_TRUE(r.stopTimer);
    EXPECT_FALSE(r.projected);
}

TEST_F(MapTick, TransverseMercatorAgainstProjAndGeographicLib) {
    g_Survey.GyroHeading = 90;
    g_Survey.RtkTide = 1.234;
    in.offsetsVisible = false;
    const MapTickResult r = Tick(41, 29);
    ASSERT_TRUE(r.projected);
    ASSERT_TRUE(r.drawn);
    // The oracles' values for 41N 29E in UTM zone 35.
    EXPECT_NEAR(g_Survey.GridEasting, 668207.8852, 0.001);
    EXPECT_NEAR(g_Survey.GridNorthing, 4540683.5293, 0.001);
    EXPECT_NEAR(g_Survey.GridConvergence, -1.3124, 0.0001);
    EXPECT_NEAR(g_Survey.GridHeading, 90 - 1.312425, 1e-5);
    const auto cct = Numbers(phxtest::RunTool(
        "echo '29 41 0 0' | cct -d 6 +proj=utm +zone=35 +ellps=WGS84 2>/dev/null"));
    if (cct.size() >= 2) {
        EXPECT_NEAR(g_Survey.GridEasting, cct[0], 0.001);
        EXPECT_NEAR(g_Survey.GridNorthing, cct[1], 0.001);
    }
    const auto tm = Numbers(
        phxtest::RunTool("echo '41 29' | TransverseMercatorProj -l 27 -k 0.9996 -p 9 2>/dev/null"));
    if (tm.size() >= 3) {
        EXPECT_NEAR(g_Survey.GridConvergence, -tm[2], 1e-6);
    }

    EXPECT_EQ(r.fixedCaption, "4");
    EXPECT_EQ(r.tideCaption, "1.23");
    EXPECT_EQ(r.panel0, "41°0'0.000\"N, 29°0'0.000\"E");
    EXPECT_EQ(r.panel1, "E668207.89, N4540683.53");
    EXPECT_EQ(g_Survey.PositionStatusText.rfind("RTK Fix | Spd: 0.0 kn | SV: 0 | Ant: 0.00 m | "
                                                "Tide: 1.23 m",
                                                0),
              0u);
    // The view follows the vessel.
    EXPECT_NEAR((canvas.FWorldLeft + canvas.FWorldRight) / 2, g_Survey.GridEasting, 1e-6);
}

TEST_F(MapTick, LambertOneAndTwoParallelsAgainstConicProj) {
    device.UseLCCProjection = true;
    device.LCCCP = "45";
    device.LCCM = "30";
    device.LCCFE = "0";
    device.LCCFN = "0";
    device.LCCSF = "1";
    device.LCCSP1 = "40";
    device.LCCSP2 = "44";
    g_Survey.GyroHeading = 90;

    device.Lambert1 = true;
    ASSERT_TRUE(Tick(41, 31).projected);
    // One parallel at 45, central meridian 30, longitude 31: n (dlon) =
    // sin 45 * 1, and the convergence has the sign of Transverse Mercator's.
    EXPECT_NEAR(g_Survey.GridConvergence, -0.70710678, 1e-7);
    EXPECT_NEAR(g_Survey.GridHeading, 90 - 0.70710678, 1e-7);
    const auto one = Numbers(phxtest::RunTool("echo '41 31' | ConicProj -c 45 45 -l 30 -k 1 -p 6"));
    if (one.size() >= 3) {
        EXPECT_NEAR(g_Survey.GridEasting, one[0], 0.002);
        EXPECT_NEAR(g_Survey.GridNorthing, one[1], 0.002);
        EXPECT_NEAR(g_Survey.GridConvergence, -one[2], 1e-7);
    }

    // Two parallels: ConicProj's northing counts from its own origin, so
    // northings are compared as differences between two fixes.
    device.Lambert1 = false;
    DropGeodesyCache(g_Survey.MapTick);
    ASSERT_TRUE(Tick(41, 31).projected);
    const double e1 = g_Survey.GridEasting, n1 = g_Survey.GridNorthing;
    const double gamma1 = -g_Survey.GridConvergence;
    ASSERT_TRUE(Tick(43, 28.5).projected);
    const auto two =
        Numbers(phxtest::RunTool("printf '41 31\\n43 28.5\\n' | ConicProj -c 40 44 -l 30 -p 6"));
    ASSERT_EQ(two.size(), 8u) << "ConicProj is part of geographiclib-tools";
    EXPECT_NEAR(e1, two[0], 0.002);
    EXPECT_NEAR(gamma1, two[2], 1e-7);
    EXPECT_NEAR(g_Survey.GridEasting, two[4], 0.002);
    EXPECT_NEAR(g_Survey.GridNorthing - n1, two[5] - two[1], 0.002);
    EXPECT_NEAR(g_Survey.GridHeading, 90 - two[6], 1e-6);
}

TEST_F(MapTick, AnUnchangedFixCostsNoProjection) {
    ASSERT_TRUE(Tick(41, 29).projected);
    const double e = g_Survey.GridEasting;
    EXPECT_FALSE(Tick(41, 29).projected);
    EXPECT_EQ(g_Survey.GridEasting, e);
    EXPECT_TRUE(Tick(41, 29, 10.5).projected);  // the height counts too
    EXPECT_FALSE(Tick(41, 29, 10.5).projected);
}

TEST_F(MapTick, GeodeticEditsWaitForTheNextStart) {
    Tick(41, 29);
    const double e = g_Survey.GridEasting;
    device.FalseEasting = "400000";  // edited during the survey
    Tick(41, 29.0001);
    EXPECT_NEAR(g_Survey.GridEasting - e, 8.4, 0.1);  // still the old false easting
    DropGeodesyCache(g_Survey.MapTick);               // Start
    Tick(41, 29.0001);
    EXPECT_NEAR(e - g_Survey.GridEasting, 100000 - 8.4, 0.1);
}

TEST_F(MapTick, ARefusedSetIsReportedOnceAndProjectsNothingUntilTheNextStart) {
    // A good run first: its projection must not live on under the refused set.
    Tick(41, 29);
    ASSERT_GT(g_Survey.GridEasting, 600000);
    DropGeodesyCache(g_Survey.MapTick);  // Start
    device.SemiMajorAxis = "6378137,0";
    MapTickResult r = Tick(41, 29.05);
    ASSERT_TRUE(r.geodesyFault.has_value());
    EXPECT_NE(r.geodesyFault->find("Semi Major Axis \"6378137,0\""), std::string::npos);
    EXPECT_FALSE(r.projected);
    EXPECT_EQ(g_Survey.GridEasting, 0);
    EXPECT_TRUE(Layer("~~Plovan Vessel").empty());
    // Corrected during the survey: still nothing until the next Start.
    device.SemiMajorAxis = "6378137.0";
    r = Tick(41, 29.1);
    EXPECT_FALSE(r.geodesyFault.has_value());
    EXPECT_FALSE(r.projected);
    EXPECT_EQ(g_Survey.GridEasting, 0);
    DropGeodesyCache(g_Survey.MapTick);  // Start
    r = Tick(41, 29.1);
    EXPECT_TRUE(r.projected);
    EXPECT_GT(g_Survey.GridEasting, 600000);
}

TEST_F(MapTick, AVesselLayerThatWasNotFoundClearsNothing) {
    // Clearing layer -1 would clear the whole drawing.
    const int user = canvas.FindLayer("plovan_usershape");
    const int id = canvas.AddLine(0, 0, 10, 10, user);
    g_Survey.VesselLayerId = -1;
    ASSERT_TRUE(Tick(41, 29).drawn);
    EXPECT_EQ(canvas.GetLayerShapeIds(user), std::vector<int32_t>{id});
}

TEST_F(MapTick, AStaleFixShowsNoFixAndLeavesNoTrace) {
    ASSERT_TRUE(Tick(41, 29).drawn);
    EXPECT_EQ(g_Survey.FixQuality, 4);
    in.positionFresh = false;
    g_Survey.DepthHigh = 12;
    const MapTickResult r = Tick(41, 29.001);
    EXPECT_TRUE(r.noFix);
    EXPECT_EQ(r.fixedCaption, "0");
    EXPECT_EQ(g_Survey.FixQuality, 0);
    EXPECT_EQ(g_Survey.PositionStatusText, kNoFixStatusText);
    EXPECT_TRUE(std::isnan(canvas.FSpeed));
    EXPECT_TRUE(Layer("track_fix").empty());
    EXPECT_TRUE(canvas.FSoundings.empty());
    in.positionFresh = true;
    EXPECT_FALSE(Tick(41, 29.002).noFix);
    EXPECT_EQ(g_Survey.FixQuality, 4);
    EXPECT_EQ(canvas.FSpeed, g_Survey.SpeedKnots);
}

TEST_F(MapTick, VesselSymbolTipAndRings) {
    MapTickMemory shape;
    shape.BowArrow = 100;
    shape.SideArrow = 20;
    shape.RingCount = 3;
    shape.FirstRingRadius = 10;
    shape.RingInterval = 5;
    const VesselSymbol s = VesselGeometry(1000, 2000, 91.5, shape);
    const auto& tip = s.lines[0];
    EXPECT_DOUBLE_EQ(tip.x1, 1000);
    EXPECT_NEAR(std::hypot(tip.x2 - 1000, tip.y2 - 2000), 100, 1e-9);
    EXPECT_NEAR(std::atan2(tip.x2 - 1000, tip.y2 - 2000) * 180 / kPi, 91.5, 1e-9);
    EXPECT_NEAR(std::hypot(s.lines[1].x2 - 1000, s.lines[1].y2 - 2000), 20, 1e-9);
    EXPECT_EQ(s.ringRadii, (std::vector<double>{10, 15, 20}));
    shape.RingCount = 0;
    EXPECT_TRUE(VesselGeometry(0, 0, 0, shape).ringRadii.empty());
    shape.RingCount = 100000;
    EXPECT_EQ(VesselGeometry(0, 0, 0, shape).ringRadii.size(), size_t(kMaxVesselRings));
}

TEST_F(MapTick, VesselIsRedrawnEachTickWithItsColourAndWidth) {
    in.ringCount = 3;
    in.bowArrow = 50;
    in.vesselColor = 0x123456;
    in.vesselWidth = 4;
    Tick(41, 29);
    auto vessel = Layer(kVesselLayerName);
    ASSERT_EQ(vessel.size(), 8u);  // five lines, three rings
    EXPECT_EQ(canvas.GetShapeColor(vessel[0]), 0x123456);
    EXPECT_EQ(canvas.GetShapeWidth(vessel[7]), 4);
    in.ringCount.reset();  // an empty edit keeps the count
    Tick(41, 29.001);
    EXPECT_EQ(Layer(kVesselLayerName).size(), 8u);
    EXPECT_NE(Layer(kVesselLayerName)[0], vessel[0]);
}

TEST_F(MapTick, TheIdleZeroPositionMovesNothing) {
    g_Survey.DepthHigh = 12;
    Tick(41, 29, 10);
    Tick(41, 29.001, 10);  // one track point, one sounding
    const double e = g_Survey.GridEasting, n = g_Survey.GridNorthing;
    const auto vessel = Layer(kVesselLayerName);
    const size_t track = Layer("track_fix").size(), soundings = canvas.GetSoundings().size();
    const double centre = canvas.FWorldLeft;
    // "GPS is idle!" zeroes latitude and longitude, not the height.
    const MapTickResult r = Tick(0, 0, 10);
    EXPECT_FALSE(r.projected);
    EXPECT_FALSE(r.drawn);
    EXPECT_EQ(g_Survey.GridEasting, e);
    EXPECT_EQ(g_Survey.GridNorthing, n);
    EXPECT_EQ(Layer(kVesselLayerName), vessel);
    EXPECT_EQ(Layer("track_fix").size(), track);
    EXPECT_EQ(canvas.GetSoundings().size(), soundings);
    EXPECT_EQ(canvas.FWorldLeft, centre);
}

TEST_F(MapTick, TrackDistanceTable) {
    TrackSettings s;
    s.distance = 5;
    s.asLine = false;
    MapTickMemory m;
    const int fix = canvas.FindLayer("track_fix");
    auto step = [&](double e, double n) { return RecordTrackPoint(m, canvas, e, n, 4, s); };
    EXPECT_EQ(step(1000, 1000), 0);  // the first anchor
    EXPECT_EQ(step(1004.9, 1000), 0);
    EXPECT_EQ(m.TrackEasting, 1000);  // the anchor stays
    EXPECT_GT(step(1005, 1000), 0);
    EXPECT_EQ(m.TrackEasting, 1005);
    EXPECT_EQ(step(1009.9, 1000), 0);  // 5 m from the new anchor needed
    EXPECT_EQ(step(1055, 1000), 0);    // 50 m: an outlier adds nothing
    EXPECT_EQ(m.TrackEasting, 1005);
    EXPECT_GT(step(1010, 1000), 0);  // back in range of the anchor
    EXPECT_EQ(canvas.GetLayerShapeIds(fix).size(), 2u);
}

TEST_F(MapTick, TrackReanchorsAfterAConfirmedJumpWithoutALine) {
    TrackSettings s;
    s.distance = 5;
    MapTickMemory m;
    auto step = [&](double e, double n) { return RecordTrackPoint(m, canvas, e, n, 4, s); };
    step(1000, 1000);
    EXPECT_EQ(step(2000, 1000), 0);  // outlier
    EXPECT_EQ(step(2010, 1000), 0);  // within 50 m of it: re-anchored there
    EXPECT_EQ(m.TrackEasting, 2010);
    EXPECT_GT(step(2016, 1000), 0);
    double x1, y1, x2, y2;
    ASSERT_TRUE(canvas.GetShapeEndPoints(canvas.GetLayerShapeIds(canvas.FindLayer("track_fix"))[0],
                                         x1, y1, x2, y2));
    EXPECT_EQ(x1, 2016);  // from the new position back to the anchor
    EXPECT_EQ(x2, 2010);
    // Grid (0, 0) is never an anchor.
    MapTickMemory fresh;
    EXPECT_EQ(RecordTrackPoint(fresh, canvas, 0, 0, 4, s), 0);
    EXPECT_FALSE(fresh.TrackAnchored);
}

TEST_F(MapTick, TrackDistanceZeroAddsEveryMove) {
    TrackSettings s;
    s.distance = 0;
    MapTickMemory m;
    auto step = [&](double e) { return RecordTrackPoint(m, canvas, e, 10, 4, s); };
    step(1);
    EXPECT_EQ(step(1), 0);  // no move
    EXPECT_GT(step(1.01), 0);
    EXPECT_GT(step(1.02), 0);
}

TEST_F(MapTick, TrackLayerAndColourByFixQuality) {
    TrackSettings s;
    s.distance = 1;
    s.width = 6;
    s.fixColor = 0x00AA00;
    s.floatColor = 0x00BBBB;
    struct Case {
        int quality;
        const char* layer;
        TColor colour;
    } cases[] = {{4, "track_fix", 0x00AA00},   {5, "track_float", 0x00BBBB},
                 {2, "track_float", 0x00BBBB}, {3, "track_float", 0x00BBBB},
                 {1, "track_nofix", clRed},    {0, "track_nofix", clRed},
                 {6, "track_nofix", clRed}};
    MapTickMemory m;
    RecordTrackPoint(m, canvas, 100, 100, 4, s);
    double e = 100;
    for (const Case& c : cases) {
        e += 2;
        const int id = RecordTrackPoint(m, canvas, e, 100, c.quality, s);
        ASSERT_GT(id, 0) << c.quality;
        EXPECT_EQ(canvas.GetShapeLayer(id), canvas.FindLayer(c.layer)) << c.quality;
        EXPECT_EQ(canvas.GetShapeColor(id), c.colour) << c.quality;
        EXPECT_EQ(canvas.GetShapeWidth(id), 6) << c.quality;
    }
    // A missing layer draws nothing, but the anchor moves.
    canvas.RemoveAllShapesAndLayers();
    EXPECT_EQ(RecordTrackPoint(m, canvas, e + 2, 100, 4, s), 0);
    EXPECT_EQ(m.TrackEasting, e + 2);
}

TEST_F(MapTick, SoundingLabelsNeedADepthAndAPosition) {
    g_Display.DepthLabelSpacing = 1;
    g_Display.DepthLabelFontName = "Tahoma";
    PlaceSoundingLabel(canvas, g_Display, 10, 10, 0);
    PlaceSoundingLabel(canvas, g_Display, 0, 0, 12);
    EXPECT_TRUE(canvas.GetSoundings().empty());
    EXPECT_EQ(canvas.FSoundingFontName, "Tahoma");
    EXPECT_EQ(canvas.FSoundingMinSpacing, 1);
    PlaceSoundingLabel(canvas, g_Display, 10, 10, 12.5);
    ASSERT_EQ(canvas.GetSoundings().size(), 1u);
    EXPECT_EQ(canvas.GetSoundings()[0].Z, 12.5);
    g_Display.ShowDepthLabels = false;
    PlaceSoundingLabel(canvas, g_Display, 20, 20, 12.5);
    EXPECT_EQ(canvas.GetSoundings().size(), 1u);
}

TEST_F(MapTick, DepthSpeedBoxValues) {
    g_Survey.DepthHigh = 12.3;
    g_Survey.DepthLow = 14.1;
    g_Survey.SpeedKnots = 4.5;
    in.lowDepthShown = false;
    Tick(41, 29);
    EXPECT_EQ(canvas.FDepth1, 12.3);
    EXPECT_EQ(canvas.FDepth2, 0);
    EXPECT_TRUE(canvas.FDepthValid);
    EXPECT_EQ(canvas.FSpeed, 4.5);
    EXPECT_TRUE(canvas.FSpeedValid);
    in.lowDepthShown = true;
    Tick(41, 29);
    EXPECT_EQ(canvas.FDepth2, 14.1);
}
