// The realtime data window offscreen, with the main window, the device
// settings, navigation settings and echogram windows it acts on.
#include "navigation/ui/TfRealtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "navigation/LogFolder.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/IniFile.h"
#include "platform/Shell.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TNavset.h"

namespace {

namespace fs = std::filesystem;

platform::RecordingShell& Shell() {
    return dynamic_cast<platform::RecordingShell&>(platform::shell());
}

class TfRealtimeTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::unique_ptr<TFNav> nav;

    void SetUp() override {
        InitDayPaths();
        Shell().opened.clear();
    }
    void TearDown() override {
        for (QWidget** w :
             {reinterpret_cast<QWidget**>(&fRealtime), reinterpret_cast<QWidget**>(&fWaterfal),
              reinterpret_cast<QWidget**>(&Navset), reinterpret_cast<QWidget**>(&FGPS),
              reinterpret_cast<QWidget**>(&Offsets)}) {
            delete *w;
            *w = nullptr;
        }
        nav.reset();
    }

    void CreateAll() {
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        Navset = new TNavset(nav->fcad, nav->tMap);
        TFGPSHost host;
        host.LowFrequencyDepth = [](bool shown) {
            if (shown)
                fRealtime->ShowLowFrequencyDepth();
            else
                fRealtime->HideLowFrequencyDepth();
        };
        FGPS = new TFGPS(host);
        fRealtime = new TfRealtime();
        fWaterfal = new TfWaterfal();
    }
};

TEST(LogFolder, DayFolderOfThePortLogOrOfTheStart) {
    const struct {
        const char* portLog;
        const char* logDir;
        const char* opened;
    } cases[] = {
        // Before any Start: the start day's folder, parent of its LOG folder.
        {"", "/h/VLM/2026-12-10/LOG/", "/h/VLM/2026-12-10/"},
        // After a Start past midnight the log keeps the start day's folder.
        {"/h/VLM/2026-12-09/LOG/COM3 2026-12-09.log", "/h/VLM/2026-12-10/LOG/",
         "/h/VLM/2026-12-09/"},
        // A folder without a parent is opened itself.
        {"LOG/COM3.log", "/h/VLM/2026-12-10/LOG/", "LOG/"},
        // A bare name has no folder: the start day's.
        {"COM3.log", "/h/VLM/2026-12-10/LOG/", "/h/VLM/2026-12-10/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogFolderToOpen(c.portLog, c.logDir), c.opened) << c.portLog;
}

TEST_F(TfRealtimeTest, LayoutControlsAndFirstTexts) {
    TfRealtime w;
    EXPECT_EQ(w.objectName(), "fRealtime");
    EXPECT_EQ(w.windowTitle(), "Realtime Data");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.size(), QSize(192, 382));
    for (const char* name :
         {"Panel1", "ToolBar1", "btHide", "ToolButton2", "ToolButton3", "btOpenLogFolder",
          "btShowOffsets", "GPSGroupBox", "DepthFrameHi", "DepthFrameLo"})
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    for (const char* name :
         {"Fixed", "Speed", "SatelliteLabel", "LAntennaH", "LTideHt", "lDepthHi", "lDepthLo"}) {
        auto* label = w.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), "---") << name;
    }
    EXPECT_EQ(w.btHide->toolTip(), "Hide Window");
    EXPECT_EQ(w.ToolButton2->toolTip(), "Navigation Settings");
    EXPECT_EQ(w.ToolButton3->toolTip(), "GPS Settings");
    EXPECT_EQ(w.btOpenLogFolder->toolTip(), "Open Log Folder");
    EXPECT_EQ(w.btShowOffsets->toolTip(), "Show Offsets");
    EXPECT_EQ(w.btHide->size(), QSize(30, 26));
    EXPECT_EQ(w.GPSGroupBox->title(), " GPS Status ");
    EXPECT_EQ(w.DepthFrameHi->title(), " Depth (High Freq.) ");
    EXPECT_EQ(w.DepthFrameLo->title(), " Depth (Low Freq.) ");
    EXPECT_EQ(TfRealtime::BoxColor(w.DepthFrameHi), 0x00FF00);
    EXPECT_EQ(TfRealtime::BoxColor(w.DepthFrameLo), 0x00FFFF);
    EXPECT_TRUE(w.lDepthHi->font().bold());
    EXPECT_EQ(w.lDepthHi->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(w.HideImageIndex(), 0);
}

