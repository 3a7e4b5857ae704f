// The main window's map tick and event marks with the real device settings,
// realtime and offsets windows offscreen, the survey state fed directly and
// the GNSS port open on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/SurveyGrid.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfRealtime.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/TextFiles.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TfLatency.h"

namespace {

namespace fs = std::filesystem;

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

class TFNavMap : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    phxtest::Pty gnssPty;
    std::unique_ptr<TFNav> nav;
    std::vector<std::string> messages;

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        Dialogs().messages.clear();
        Dialogs().answers.clear();
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        gnssPty.LinkAsCom(3);
        nav->ZGPS1->FPortNumber = 3;
        nav->ZGPS1->Open();
        FGPS = new TFGPS(TFGPSHost{});
        fRealtime = new TfRealtime();
        Offsets = new TOffsets();
        nav->Links.Message = [this](const QString& t, bool) { messages.push_back(t.toStdString()); };
        nav->Links.OffsetsVisible = [] { return Offsets && Offsets->isVisible(); };
        for (QLineEdit* e : {FGPS->edRX, FGPS->edRY, FGPS->edRZ, FGPS->edSX, FGPS->edSY,
                             FGPS->edSZ, FGPS->edPPM, FGPS->edRL, FGPS->edFN})
            e->setText("0");
        FGPS->edSMA->setText("6378137.0");
        FGPS->edIF->setText("0.0033528106647474");
        FGPS->edCM->setText("27");
        FGPS->edSF->setText("0.9996");
        FGPS->edFE->setText("500000");
        nav->show();
        EnsureStandardLayersForTest();
        g_Survey.ZdaSeen = true;
    }
    void TearDown() override {
        platform::SetClockForTesting({});
        delete Offsets;
        Offsets = nullptr;
        delete fRealtime;
        fRealtime = nullptr;
        delete FGPS;
        FGPS = nullptr;
        nav.reset();
        ResetSurveyState();
    }
    void EnsureStandardLayersForTest() {
        g_Survey.VesselLayerId = nav->fcad->FindLayer(QStringLiteral("~~Plovan Vessel"));
    }
    // A fix as the GNSS handlers leave it: position and a GGA just now.
    void Fix(double lat, double lon) {
        g_Survey.GnssLatitude = lat;
        g_Survey.GnssLongitude = lon;
        g_Survey.GnssHeight = 20;
        g_Survey.LastFixTick = std::max(platform::TickCount(), 1u);
    }
    // The geodetic set as Start reads it.
    void ReadSet() { CacheGeodesy(g_Survey.MapTick, FGPS->Values(), nullptr); }
    static std::string Events() {
        std::string text;
        platform::ReadFile(EventLogPath(), text);
        return text;
    }
    static void StandAt(platform::DateTime t) {
        platform::SetClockForTesting([t] { return t; });
    }
};

}  // namespace

TEST_F(TFNavMap, TickFillsTheRealtimeWindowStatusBarAndCanvas) {
    g_Survey.RtkAntennaHeight = 47.456;
    g_Survey.RtkTide = 1.5;
    fRealtime->Speed->setText("3.2");
    Offsets->hide();  // the main window's first show opened it
    Fix(41, 29);
    nav->tMapTimer();
    EXPECT_EQ(fRealtime->Fixed->text(), "0");
    EXPECT_EQ(fRealtime->LAntennaH->text(), "47.46");
    EXPECT_EQ(fRealtime->LTideHt->text(), "1.50");
    EXPECT_EQ(fRealtime->SatelliteLabel->text(), "0");
    EXPECT_EQ(g_Survey.PositionStatusText,
              "No Fix | Spd: 3.2 kn | SV: 0 | Ant: 47.46 m | Tide: 1.50 m");
    EXPECT_NEAR(g_Survey.GridEasting, 668207.8852, 0.001);
    EXPECT_EQ(nav->sStatusBar->PanelText(0), "41°0'0.000\"N, 29°0'0.000\"E");
    EXPECT_EQ(nav->sStatusBar->PanelText(1), "E668207.89, N4540683.53");
    EXPECT_EQ(nav->sStatusBar->PanelWidth(1),
              nav->sStatusBar->TextWidth(nav->sStatusBar->PanelText(1)) + 20);
    EXPECT_EQ(nav->fcad->GetLayerShapeIds(g_Survey.VesselLayerId).size(), 7u);  // two rings

    // With the offsets window open the tide reads "-".
    Offsets->show();
    nav->tMapTimer();
    EXPECT_EQ(fRealtime->LTideHt->text(), "-");
    EXPECT_TRUE(g_Survey.PositionStatusText.ends_with(" | Tide: - m"));
}

