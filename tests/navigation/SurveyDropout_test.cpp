// The survey end to end (tests/navigation/SurveyRig.h) when the receiver
// drops out and the surveyor stops, starts and mistypes: no row takes a
// position that is not its own and fresh, the screen says when there is no
// fix, a new session's track starts on its own, and a geodetic set the
// geodesy refuses is said once and makes no grid position. The receiver sits
// near 42°21' N 71°01' W, where the settings' Transverse Mercator is centred.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "canvas/PlovanCanvas.h"
#include "devices/ui/TFGPS.h"
#include "foundation/EventLog.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfRealtime.h"
#include "tests/navigation/SurveyRig.h"
#include "tests/support/Nmea.h"
#include "tests/support/RunTool.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TNavset.h"

namespace {

// The geodetic set of survey_golden/settings.ini as a PROJ pipeline.
constexpr const char* kGridOfTheSettings =
    "+proj=pipeline +step +proj=cart +a=6378137.0 +f=0.0033528106647474 +step +inv +proj=helmert "
    "+x=-84.87 +y=-96.49 +z=-116.95 +rx=0.35 +ry=-0.12 +rz=1.5e-6 +s=1.2 "
    "+convention=coordinate_frame +exact +step +inv +proj=cart +a=6378388 "
    "+f=0.003367003367003367 +step +proj=tmerc +lon_0=-71 +lat_0=0 +k=0.9996 +x_0=500000 +y_0=0 "
    "+a=6378388 +f=0.003367003367003367";

using phxtest::Nmea;

// A GGA and a ZDA of a fix `north` and `east` metres from 42°21' N 71°01' W.
std::string Epoch(double north, double east, int quality = 4) {
    const double latMinutes = 21 + north / 1852;
    const double lonMinutes = 1 - east / (1852 * std::cos(42.35 * 3.141592653589793 / 180));
    char gga[128];
    std::snprintf(gga, sizeof gga, "$GNGGA,120000.00,42%010.7f,N,071%010.7f,W,%d,12,0.8,12.300,M,"
                  "35.100,M,1.0,0001", latMinutes, lonMinutes, quality);
    return Nmea(gga) + Nmea("$GNZDA,120000.00,07,03,2026,00,00");
}

using Row = std::vector<std::string>;

// The rows of a CSV file without its header.
std::vector<Row> Rows(const std::string& path) {
    std::vector<Row> rows;
    std::istringstream in(phxtest::ReadAll(path));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Row row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) row.push_back(cell);
        rows.push_back(row);
    }
    return rows;
}

// Columns of the raw depth CSV.
enum Column { kLat = 1, kLon = 2, kEasting = 3, kNorthing = 4, kGps = 14 };

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class SurveyDropout : public phxtest::SurveyRig {
  protected:
    std::string Csv() const { return g_CoordinatesCsvPath; }
    std::string Xyz() const { return g_XyzDir + g_SessionDate + " Simple XYZ.csv"; }
    static std::string Events() { return phxtest::ReadAll(EventLogPath()); }
    static std::string Panel5() { return FNav->sStatusBar->PanelText(5).toStdString(); }

    void Later(int ms) { now = phxtest::FromQDateTime(phxtest::AsQDateTime(now).addMSecs(ms)); }
    void Fix(double north, double east, int quality = 4) {
        std::string why;
        ASSERT_TRUE(Feed(Gnss, Epoch(north, east, quality), 2, why)) << why;
    }
    void Depth(double metres) {
        char line[32];
        std::snprintf(line, sizeof line, "$SDDPT,%.2f,0.5", metres);
        std::string why;
        ASSERT_TRUE(Feed(Sounder, Nmea(line), 1, why)) << why;
    }
    void Start() {
        Offsets->hide();
        FNav->bRealtime->click();
        ASSERT_TRUE(g_Survey.RealtimeRunning);
    }
    void Stop() {
        FNav->bRealtime->click();
        ASSERT_FALSE(g_Survey.RealtimeRunning);
    }
    // The position box, the realtime window and the speed readout.
    void ExpectNoFix(const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(g_Survey.PositionStatusText, "No Fix");
        EXPECT_EQ(g_Survey.FixQuality, 0);
        EXPECT_EQ(fRealtime->Fixed->text(), "0");
        EXPECT_EQ(fRealtime->Speed->text(), "---");
        EXPECT_EQ(TfRealtime::BoxColor(fRealtime->GPSGroupBox), kFrameRed);
        EXPECT_EQ(DepthSpeedTexts(*FNav->fcad).speedLarge, "--.-");
    }
    void ExpectRtkFix(const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(g_Survey.PositionStatusText.rfind("RTK Fix |", 0), 0u)
            << g_Survey.PositionStatusText;
        EXPECT_EQ(g_Survey.FixQuality, 4);
        EXPECT_EQ(fRealtime->Fixed->text(), "4");
    }
};