TEST_F(TfRealtimeTest, EveryShowRestoresThePositionOnly) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteInteger("fRealtime", "Left", 70);
        ini.WriteInteger("fRealtime", "Top", 50);
        ini.WriteInteger("fRealtime", "Width", 600);
        ini.WriteInteger("fRealtime", "Height", 600);
    }
    TfRealtime w;
    w.show();
    EXPECT_EQ(w.pos(), QPoint(70, 50));
    EXPECT_EQ(w.size(), QSize(192, 382));
    w.move(200, 200);
    w.hide();
    w.show();
    EXPECT_EQ(w.pos(), QPoint(70, 50));
}

TEST_F(TfRealtimeTest, DepthLayoutsChangeOnlyWhenNeeded) {
    TfRealtime w;
    ASSERT_TRUE(w.DepthFrameLo->isHidden());
    w.HideLowFrequencyDepth();  // already hidden: the height stays
    EXPECT_EQ(w.ClientHeight(), 382);
    w.ShowLowFrequencyDepth();
    EXPECT_FALSE(w.DepthFrameLo->isHidden());
    EXPECT_EQ(w.ClientHeight(), 387);
    w.SetClientHeight(300);
    w.ShowLowFrequencyDepth();  // already shown
    EXPECT_EQ(w.ClientHeight(), 300);
    w.HideLowFrequencyDepth();
    EXPECT_TRUE(w.DepthFrameLo->isHidden());
    EXPECT_EQ(w.ClientHeight(), 289);
    w.SetClientHeight(300);
    w.HideLowFrequencyDepth();
    EXPECT_EQ(w.ClientHeight(), 300);
}

TEST_F(TfRealtimeTest, StoredTwoDepthTypeReachesTheLayoutAfterTheOneShot) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("SENSOR COMUNICATION SETTINGS", "cSBESMessage", "Plovan XDR H/L");
    }
    platform::IniFile::DropCachedModels();
    CreateAll();
    ASSERT_EQ(FGPS->SBESMessageText(), "Plovan XDR H/L");
    ASSERT_NE(fRealtime->Timer1, nullptr);
    EXPECT_EQ(fRealtime->Timer1->interval(), 10000);
    EXPECT_TRUE(fRealtime->Timer1->isSingleShot());
    fRealtime->Timer1->setInterval(20);
    ASSERT_TRUE(phxtest::PumpEventsUntil([] { return fRealtime->Timer1 == nullptr; }, 5000));
    EXPECT_FALSE(fRealtime->DepthFrameLo->isHidden());
    EXPECT_EQ(fRealtime->ClientHeight(), 387);
}

