// Receiver captures replayed through a pseudo-terminal linked as COM3 after
// Start: a stream with ZDA starts the map tick, which records the RTK float
// track in its configured colour; a stream without ZDA never starts it.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QTimer>

#include "canvas/PlovanCanvas.h"
#include "devices/DeviceSettingsFile.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/TFNav.h"
#include "platform/IniFile.h"
#include "tests/support/Capture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TNavset.h"

namespace {

class TFNavMapReplay : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<phxtest::Pty> gnssPty;
    std::unique_ptr<TFNav> nav;

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        gnssPty = std::make_unique<phxtest::Pty>();
        gnssPty->LinkAsCom(3);
        {
            platform::IniFile ini(SettingsFilePath());
            const char* values[] = {"COM3", "9600", "8",     "1",     "None", "Normal",
                                    "10",   "True", "False", "False", "False"};
            for (size_t i = 0; i < kPortKeys.size(); ++i)
                ini.WriteString("GPS1 COMUNICATION SETTINGS", std::string(kPortKeys[i]), values[i]);
            ini.WriteString("SENSOR COMUNICATION SETTINGS", "Sensor Enabled     ", "0");
            // The captures' fixes move centimetres only.
            ini.WriteString("NAVIGATION_SETTINGS", "TrackDistance", "0");
        }
        platform::IniFile::DropCachedModels();
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        Navset = new TNavset(nav->fcad, nav->tMap);
        Navset->show();
        TFGPSHost host;
        host.GnssReader = [this] { return nav->ZGPS1; };
        host.SensorReader = [this] { return nav->ZSENSOR; };
        FGPS = new TFGPS(host);
        nav->Links = {};
        for (QLineEdit* e : {FGPS->edRX, FGPS->edRY, FGPS->edRZ, FGPS->edSX, FGPS->edSY,
                             FGPS->edSZ, FGPS->edPPM, FGPS->edRL, FGPS->edFN})
            e->setText("0");
        FGPS->edSMA->setText("6378137.0");
        FGPS->edIF->setText("0.0033528106647474");
        FGPS->edCM->setText("9");
        FGPS->edSF->setText("0.9996");
        FGPS->edFE->setText("500000");
        nav->show();
        nav->tMap->setInterval(100);
    }
    void TearDown() override {
        if (g_Survey.RealtimeRunning) nav->bRealtimeClick();
        delete FGPS;
        FGPS = nullptr;
        delete Navset;
        Navset = nullptr;
        nav.reset();
        ResetSurveyState();
    }

    // The capture in pieces, with time for the reader and the tick between.
    void Replay(const std::string& bytes, int pieces) {
        const size_t step = bytes.size() / pieces + 1;
        for (size_t at = 0; at < bytes.size(); at += step) {
            gnssPty->Write(bytes.substr(at, step));
            phxtest::PumpEventsUntil([] { return false; }, 250);
        }
    }
    size_t Shapes(const char* layer) const {
        return nav->fcad->GetLayerShapeIds(nav->fcad->FindLayer(QString::fromUtf8(layer))).size();
    }
};

TEST_F(TFNavMapReplay, RtkFloatCaptureDrawsTheFloatTrack) {
    ASSERT_EQ(Navset->Values().TrackDistance.Get(), 0.0);
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->ZGPS1->FOpen);
    const std::string bytes = phxtest::CaptureBytes("nmea/ublox-zed-f9r.log");
    ASSERT_FALSE(bytes.empty());
    Replay(bytes, 20);
    ASSERT_TRUE(phxtest::PumpEventsUntil([this] { return Shapes("track_float") > 0; }, 5000));
    EXPECT_EQ(Shapes("track_fix"), 0u);
    EXPECT_EQ(Shapes("track_nofix"), 0u);
    // Zone 32 around 45.07 N 7.66 E.
    EXPECT_NEAR(g_Survey.GridEasting, 393000, 3000);
    EXPECT_NEAR(g_Survey.GridNorthing, 4991000, 3000);
    EXPECT_GT(nav->fcad->GetLayerShapeIds(g_Survey.VesselLayerId).size(), 0u);
    // In the float colour of the settings (yellow), on the white background
    // too; the position box of a float fix is yellow as well, so it is left out.
    ASSERT_EQ(Navset->Values().TrackFloatColor, 0x00FFFFu);
    const QImage frame = nav->fcad->renderFrame();
    int yellow = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if ((frame.pixel(x, y) & 0xFFFFFF) == 0xFFFF00 && !nav->fcad->PositionBoxHit(x, y))
                ++yellow;
    EXPECT_GT(yellow, 0);
}

TEST_F(TFNavMapReplay, ACaptureWithoutZdaNeverStartsTheTick) {
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->ZGPS1->FOpen);
    Replay(phxtest::CaptureBytes("nmea/nmea-rtk.log"), 5);
    ASSERT_NE(g_Survey.GnssLatitude, 0);
    EXPECT_FALSE(nav->tMap->isActive());
    EXPECT_EQ(g_Survey.GridEasting, 0);
    for (const char* layer : {"track_fix", "track_float", "track_nofix"}) EXPECT_EQ(Shapes(layer), 0u);
}

}  // namespace
