// Realtime start and stop and the survey handlers of the main window, with
// the real device settings window offscreen and both ports on
// pseudo-terminals linked as COM3 (GNSS) and COM4 (echo sounder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/EchogramTick.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "tests/support/GeodeticEdits.h"
#include "tests/support/Nmea.h"
#include "tests/support/OpenDescriptors.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tests/support/Utm35Settings.h"

namespace {

namespace fs = std::filesystem;

using phxtest::Nmea;

void StorePort(const char* section, const char* port, bool sensor) {
    platform::IniFile ini(SettingsFilePath());
    const char* values[] = {port, "9600", "8",     "1",     "None", "Normal",
                            "10", "True", "False", "False", "False"};
    for (size_t i = 0; i < kPortKeys.size(); ++i) {
        std::string key(kPortKeys[i]);
        if (i == 0 && sensor) key += ' ';
        ini.WriteString(section, key, values[i]);
    }
}

class TFNavSurvey : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<phxtest::Pty> gnssPty, sounderPty;
    std::unique_ptr<TFNav> nav;
    std::vector<std::pair<std::string, bool>> messages;  // text, shown

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        gnssPty = std::make_unique<phxtest::Pty>();
        sounderPty = std::make_unique<phxtest::Pty>();
        gnssPty->LinkAsCom(3);
        sounderPty->LinkAsCom(4);
        StorePort("GPS1 COMUNICATION SETTINGS", "COM3", false);
        StorePort("SENSOR COMUNICATION SETTINGS", "COM4", true);
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("SENSOR COMUNICATION SETTINGS", "Sensor Enabled     ", "1");
        ini.WriteString("SENSOR COMUNICATION SETTINGS", "cSBESMessage", "NMEA DPT");
        ini.WriteString("SENSOR COMUNICATION SETTINGS", "eSBESFormat", "%*6s,%lf");
        ini.WriteString("GEODETIC_PARAMETERS", "SemiMajorAxis", "6378137");
        platform::IniFile::DropCachedModels();
    }
    void TearDown() override {
        if (nav && g_Survey.RealtimeRunning) nav->bRealtimeClick();
        delete FGPS;
        FGPS = nullptr;
        nav.reset();
        ResetSurveyState();
    }

    void Create() {
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        TFGPSHost host;
        host.Canvas = [this] { return nav->fcad; };
        host.GnssReader = [this] { return nav->ZGPS1; };
        host.SensorReader = [this] { return nav->ZSENSOR; };
        host.EchoRawSentences = [this] { return nav->FEchoRawSentences; };
        host.SetEchoRawSentences = [this](bool on) { nav->FEchoRawSentences = on; };
        FGPS = new TFGPS(host);
        nav->Links.Message = [this](const QString& t, bool show) {
            messages.emplace_back(t.toStdString(), show);
        };
        nav->Links.Offsets = [] { return OffsetsCopy{0.5, 1500, 1.5, 0.2}; };
        nav->Links.DepthAlert = [] { return std::optional<double>(1.0); };
    }
    // WGS 84 in UTM zone 32, where the fixes below lie.
    void TypeUtm32() {
        DeviceSettingsValues v = phxtest::Utm35Settings();
        v.CentralMeridian = "9";
        phxtest::TypeGeodeticSet(*FGPS, v);
    }
    // An RTK fix at 48.1173 N 11.516667 E (UTM 32: E 687299.58, N 5332401.25),
    // handled.
    void Fix() {
        g_Survey.LastFixTick = 0;
        gnssPty->Write(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,"));
        ASSERT_TRUE(phxtest::PumpEventsUntil([] { return g_Survey.GnssLatitude != 0; }, 3000));
    }

    std::string Csv() const { return phxtest::ReadAll(g_CoordinatesCsvPath); }
    static std::string Events() { return phxtest::ReadAll(EventLogPath()); }
    bool Said(const std::string& part) const {
        for (const auto& [text, shown] : messages)
            if (text.find(part) != std::string::npos) return true;
        return false;
    }
};