TEST_F(TFNavMap, TheTickStopsItselfUntilAZdaArrives) {
    g_Survey.ZdaSeen = false;
    nav->tMap->start();
    nav->tMapTimer();
    EXPECT_FALSE(nav->tMap->isActive());
}

TEST_F(TFNavMap, ABadGeodeticEditIsReportedOnce) {
    FGPS->edFE->setText("5OOOOO");
    Fix(41, 29);
    for (int i = 0; i < 3; ++i) nav->tMapTimer();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("TM False Easting \"5OOOOO\" is not a number."), std::string::npos)
        << messages[0];
    EXPECT_TRUE(Dialogs().messages.isEmpty());
    // Corrected mid-survey: the set waits for the next Start.
    FGPS->edFE->setText("500000");
    nav->tMapTimer();
    EXPECT_EQ(g_Survey.GridEasting, 0);
    ReadSet();
    nav->tMapTimer();
    EXPECT_NEAR(g_Survey.GridEasting, 668207.8852, 0.001);
}

TEST_F(TFNavMap, WithoutAFreshFixTheScreenSaysNoFix) {
    Offsets->hide();
    Fix(41, 29);
    nav->ZGPS1->FFixQuality = 4;
    fRealtime->SetGpsColor(kFrameLime);
    fRealtime->Speed->setText("4.5");
    nav->tMapTimer();
    EXPECT_EQ(fRealtime->Fixed->text(), "4");
    EXPECT_EQ(g_Survey.FixQuality, 4);
    g_Survey.LastFixTick -= kFreshFixMs;  // the last GGA is two seconds old
    nav->tMapTimer();
    EXPECT_EQ(fRealtime->Fixed->text(), "0");
    EXPECT_EQ(fRealtime->Speed->text(), "---");
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->GPSGroupBox), clRed);
    EXPECT_EQ(g_Survey.PositionStatusText, "No Fix");
    EXPECT_EQ(g_Survey.FixQuality, 0);
    EXPECT_EQ(DepthSpeedTexts(*nav->fcad).speedLarge, "--.-");
}

TEST_F(TFNavMap, EventLineByteForByte) {
    platform::IniFile(SettingsFilePath()).WriteInteger("EVENTS", "Event Number", 2);
    StandAt({2024, 5, 1, 9, 30, 15, 250});
    // The last map tick's grid position is an older fix's: the mark takes its own.
    g_Survey.GridEasting = 512345.678;
    g_Survey.GridNorthing = 4512345.123;
    g_Survey.GridHeading = 45;
    Fix(41, 29);
    ReadSet();
    fRealtime->lDepthHi->setText("12.34");
    fRealtime->lDepthLo->setText("12.50");
    nav->btEventAdd->click();
    EXPECT_EQ(Events(),
              "\r\nEvent No:3,Date & Time:2024-05-01 093015250,Easting:668207.89,"
              "Northing:4540683.53,True Depth:12.34,True Depth:12.50,Heading:45.00");
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("EVENTS", "Event Number", 0), 3);
    ASSERT_EQ(nav->fcad->FNumberLabels.size(), 1u);
    EXPECT_EQ(nav->fcad->FNumberLabels[0].N, 3);
    EXPECT_NEAR(nav->fcad->FNumberLabels[0].X, 668207.8852, 0.001);
}

TEST_F(TFNavMap, FirstMarkBeforeAnyDepthOrTickAtMidnight) {
    StandAt({2024, 5, 2, 0, 0, 0, 0});
    nav->MarkEvent1->trigger();
    EXPECT_EQ(Events(),
              "\r\nEvent No:1,Date & Time:2024-05-02,Easting:0.00,Northing:0.00,"
              "True Depth:---,True Depth:---,Heading:0.00");
    // Its own fix places the next mark, with no map tick in between.
    Fix(41, 29);
    ReadSet();
    nav->btEventAddClick();
    EXPECT_NE(Events().find("Event No:2,Date & Time:2024-05-02,Easting:668207.89,"),
              std::string::npos);
    EXPECT_EQ(nav->MarkEvent1->shortcut(), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(nav->Edit1->title(), "Edit");
}

TEST_F(TFNavMap, ResetAsksAndRestartsTheNumbering) {
    Fix(41, 29);
    ReadSet();
    nav->btEventAddClick();
    nav->btEventAddClick();
    Dialogs().answers.push_back(platform::idNo);
    nav->btEventReset->click();
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], "Event ID will restart from 1 again. Continue?");
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("EVENTS", "Event Number", 0), 2);
    EXPECT_EQ(Events().find("Event number was reset."), std::string::npos);

    Dialogs().answers.push_back(platform::idYes);
    nav->btEventResetClick();
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("EVENTS", "Event Number", 9), 0);
    EXPECT_NE(Events().find("\tEvent number was reset."), std::string::npos);
    nav->btEventAddClick();
    EXPECT_NE(Events().find("Event No:1,", Events().find("reset")), std::string::npos);
    EXPECT_EQ(nav->fcad->FNumberLabels.size(), 3u);  // the old labels stay
}

