// The survey's small windows in the running program: the entry makes them
// in their places, the main window's show and close handle them, and the
// survey handlers fill them. End to end on pseudo-terminals: GNSS on COM3,
// echo sounder on COM4, the tick count in the test's hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>

#include "canvas/GdiCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TFMsg.h"

namespace {

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

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(TFNavWindows, EntryMakesTheWindowsAndTheMainWindowShowsAndClosesThem) {
    phxtest::TempHome home;
    InitDayPaths();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    CreateApplicationWindows();
    for (QWidget* w : std::initializer_list<QWidget*>{fRealtime, formAbout, fWaterfal, fJoystick})
        ASSERT_NE(w, nullptr);
    EXPECT_TRUE(fJoystick->isVisible());  // from its creation
    EXPECT_FALSE(fRealtime->isVisible());
    EXPECT_FALSE(fWaterfal->isVisible());
    // The device settings window reaches the realtime window's layouts.
    FGPS->cSBESMessage->setCurrentText("Plovan XDR H/L");
    FGPS->cSBESMessageChange();
    EXPECT_EQ(fRealtime->ClientHeight(), kRealtimeTwoDepthHeight);
    FGPS->cSBESMessage->setCurrentText("NMEA DPT");
    FGPS->cSBESMessageChange();
    EXPECT_EQ(fRealtime->ClientHeight(), kRealtimeOneDepthHeight);

    fJoystick->hide();
    FNav->show();
    EXPECT_TRUE(fJoystick->isVisible());  // the first show shows it again
    fRealtime->show();
    FNav->close();
    EXPECT_FALSE(fRealtime->isVisible());
    EXPECT_TRUE(fJoystick->isVisible());  // it cannot be closed
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    for (const char* section : {"fRealtime", "fJoystick"})
        EXPECT_TRUE(ini.SectionExists(section)) << section;
    // The echogram was never on the screen: no placement at its corner of the
    // screen, so that it opens in the map area at its first show.
    EXPECT_FALSE(ini.SectionExists("fWaterfal"));
    EXPECT_EQ(ini.ReadInteger("ECHOGRAM", "DataWidth", -1), 50);
    EXPECT_EQ(ini.ReadInteger("ECHOGRAM", "Interval", -1), 100);
    FreeApplicationWindows();
    for (QWidget* w : std::initializer_list<QWidget*>{fRealtime, formAbout, fWaterfal, fJoystick})
        EXPECT_EQ(w, nullptr);
    g_LanguageManager.reset();
}

class TFNavWindowsRig : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<phxtest::Pty> gnssPty, sounderPty;
    std::unique_ptr<TFNav> nav;
    std::vector<std::string> messages;
    uint32_t tick = 1000;

    void SetUp() override {
        ResetSurveyState();
        InitDayPaths();
        platform::SetTickCountForTesting([this] { return tick; });
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
        platform::IniFile::DropCachedModels();

        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        TFGPSHost host;
        host.GnssReader = [this] { return nav->ZGPS1; };
        host.SensorReader = [this] { return nav->ZSENSOR; };
        FGPS = new TFGPS(host);
        fRealtime = new TfRealtime();
        fWaterfal = new TfWaterfal();
        fJoystick = new TfJoystick();
        nav->Links.Message = [this](const QString& t, bool) {
            messages.push_back(t.toStdString());
        };
        nav->Links.Offsets = [] { return OffsetsCopy{0.5, 1500, 1.5, 0.2}; };
    }
    void TearDown() override {
        if (g_Survey.RealtimeRunning) nav->bRealtimeClick();
        for (QWidget** w :
             {reinterpret_cast<QWidget**>(&fRealtime), reinterpret_cast<QWidget**>(&fWaterfal),
              reinterpret_cast<QWidget**>(&fJoystick), reinterpret_cast<QWidget**>(&FGPS)}) {
            delete *w;
            *w = nullptr;
        }
        nav.reset();
        platform::SetTickCountForTesting({});
        ResetSurveyState();
    }
    size_t Said(const std::string& text) const {
        size_t n = 0;
        for (const auto& m : messages) n += m == text;
        return n;
    }
};