TEST_F(TFNavSurvey, StartDepthRowsAndStopInOrder) {
    Create();
    nav->bRealtimeClick();
    ASSERT_TRUE(g_Survey.RealtimeRunning);
    EXPECT_EQ(nav->bRealtime->text(), "Stop");
    EXPECT_TRUE(nav->ZGPS1->FOpen);
    EXPECT_TRUE(nav->ZSENSOR->FOpen);
    EXPECT_TRUE(nav->tEchogram->isActive());
    EXPECT_TRUE(nav->bRealtime->isChecked());  // down with the GNSS connect
    EXPECT_TRUE(Said("ZSENSOR Open called on port: COM4"));
    // Start took the offsets copies from the window.
    EXPECT_DOUBLE_EQ(g_Survey.TransducerDraft, 0.5);

    // A fix, then a depth line: one CSV row with its GNSS columns.
    gnssPty->Write(Nmea("$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return g_Survey.GnssLatitude != 0; }, 3000));
    EXPECT_NEAR(g_Survey.RtkTide, 45.9, 1e-9);
    sounderPty->Write("$SDDPT,12.5,0.0\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find("\r\n", Csv().find("\r\n") + 2) != std::string::npos; }, 3000));
    const std::string csv = Csv();
    EXPECT_EQ(csv.rfind(std::string(kRawCsvHeader) + "\r\n", 0), 0u);
    EXPECT_NE(csv.find(",48.1173000000,11.5166666667,0.00,0.00,-12.80,0.20,13.00,0.00,12.5,0,"
                       "NMEA DPT,1500.00,0.50,4,47.40,0.20,45.90\r\n"),
              std::string::npos)
        << csv;
    EXPECT_EQ(g_RawCsvHeader, kRawCsvHeader);
    // No projected position yet: no XYZ row.
    EXPECT_FALSE(fs::exists(g_XyzDir + g_SessionDate + " Simple XYZ.csv"));
    // The shallow alert is not hit: 13.00 > 1.0.

    nav->bRealtimeClick();
    EXPECT_FALSE(g_Survey.RealtimeRunning);
    EXPECT_EQ(nav->bRealtime->text(), "Start");
    EXPECT_FALSE(nav->bRealtime->isChecked());
    const std::string events = Events();
    const size_t connected = events.find("Connected to GPS on COM3");
    const size_t started = events.find("Realtime STARTED");
    const size_t disconnected = events.find("Disconnected from GPS on COM3");
    const size_t stopped = events.find("Realtime STOPPED");
    ASSERT_NE(stopped, std::string::npos) << events;
    EXPECT_LT(connected, started);
    EXPECT_LT(started, disconnected);
    EXPECT_LT(disconnected, stopped);
    // Both port logs hold their lines; the geodesy record one block.
    EXPECT_NE(phxtest::ReadAll(g_LogDir + DateStamp() + " PHX_SBES_V3.log").find("$SDDPT,12.5"),
              std::string::npos);
    const std::string geodesy = phxtest::ReadAll(g_LogDir + DateStamp() + " Geodesy.txt");
    EXPECT_NE(geodesy.find("Semi-Major Axis: 6378137\r\n"), std::string::npos);
}

TEST_F(TFNavSurvey, ClickNeverTogglesTheDownState) {
    Create();
    fs::remove(home.appData() + "Plovan/PHX/ports/COM3");  // a GNSS port that does not open
    g_Survey.FixQuality = 4;  // the last session's
    g_Survey.PositionStatusText = "RTK Fix | Spd: 4.2 kn";
    nav->bRealtime->click();
    EXPECT_TRUE(g_Survey.RealtimeRunning);
    EXPECT_FALSE(nav->bRealtime->isChecked());
    // The position box says no fix rather than the last session's.
    EXPECT_EQ(g_Survey.FixQuality, 0);
    EXPECT_EQ(g_Survey.PositionStatusText, "No Fix");
    // The failure is said and logged; realtime still starts.
    EXPECT_TRUE(Said("GPS port COM3 could not be opened: "));
    const std::string events = Events();
    EXPECT_NE(events.find("GPS port COM3 could not be opened: "), std::string::npos);
    EXPECT_LT(events.find("could not be opened"), events.find("Realtime STARTED"));
    nav->bRealtime->click();
    EXPECT_FALSE(g_Survey.RealtimeRunning);
}

TEST_F(TFNavSurvey, RefusedPortSettingsEndStartAfterTheGeodesyBlock) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("GPS1 COMUNICATION SETTINGS", std::string(kPortKeys[1]), "");
    }
    platform::IniFile::DropCachedModels();
    Create();
    nav->bRealtimeClick();
    EXPECT_FALSE(g_Survey.RealtimeRunning);
    EXPECT_FALSE(nav->ZGPS1->FOpen);
    EXPECT_FALSE(nav->ZSENSOR->FOpen);
    EXPECT_EQ(nav->bRealtime->text(), "Start");
    EXPECT_EQ(Events().find("Realtime STARTED"), std::string::npos);
    EXPECT_TRUE(fs::exists(g_LogDir + DateStamp() + " Geodesy.txt"));
}

TEST_F(TFNavSurvey, SounderPortHeldByAnotherReaderIsSaid) {
    Create();
    TPlovanSerialGPS other;
    other.FPortNumber = 4;
    other.Open();
    ASSERT_TRUE(other.FOpen);
    nav->bRealtimeClick();
    EXPECT_TRUE(Said("ZSENSOR Open failed: "));
    EXPECT_NE(Events().find("Sensor port COM4 could not be opened"), std::string::npos);
    EXPECT_TRUE(nav->tEchogram->isActive());  // the watchdog is armed all the same
    other.Close();
}

TEST_F(TFNavSurvey, UnpluggedDevicesAreSaidOnceAndComeBackWithoutStop) {
    Create();
    nav->ZGPS1->FReopenInterval = 50;
    nav->ZSENSOR->FReopenInterval = 50;
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->ZGPS1->FOpen && nav->ZSENSOR->FOpen);
    auto count = [this](const std::string& part) {
        return std::count_if(messages.begin(), messages.end(), [&](const auto& m) {
            return m.first.find(part) != std::string::npos && m.second;
        });
    };
    auto fix = [](const char* minutes) {
        return Nmea(std::string("$GPGGA,123519,4807.") + minutes +
                    ",N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,");
    };
    gnssPty->Write(fix("038"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return g_Survey.GnssLatitude != 0; }, 3000));

    // Both devices go away: each is said at once, once, on screen and in the log.
    gnssPty->CloseMaster();
    sounderPty->CloseMaster();
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [&] { return count("GPS port COM3 lost: ") == 1 && count("Sensor port COM4 lost: ") == 1; },
        3000));
    EXPECT_FALSE(nav->tMap->isActive());
    EXPECT_TRUE(nav->ZGPS1->PortLost());
    // The status bar says the later of the two, whichever reader noticed last.
    const std::string panel = nav->sStatusBar->PanelText(5).toStdString();
    EXPECT_TRUE(panel.rfind("Sensor port COM4 lost: ", 0) == 0 ||
                panel.rfind("GPS port COM3 lost: ", 0) == 0)
        << panel;
    phxtest::PumpEventsFor(300);
    EXPECT_EQ(count(" lost: "), 2);
    // The sounder watchdog's time-out shows the silence without saying it again.
    g_Survey.LastSensorTick = platform::TickCount() - kSensorSilenceMs - 1;
    nav->tEchogramTimer();
    EXPECT_TRUE(g_Survey.SensorTimedOut);
    EXPECT_EQ(count("Sensor TimeOut."), 0);

    // They come back under their names: lines flow again without Stop and Start.
    gnssPty = std::make_unique<phxtest::Pty>();
    sounderPty = std::make_unique<phxtest::Pty>();
    gnssPty->LinkAsCom(3);
    sounderPty->LinkAsCom(4);
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [&] {
            return count("GPS port COM3 reopened") == 1 && count("Sensor port COM4 reopened") == 1;
        },
        3000));
    gnssPty->Write(fix("538"));
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [] { return std::abs(g_Survey.GnssLatitude - (48 + 7.538 / 60)) < 1e-9; }, 3000));
    sounderPty->Write("$SDDPT,7.5,0.0\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find(",7.5,0,NMEA DPT,") != std::string::npos; }, 3000))
        << Csv();
    EXPECT_TRUE(g_Survey.RealtimeRunning);
    const std::string events = Events();
    EXPECT_LT(events.find("GPS port COM3 lost: "), events.find("GPS port COM3 reopened"));
    EXPECT_NE(events.find("Sensor port COM4 reopened"), std::string::npos);
    EXPECT_EQ(events.find("Disconnected from GPS"), std::string::npos);
}