TEST_F(TFNavMap, AnUnwritableSettingsFileStillGivesTheLine) {
    const std::string settings = SettingsFilePath();
    fs::remove(settings);
    fs::create_directories(settings);  // a folder in its place: no write can succeed
    nav->btEventAddClick();
    nav->btEventAddClick();
    const std::string events = Events();
    EXPECT_NE(events.find("\r\nEvent No:1,"), std::string::npos);
    EXPECT_NE(events.find("\r\nEvent No:", events.find("Event No:1,")), std::string::npos);
    ASSERT_EQ(messages.size(), 1u);  // one report
    EXPECT_NE(messages[0].find(settings), std::string::npos);
}

TEST_F(TFNavMap, EventLinesOutliveAnOutageInOrderWithOneReportEach) {
    // A folder where the events file belongs: nothing can be written there.
    fs::remove(EventLogPath());  // the port's connect line
    fs::create_directories(EventLogPath());
    nav->btEventAddClick();
    nav->btEventAddClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Event lines cannot be written to " + DateStamp() +
                                    " Events.log: ",
                                0),
              0u)
        << messages[0];
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("EVENTS", "Event Number", 0), 2);

    // Writable again: the held lines go first, in order, with the next mark.
    fs::remove(EventLogPath());
    nav->btEventAddClick();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("Event lines written again to ", 0), 0u) << messages[1];
    EXPECT_NE(messages[1].find(": 3 held written, 0 lost."), std::string::npos) << messages[1];
    const std::string events = phxtest::ReadAll(EventLogPath());
    const size_t one = events.find("Event No:1,"), two = events.find("Event No:2,"),
                 three = events.find("Event No:3,");
    ASSERT_NE(three, std::string::npos) << events;
    EXPECT_LT(one, two);
    EXPECT_LT(two, three);
}

TEST_F(TFNavMap, EventLinesStillHeldAtTheCloseAreSaid) {
    fs::remove(EventLogPath());
    fs::create_directories(EventLogPath());
    nav->btEventAddClick();
    nav->btEventAddClick();
    nav->FlushSoundingRows();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "2 event lines were lost at the close.");
}

TEST_F(TFNavMap, AMarkAfterTheDayFolderWentMakesItAgain) {
    fs::remove_all(g_DayDir);
    nav->btEventAddClick();
    EXPECT_NE(phxtest::ReadAll(EventLogPath()).find("Event No:1,"), std::string::npos);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TFNavMap, LatencyIsShownWhileItsWindowIs) {
    fLatency = new TfLatency();
    Fix(41, 29);
    nav->tMapTimer();
    EXPECT_EQ(g_Survey.MapTick.LatencyCount, 0);
    fLatency->show();
    nav->tMapTimer();
    nav->tMapTimer();
    EXPECT_EQ(g_Survey.MapTick.LatencyCount, 2);
    bool whole = false;
    const int ms = fLatency->eCurrentLatency->text().toInt(&whole);
    EXPECT_TRUE(whole);
    EXPECT_GE(ms, 0);
    EXPECT_TRUE(fLatency->eLatencyAveraged->text().contains('.'));
    delete fLatency;
    fLatency = nullptr;
}

TEST_F(TFNavMap, TheCounterAfterTheLargestNumberIsOne) {
    platform::IniFile(SettingsFilePath()).WriteInteger("EVENTS", "Event Number", 2147483647);
    nav->btEventAddClick();
    EXPECT_NE(Events().find("Event No:1,"), std::string::npos);
    platform::IniFile(SettingsFilePath()).WriteString("EVENTS", "Event Number", "many");
    nav->btEventAddClick();
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("EVENTS", "Event Number", 0), 1);
}