TEST_F(SurveyDropout, NoRowTakesAPositionThatIsNotFresh) {
    CreateWindows();
    Start();
    Fix(0, 0);
    FNav->tMapTimer();
    ExpectRtkFix("with a fix");
    Depth(10);
    ASSERT_EQ(Rows(Xyz()).size(), 1u);

    // The receiver falls silent while the sounder goes on at 20 Hz.
    for (int i = 0; i < 60; ++i) {
        Later(50);
        Depth(10 + i * 0.01);
    }
    std::vector<Row> csv = Rows(Csv());
    std::vector<Row> xyz = Rows(Xyz());
    ASSERT_EQ(csv.size(), 61u);
    // Exactly the rows of the first two seconds are fresh: they, and only
    // they, have the quality and an XYZ row.
    size_t fresh = 0;
    for (const Row& row : csv) fresh += row[kGps] == "4";
    EXPECT_EQ(fresh, 40u);
    EXPECT_EQ(xyz.size(), fresh);
    EXPECT_EQ(csv.back()[kGps], "0");
    EXPECT_EQ(csv.back()[kLat], csv.front()[kLat]);  // still the row's own, last, position
    FNav->tMapTimer();
    ExpectNoFix("silent for three seconds");

    // The fix comes back; then the receiver reports itself idle.
    Later(50);
    Fix(1, 0);
    Depth(11);
    FNav->tMapTimer();
    ExpectRtkFix("the fix back");
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 1);
    // The receiver says it has no fix, and gives a position all the same:
    // though the last fix is young, neither stands for the next depth.
    Later(50);
    Fix(1.5, 0, 0);
    Depth(11.2);
    EXPECT_EQ(Rows(Csv()).back()[kGps], "0");
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 1);
    FNav->tMapTimer();
    ExpectNoFix("a GGA without a fix");
    ReportIdle();
    ExpectNoFix("idle");
    Later(50);
    Depth(11.5);
    EXPECT_EQ(Rows(Csv()).back()[kGps], "0");
    EXPECT_EQ(Rows(Csv()).back()[kLat], "0.0000000000");
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 1);

    // The device goes away: the next depth, within two seconds of the last
    // fix, has no fresh position all the same.
    Later(50);
    Fix(2, 0);
    Depth(12);
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 2);
    gnss->CloseMaster();
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return FNav->ZGPS1->PortLost(); }, 5000));
    ExpectNoFix("the device gone");
    Later(50);
    Depth(12.5);
    EXPECT_EQ(Rows(Csv()).back()[kGps], "0");
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 2);
    FNav->tMapTimer();
    ExpectNoFix("the device gone, a tick later");
    // The sounder's lines do not take the loss out of the status bar, and
    // the silence of the lost receiver is not said again as idle.
    phxtest::PumpEventsFor(20);
    EXPECT_EQ(Panel5().rfind("GPS port COM3 lost: ", 0), 0u) << Panel5();
    ReportIdle();

    // It comes back under its name: lines and rows flow again without Stop,
    // and the outage was said once.
    gnss = std::make_unique<phxtest::Pty>();
    gnss->LinkAsCom(3);
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [] { return Events().find("GPS port COM3 reopened") != std::string::npos; }, 5000));
    Later(50);
    Fix(3, 0);
    Depth(13);
    FNav->tMapTimer();
    ExpectRtkFix("the device back");
    EXPECT_EQ(Rows(Csv()).back()[kGps], "4");
    EXPECT_EQ(Rows(Xyz()).size(), fresh + 3);
    EXPECT_TRUE(
        phxtest::PumpEventsUntil([&] { return Panel5().rfind("$SDDPT,13.00", 0) == 0; }, 5000))
        << Panel5();
    // Said once, in the event log and the message window.
    const std::string lost = "GPS port COM3 lost: ";
    EXPECT_EQ(Count(Events(), lost), 1u);
    EXPECT_EQ(Count(FMsg->Msg->toPlainText().toStdString(), lost), 1u);
    EXPECT_EQ(Count(Events(), "GPS is idle!"), 1u);  // the report before the loss
    Stop();
    ExpectNoFix("stopped");
}

TEST_F(SurveyDropout, AStartWhoseGnssPortFailsMakesNoXyzRow) {
    CreateWindows();
    Start();
    Fix(0, 0);
    FNav->tMapTimer();
    Depth(10);
    Stop();
    ASSERT_EQ(Rows(Xyz()).size(), 1u);

    // The receiver's port is gone before the next Start: the sounder runs
    // on, and nothing of the last session's fix stands for its depths.
    gnss.reset();
    Later(1000);
    Start();
    ASSERT_FALSE(FNav->ZGPS1->FOpen);
    for (int i = 0; i < 20; ++i) {
        Later(50);
        Depth(10 + i * 0.01);
    }
    const std::vector<Row> csv = Rows(Csv());
    ASSERT_EQ(csv.size(), 21u);
    for (size_t i = 1; i < csv.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(csv[i][kGps], "0");
        EXPECT_EQ(csv[i][kLat], "0.0000000000");
        EXPECT_EQ(csv[i][kEasting], "0.00");
    }
    EXPECT_EQ(Rows(Xyz()).size(), 1u);
    ExpectNoFix("a Start without the GNSS port");
    Stop();
}