TEST_F(TFNavSurvey, GeodesyRecordsOutliveAVanishedFolderAndAnOutage) {
    Create();
    const std::string record = g_LogDir + DateStamp() + " Geodesy.txt";
    auto blocks = [&] {
        const std::string text = phxtest::ReadAll(record);
        size_t n = 0;
        for (size_t at = text.find("=== SESSION START"); at != std::string::npos;
             at = text.find("=== SESSION START", at + 1))
            ++n;
        return n;
    };
    nav->bRealtimeClick();
    nav->bRealtimeClick();
    // The day folder goes between two runs: the second Start makes it again.
    fs::remove_all(g_DayDir);
    nav->bRealtimeClick();
    nav->bRealtimeClick();
    EXPECT_EQ(blocks(), 1u);
    EXPECT_FALSE(Said("Geodesy records"));

    // A folder in the record's place: two Starts, one report, both blocks held.
    fs::remove(record);
    fs::create_directories(record);
    for (int i = 0; i < 2; ++i) {
        nav->bRealtimeClick();
        nav->bRealtimeClick();
    }
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const auto& m) {
                                return m.first.rfind("Geodesy records cannot be written to ", 0) ==
                                       0;
                            }),
              1);
    fs::remove(record);
    nav->bRealtimeClick();
    EXPECT_EQ(blocks(), 3u);
    EXPECT_TRUE(Said(" Geodesy.txt: 3 held written, 0 lost."));
}