TEST_F(TFNavWindowsRig, DepthShowsEchogramDrawsAndSilenceIsReportedOnce) {
    nav->bRealtimeClick();
    ASSERT_TRUE(nav->ZSENSOR->FOpen);
    EXPECT_TRUE(fRealtime->DepthFrameHi->isHidden());  // until the first line
    EXPECT_TRUE(fRealtime->DepthFrameLo->isHidden());
    for (int i = 0; i < 3; ++i) {
        sounderPty->Write("$SDDPT,12.5,0.5*64\r\n");
        ASSERT_TRUE(
            phxtest::PumpEventsUntil([] { return fRealtime->lDepthHi->text() == "13.00"; }, 3000));
    }
    EXPECT_FALSE(fRealtime->DepthFrameHi->isHidden());
    EXPECT_TRUE(fRealtime->DepthFrameLo->isHidden());  // one-depth type
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->DepthFrameHi), kFrameLime);
    EXPECT_TRUE(fWaterfal->isVisible());
    EXPECT_EQ(nav->tEchogram->interval(), 100);  // from the echogram window's show
    // The echogram timer draws the depth into the history and the image.
    ASSERT_TRUE(
        phxtest::PumpEventsUntil([this] { return nav->FDepthHistory.depths[49] == 13.0; }, 3000));
    const QImage& image = fWaterfal->Image();
    EXPECT_EQ(FromRgb(image.pixel(image.width() - 5, image.height() - 5)), 0x00FFFF);

    // The lines stop: 5 s after the last one nothing yet, then one report.
    tick += 5000;
    phxtest::PumpEventsFor(300);
    EXPECT_EQ(Said("Sensor TimeOut."), 0u);
    tick += 1;
    ASSERT_TRUE(phxtest::PumpEventsUntil([this] { return Said("Sensor TimeOut.") > 0; }, 3000));
    tick += 20000;
    phxtest::PumpEventsFor(400);
    EXPECT_EQ(Said("Sensor TimeOut."), 1u);
    EXPECT_EQ(Occurrences(phxtest::ReadAll(EventLogPath()), "Sensor TimeOut."), 1u);
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->DepthFrameHi), kFrameRed);
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->DepthFrameLo), kFrameRed);
    EXPECT_EQ(fRealtime->lDepthHi->text(), "--.--");
    EXPECT_EQ(fRealtime->lDepthLo->text(), "--.--");
    EXPECT_FALSE(fWaterfal->isVisible());

    // A line again: shown again, and the history survives Stop and Start.
    sounderPty->Write("$SDDPT,12.5,0.5*64\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return fWaterfal->isVisible(); }, 3000));
    nav->bRealtimeClick();
    EXPECT_FALSE(fWaterfal->isVisible());
    nav->bRealtimeClick();
    EXPECT_EQ(nav->FDepthHistory.depths[49], 13.0);
}

TEST_F(TFNavWindowsRig, ZeroDepthHidesTheEchogramOnTheNextTick) {
    nav->bRealtimeClick();
    sounderPty->Write("$SDDPT,12.5,0.5*64\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return fWaterfal->isVisible(); }, 3000));
    sounderPty->Write("$SDDPT,0.0001,0.5\r\n");
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return !fWaterfal->isVisible(); }, 3000));
    EXPECT_EQ(fRealtime->lDepthHi->text(), "--.--");
    EXPECT_EQ(Said("Sensor TimeOut."), 0u);
}