TEST_F(SurveyDropout, EveryRowTakesItsOwnFix) {
    CreateWindows();
    Start();
    // 2.5 m/s northward at 10 Hz, two depths per fix, a map tick every 500 ms.
    for (int k = 0; k < 30; ++k) {
        Later(40);
        Fix(0.25 * k, 0);
        for (int d = 0; d < 2; ++d) {
            Later(30);
            Depth(8 + 0.05 * k);
        }
        if (k % 5 == 0) FNav->tMapTimer();
    }
    const std::vector<Row> csv = Rows(Csv());
    const std::vector<Row> xyz = Rows(Xyz());
    ASSERT_EQ(csv.size(), 60u);
    ASSERT_EQ(xyz.size(), csv.size());
    std::string points;
    for (const Row& row : csv) points += row[kLon] + " " + row[kLat] + " 0 0\n";
    const std::string tmp = home.home() + "points.txt";
    phxtest::WriteAll(tmp, points);
    std::istringstream projected(
        phxtest::RunTool("cct -d 6 " + std::string(kGridOfTheSettings) + " " + tmp));
    for (size_t i = 0; i < csv.size(); ++i) {
        double e = 0, n = 0, h = 0, t = 0;
        ASSERT_TRUE(projected >> e >> n >> h >> t) << "cct is part of proj-bin";
        SCOPED_TRACE("row " + std::to_string(i + 1));
        // Within the rounding of the file's two decimals (and its latitude's ten).
        EXPECT_NEAR(std::stod(csv[i][kEasting]), e, 0.0051);
        EXPECT_NEAR(std::stod(csv[i][kNorthing]), n, 0.0051);
        EXPECT_EQ(xyz[i][0], csv[i][kEasting]);
        EXPECT_EQ(xyz[i][1], csv[i][kNorthing]);
    }
}

TEST_F(SurveyDropout, StopAndStartLeaveTwoTracksNotJoined) {
    CreateWindows();
    Navset->TrackDistance->setText("2");
    Navset->cLineOrDot->setChecked(true);
    // Eastward at 3 m a fix; a track distance of 2 m joins each fix to the last.
    const auto session = [&](double north, double east) {
        Start();
        for (int k = 0; k < 8; ++k) {
            Later(100);
            Fix(north, east + 3.0 * k);
            FNav->tMapTimer();
        }
        Stop();
        Later(1000);
    };
    // The second track starts 8 m north of the first's last point: well
    // within the ten track distances a single line may span.
    session(0, 0);
    session(8, 21);
    const int layer = FNav->fcad->FindLayer("track_fix");
    const std::vector<int32_t> lines = FNav->fcad->GetLayerShapeIds(layer);
    ASSERT_EQ(lines.size(), 14u);  // seven segments a session
    const double split = g_Survey.GridNorthing - 4;  // between the two tracks
    int south = 0, north = 0;
    for (const int32_t id : lines) {
        const TPlovanShape* line = FNav->fcad->FindShape(id);
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->FMinY < split && line->FMaxY > split)
            << "a line joins the two sessions, from N " << line->FMinY << " to N " << line->FMaxY;
        (line->FMaxY < split ? south : north) += 1;
    }
    EXPECT_EQ(south, 7);
    EXPECT_EQ(north, 7);
}

TEST_F(SurveyDropout, ARefusedGeodeticSetIsSaidOnceAndMakesNoGridPosition) {
    CreateWindows();
    Start();
    Fix(0, 0);
    Depth(9);
    Stop();
    ASSERT_EQ(Rows(Xyz()).size(), 1u);

    // The inverse flattening typed for the flattening.
    FGPS->edIF->setText("298.257");
    Later(1000);
    Start();
    for (int k = 0; k < 5; ++k) {
        Later(100);
        Fix(k, 0);
        Depth(9 + k * 0.1);
        FNav->tMapTimer();
    }
    const std::string said =
        "The geodetic parameters cannot be used: Flattening \"298.257\" must lie between 0 and 0.1";
    EXPECT_EQ(Count(Events(), said), 1u);
    EXPECT_EQ(Count(FMsg->Msg->toPlainText().toStdString(), said), 1u);
    EXPECT_EQ(Rows(Xyz()).size(), 1u);
    const std::vector<Row> csv = Rows(Csv());
    ASSERT_EQ(csv.size(), 6u);
    for (size_t i = 1; i < csv.size(); ++i) {  // after the good session's row
        EXPECT_EQ(csv[i][kEasting], "0.00");
        EXPECT_EQ(csv[i][kNorthing], "0.00");
        EXPECT_EQ(csv[i][kGps], "4");
    }
    EXPECT_EQ(g_Survey.GridEasting, 0);
    EXPECT_TRUE(FNav->fcad->GetLayerShapeIds(g_Survey.VesselLayerId).empty());
    Stop();

    // Put right, it holds from the next Start.
    FGPS->edIF->setText("0.003367003367003367");
    Later(1000);
    Start();
    Fix(6, 0);
    Depth(9.6);
    EXPECT_EQ(Rows(Xyz()).size(), 2u);
    Stop();
}

}  // namespace