TEST_F(TFNavSurvey, CorruptAndRefusedLinesGoOnWithOneMessage) {
    Create();
    nav->bRealtimeClick();
    sounderPty->Write("$SDDPT,12.5*00\r\n$SDDPT,2.0\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find(",2,0,NMEA DPT,") != std::string::npos; }, 3000));
    EXPECT_EQ(Csv().find(",12.5,"), std::string::npos);
    // A refused format: a failed parse, its reason once.
    FGPS->eSBESFormat->setText("%*6s,%x");
    sounderPty->Write("$SDDPT,3.0\r\n$SDDPT,4.0\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil([this] { return Said("format is refused"); }, 3000));
    phxtest::PumpEventsUntil([] { return false; }, 300);
    size_t refused = 0;
    for (const auto& [text, shown] : messages)
        if (text.find("format is refused") != std::string::npos) ++refused;
    EXPECT_EQ(refused, 1u);
}

TEST_F(TFNavSurvey, DayFolderDeletedMidRunLosesNoRow) {
    Create();
    TypeUtm32();
    nav->bRealtimeClick();
    sounderPty->Write("$SDDPT,1.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find(",1.5,") != std::string::npos; }, 3000));
    fs::remove_all(g_DayDir);
    Fix();
    sounderPty->Write("$SDDPT,2.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find(",2.5,") != std::string::npos; }, 3000));
    EXPECT_EQ(Csv().rfind(std::string(kRawCsvHeader), 0), 0u);
    EXPECT_EQ(phxtest::ReadAll(g_XyzDir + g_SessionDate + " Simple XYZ.csv"),
              "Easting,Northing,Elevation\r\n687299.58,5332401.25,-2.80\r\n");
    EXPECT_NE(phxtest::ReadAll(g_LogDir + DateStamp() + " PHX_SBES_V3.log").find("$SDDPT,2.5"),
              std::string::npos);
}

TEST_F(TFNavSurvey, PanelFiveShowsTheLastLineAndKeepsARowFault) {
    Create();
    nav->bRealtimeClick();
    ASSERT_GE(nav->sStatusBar->PanelCount(), 6);
    sounderPty->Write("$SDDPT,1.5\r\n$SDDPT,2.5*00\r\n$SDDPT,3.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return Csv().find(",3.5,") != std::string::npos; }, 3000));
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return nav->sStatusBar->PanelText(5) == "$SDDPT,3.5"; }, 3000));
    EXPECT_EQ(nav->sStatusBar->PanelWidth(5), nav->sStatusBar->TextWidth("$SDDPT,3.5") + 20);
    sounderPty->Write("$SDDPT,4.5*00\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return nav->sStatusBar->PanelText(5) == "[CORRUPT] $SDDPT,4.5*00"; }, 3000));

    // A row that cannot be written: the fault, not the line, stays in view.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::remove(g_CoordinatesCsvPath);
    fs::create_symlink("/dev/full", g_CoordinatesCsvPath);
    sounderPty->Write("$SDDPT,5.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [] { return Events().find("Sounding rows cannot be written") != std::string::npos; },
        3000));
    phxtest::PumpEventsUntil([] { return false; }, 100);
    EXPECT_EQ(
        nav->sStatusBar->PanelText(5).toStdString().rfind("Sounding rows cannot be written", 0), 0u)
        << nav->sStatusBar->PanelText(5).toStdString();
    fs::remove(g_CoordinatesCsvPath);
}

TEST_F(TFNavSurvey, TheShallowAlertComparesTheCanvasColour) {
    Create();
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->bRealtime->isChecked());  // the alert acts while connected
    sounderPty->Write("$SDDPT,0.2\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil([this] { return nav->fcad->FBackgroundColor == clRed; },
                                         3000));
    sounderPty->Write("$SDDPT,5.0\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [this] { return nav->fcad->FBackgroundColor == 0xFFFFFF; }, 3000));
    // Another window changes the background: the next deep line puts it right.
    nav->fcad->SetBackgroundColor(0x123456);
    sounderPty->Write("$SDDPT,5.5\r\n");
    EXPECT_TRUE(phxtest::PumpEventsUntil(
        [this] { return nav->fcad->FBackgroundColor == 0xFFFFFF; }, 3000));
}

TEST_F(TFNavSurvey, TheGnssMonitorTurnsWhiteWithTheTickAndRedOnATimeout) {
    Create();
    nav->bRealtimeClick();
    nav->ZGPS1Timeout();
    EXPECT_EQ(FGPS->GpsMemoColor(), 0x0000FFu);
    gnssPty->Write(Nmea("$GPZDA,123519.00,10,12,2026,00,00") + Nmea("$GPHDT,10.0,T"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([this] { return nav->tMap->isActive(); }, 3000));
    EXPECT_EQ(FGPS->GpsMemoColor(), 0xFFFFFFu);
}

TEST_F(TFNavSurvey, AConnectWithoutTheVesselLayerBringsItBack) {
    Create();
    nav->fcad->RemoveAllShapesAndLayers();
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->ZGPS1->FOpen);
    EXPECT_EQ(g_Survey.VesselLayerId, nav->fcad->FindLayer("~~Plovan Vessel"));
    EXPECT_GE(g_Survey.VesselLayerId, 0);
}

TEST_F(TFNavSurvey, StopLetsTheRowFilesGo) {
    Create();
    TypeUtm32();
    nav->bRealtimeClick();
    Fix();
    const std::string xyz = g_XyzDir + g_SessionDate + " Simple XYZ.csv";
    sounderPty->Write("$SDDPT,1.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [&] { return phxtest::ReadAll(xyz).find("-1.80") != std::string::npos; }, 3000));
    EXPECT_EQ(phxtest::OpenDescriptorCount(g_CoordinatesCsvPath), 1);
    EXPECT_EQ(phxtest::OpenDescriptorCount(xyz), 1);
    nav->bRealtimeClick();
    ASSERT_FALSE(g_Survey.RealtimeRunning);
    EXPECT_EQ(phxtest::OpenDescriptorCount(g_CoordinatesCsvPath), 0);
    EXPECT_EQ(phxtest::OpenDescriptorCount(xyz), 0);
    EXPECT_EQ(phxtest::OpenDescriptorCount(g_LogDir + DateStamp() + " PHX_SBES_V3.log"), 0);
}

}  // namespace