TEST_F(TFNavWindowsRig, StartWithoutSounderShrinksTheWindow) {
    FGPS->SensorEnabled->setChecked(false);
    fRealtime->ShowLowFrequencyDepth();
    nav->bRealtimeClick();
    EXPECT_TRUE(fRealtime->DepthFrameHi->isHidden());
    EXPECT_TRUE(fRealtime->DepthFrameLo->isHidden());
    EXPECT_EQ(fRealtime->ClientHeight(), kRealtimeNoDepthHeight);
    EXPECT_FALSE(nav->tEchogram->isActive());
}

TEST_F(TFNavWindowsRig, GnssEventsPaintTheStatusAndBatteryShowsItsVolts) {
    nav->ZGPS1SpeedChange(18.52);
    EXPECT_EQ(fRealtime->Speed->text(), "10.0");
    nav->ZGPS1Idle();
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->GPSGroupBox), kFrameRed);
    nav->ZGPS1NewCommand("$GPZDA,120000.00,10,12,2026,00,00");
    g_Survey.RealtimeStartTick = 5;
    nav->ZGPS1NewCommand("$GPGGA,120001,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,");
    EXPECT_EQ(TfRealtime::BoxColor(fRealtime->GPSGroupBox), kFrameLime);
    // The "Plovan SMT" type carries the battery volts.
    FGPS->cSBESMessage->setCurrentText("Plovan SMT");
    FGPS->cSBESMessageChange();
    nav->ZSENSORNewCommand("$PLOVSMT,12.34,11.7");
    EXPECT_EQ(fJoystick->pBattery->text(), "11.70");
}

// Where a click at a screen point lands, as a window manager stacks the
// windows: a stay-on-top window above the others.
QWidget* WindowAt(QPoint global) {
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !w->frameGeometry().contains(global)) continue;
        const bool onTop = w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        if (!found || (onTop && !found->windowFlags().testFlag(Qt::WindowStaysOnTopHint)))
            found = w;
    }
    return found;
}

void ClickAt(QPoint global) {
    QWidget* window = WindowAt(global);
    ASSERT_NE(window, nullptr);
    QWidget* target = window->childAt(window->mapFromGlobal(global));
    if (!target) target = window;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
}

// After Stop the message window comes up with the port's disconnect; a Start
// clicked while it is up (2 s later, its 4 s not over) reaches Start and
// starts: the message window, like every window that pops up, opens in the
// map area, not over the menu bar and the tool bars.
TEST(TFNavWindows, StartRightAfterStopStartsWithTheMessageWindowUp) {
    phxtest::TempHome home;
    InitDayPaths();
    ResetSurveyState();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    phxtest::Pty gnss;
    gnss.LinkAsCom(3);
    StorePort("GPS1 COMUNICATION SETTINGS", "COM3", false);
    platform::IniFile::DropCachedModels();
    CreateApplicationWindows();
    FNav->show();
    QApplication::processEvents();
    const QPoint start = FNav->bRealtime->mapToGlobal(FNav->bRealtime->rect().center());
    ClickAt(start);
    ASSERT_TRUE(g_Survey.RealtimeRunning);
    ClickAt(start);
    ASSERT_FALSE(g_Survey.RealtimeRunning);
    ASSERT_TRUE(FMsg->isVisible());
    QRect bars(FNav->MainMenu1->mapToGlobal(QPoint(0, 0)), FNav->MainMenu1->size());
    for (const QToolBar* bar : {FNav->tRealtime, FNav->tDraw, FNav->tShape})
        bars |= QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == FNav || !w->isVisible()) continue;
        EXPECT_FALSE(w->frameGeometry().intersects(bars)) << w->objectName().toStdString();
    }
    ClickAt(start);
    EXPECT_TRUE(g_Survey.RealtimeRunning);
    EXPECT_EQ(Occurrences(phxtest::ReadAll(EventLogPath()), "Realtime STARTED"), 2u);
    FNav->bRealtimeClick();
    FNav->close();
    FreeApplicationWindows();
    g_LanguageManager.reset();
    ResetSurveyState();
}

}  // namespace