TEST_F(TfRealtimeTest, TheOneShotKeepsTheStoredFormat) {
    // Only the surveyor's choice of a type replaces the format edit: an
    // "OTHER" format equal to a listed one, the surveyor's own and a listed
    // type's hand-edited one all come through start-up as stored.
    const struct {
        const char *type, *format;
        bool twoDepths;
    } cases[] = {{"OTHER", "%*6s,%lf", false},
                 {"OTHER", "%*[^,],%lf", false},
                 {"NMEA DPT", "%*7s,%lf", false},
                 {"Plovan XDR H/L", "%*9s,%lf,%*9s,%lf", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        {
            platform::IniFile ini(SettingsFilePath());
            ini.WriteString("SENSOR COMUNICATION SETTINGS", "cSBESMessage", c.type);
            ini.WriteString("SENSOR COMUNICATION SETTINGS", "eSBESFormat", c.format);
        }
        platform::IniFile::DropCachedModels();
        CreateAll();
        ASSERT_EQ(FGPS->eSBESFormat->text(), c.format);
        fRealtime->Timer1->setInterval(20);
        ASSERT_TRUE(phxtest::PumpEventsUntil([] { return fRealtime->Timer1 == nullptr; }, 5000));
        EXPECT_EQ(FGPS->eSBESFormat->text(), c.format);
        EXPECT_EQ(fRealtime->DepthFrameLo->isHidden(), !c.twoDepths);
        TearDown();
    }
}

TEST_F(TfRealtimeTest, CompactModeAndEscapeBack) {
    CreateAll();
    nav->show();
    Navset->show();
    fRealtime->show();
    const QSize before = nav->size();
    fRealtime->btHide->click();
    EXPECT_EQ(fRealtime->HideImageIndex(), 1);
    for (QWidget* w : std::initializer_list<QWidget*>{nav->tRealtime, nav->tDraw, nav->tShape,
                                                      nav->MainMenu1, Navset, fRealtime})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(nav->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(nav->isVisible());
    // The menu bar is hidden, not freed: its items still work.
    EXPECT_EQ(nav->menuBar(), nav->MainMenu1);
    EXPECT_NE(nav->findChild<QAction*>("About1"), nullptr);

    // Escape aimed at a control inside the main window leaves compact mode.
    nav->fcad->setFocus();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(nav->fcad, &escape);
    EXPECT_EQ(fRealtime->HideImageIndex(), 0);
    for (QWidget* w : std::initializer_list<QWidget*>{nav->tRealtime, nav->tDraw, nav->tShape,
                                                      nav->MainMenu1, Navset, fRealtime})
        EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_FALSE(nav->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(nav->isVisible());
    // The sounder is closed: the echogram stays hidden.
    EXPECT_TRUE(fWaterfal->isHidden());
    EXPECT_EQ(nav->size(), before);
    // Escape outside compact mode changes nothing.
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(nav->fcad, &again);
    EXPECT_EQ(fRealtime->HideImageIndex(), 0);
    EXPECT_FALSE(fRealtime->isHidden());
}

TEST_F(TfRealtimeTest, RestoredWithTheSounderRunningTheEchogramComesBack) {
    CreateAll();
    nav->show();
    fRealtime->show();
    phxtest::Pty pty;
    pty.LinkAsCom(4);
    nav->ZSENSOR->FPortNumber = 4;
    nav->ZSENSOR->Open();
    ASSERT_TRUE(nav->ZSENSOR->FOpen);
    nav->tEchogram->start();
    fWaterfal->show();
    fRealtime->btHideClick();
    EXPECT_FALSE(fWaterfal->isVisible());
    fRealtime->btHideClick();
    EXPECT_TRUE(fWaterfal->isVisible());
    // The timer off: the echogram stays hidden.
    fRealtime->btHideClick();
    nav->tEchogram->stop();
    fRealtime->btHideClick();
    EXPECT_FALSE(fWaterfal->isVisible());
    nav->ZSENSOR->Close();
}

TEST_F(TfRealtimeTest, OtherImageIndexDoesNothing) {
    CreateAll();
    nav->show();
    fRealtime->show();
    fRealtime->SetHideImageIndex(2);
    fRealtime->btHideClick();
    EXPECT_FALSE(nav->tRealtime->isHidden());
    EXPECT_TRUE(fRealtime->isVisible());
}

TEST_F(TfRealtimeTest, ZoomButtonsZoomAboutTheViewCentre) {
    CreateAll();
    nav->show();
    nav->fcad->SetView(0, 1000, 1000, 0);
    const double width = nav->fcad->GetViewWidth();
    const double centre = (nav->fcad->FWorldLeft + nav->fcad->FWorldRight) / 2;
    fRealtime->ToolButton2->click();
    EXPECT_LT(nav->fcad->GetViewWidth(), width);
    EXPECT_NEAR((nav->fcad->FWorldLeft + nav->fcad->FWorldRight) / 2, centre, 1e-6);
    fRealtime->ToolButton3->click();
    fRealtime->ToolButton3->click();
    EXPECT_GT(nav->fcad->GetViewWidth(), width);
}

TEST_F(TfRealtimeTest, OpenLogFolderBeforeAndAfterStartAndFromTheMenu) {
    CreateAll();
    // Before any Start: the day folder of program start, created.
    fs::remove_all(g_DayDir);
    fRealtime->btOpenLogFolder->click();
    ASSERT_EQ(Shell().opened.size(), 1u);
    EXPECT_EQ(Shell().opened[0], g_DayDir);
    EXPECT_TRUE(fs::is_directory(g_DayDir));
    // A port log named in another day's folder: that day is opened, made
    // with its parents.
    const std::string otherDay = home.home() + "VLM/2026-01-02/";
    nav->ZGPS1->FLogFileName = otherDay + "LOG/COM3.log";
    nav->OpenLogFolder1->trigger();
    ASSERT_EQ(Shell().opened.size(), 2u);
    EXPECT_EQ(Shell().opened[1], otherDay);
    EXPECT_TRUE(fs::is_directory(otherDay));
    EXPECT_EQ(nav->OpenLogFolder1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
}

TEST_F(TfRealtimeTest, ShowOffsetsAndRealtimeWindowMenu) {
    CreateAll();
    Offsets = new TOffsets();
    fRealtime->btShowOffsets->click();
    EXPECT_TRUE(Offsets->isVisible());
    nav->mRealtimeWindow1->trigger();
    EXPECT_TRUE(fRealtime->isVisible());
}

}  // namespace
