#include "navigation/ui/ProgramEntry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/LanguageManager.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Styles.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"
#include "tools/ui/TfTheme.h"

namespace {

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

void Store(const char* section, const char* key, const char* value) {
    platform::IniFile ini(SettingsFilePath());
    ini.WriteString(section, key, value);
}

}  // namespace

TEST(ProgramEntry, OverlaySettingsReadAtStart) {
    phxtest::TempHome home;
    Store("OVERLAY_SETTINGS", "FontSize", "36");
    Store("OVERLAY_SETTINGS", "DepthColor", "255");
    Store("OVERLAY_SETTINGS", "SpeedColor", "65280");
    Store("APPLICATION", "ThemeStyle", "Dark");
    ResetDisplayValues();
    EXPECT_EQ(ReadStartupSettings().ThemeStyle, "Dark");
    EXPECT_EQ(g_Display.OverlayFontSize, 36);
    EXPECT_EQ(g_Display.OverlayDepthColor, 255u);
    EXPECT_EQ(g_Display.OverlaySpeedColor, 65280u);

    Store("OVERLAY_SETTINGS", "DepthColor", "navy");
    Store("OVERLAY_SETTINGS", "SpeedColor", "");
    ReadStartupSettings();
    EXPECT_EQ(g_Display.OverlayDepthColor, 0x800000u);
    EXPECT_EQ(g_Display.OverlaySpeedColor, 0u);
}

TEST(ProgramEntry, ThemeSwitch) {
    Dialogs().messages.clear();
    ApplyStartupTheme("Dark");
    EXPECT_EQ(platform::ActiveStyleName(), "Dark");
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(45, 45, 48));
    // The default theme is not switched to: the style in use stays.
    ApplyStartupTheme("Plovan HX - Default");
    EXPECT_EQ(platform::ActiveStyleName(), "Dark");
    // An unknown theme says so once and keeps the style.
    ApplyStartupTheme("Carbon");
    EXPECT_EQ(platform::ActiveStyleName(), "Dark");
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], QStringLiteral("Style 'Carbon' not found."));
    ApplyStartupTheme("Light");
    EXPECT_EQ(platform::ActiveStyleName(), "Light");
    EXPECT_TRUE(platform::TrySetStyle("Plovan HX - Default"));
    EXPECT_EQ(platform::ActiveStyleName(), "Plovan HX - Default");
    Dialogs().messages.clear();
}

// The whole run in this process: windows made, main window shown, the message
// loop until the main window closes, windows freed, 0 returned.
TEST(ProgramEntry, RunShowsTheMainWindowAndEndsWhenItCloses) {
    phxtest::TempHome home;
    InitDayPaths();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    bool wasShown = false;
    QTimer::singleShot(100, [&] {
        ASSERT_NE(FNav, nullptr);
        wasShown = FNav->isVisible();
        FNav->close();
    });
    StartupSettings settings;
    EXPECT_EQ(RunProgram(*qApp, settings), 0);
    EXPECT_TRUE(wasShown);
    EXPECT_EQ(FNav, nullptr);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Plovan HX"));
    EXPECT_EQ(platform::ActiveStyleName(), "Light");
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    EXPECT_TRUE(ini.SectionExists("FNav"));
    g_LanguageManager.reset();
}

// Closing the main window ends the program even while another window of it
// is still open, as the main window of the class library does.
TEST(ProgramEntry, ClosingTheMainWindowEndsTheRunWhileOtherWindowsAreOpen) {
    phxtest::TempHome home;
    InitDayPaths();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    QWidget other;
    other.show();
    bool hung = false;
    QTimer closeMain;
    closeMain.setSingleShot(true);
    QObject::connect(&closeMain, &QTimer::timeout, [] {
        if (FNav) FNav->close();
    });
    closeMain.start(100);
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        hung = true;
        other.close();
    });
    safety.start(5000);
    StartupSettings settings;
    EXPECT_EQ(RunProgram(*qApp, settings), 0);
    EXPECT_FALSE(hung);
    EXPECT_EQ(FNav, nullptr);
    g_LanguageManager.reset();
}

// The device settings window is made after the main window and reaches it:
// Apply fills the main window's readers, the first show fills the screenshot
// interval, the grid box decides the canvas's auto-scale over the stored
// canvas key, and the main window's close hides it.
TEST(ProgramEntry, DeviceSettingsWindowJoinsTheMainWindow) {
    phxtest::TempHome home;
    InitDayPaths();
    ResetDisplayValues();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    Store("SCREENSHOT", "Interval", "300");
    Store("CANVAS", "GridAutoScale", "1");
    Store("GRID_SETTINGS", "AutoGrid", "0");
    Store("GPS1 COMUNICATION SETTINGS", "Port No", "COM4");
    CreateApplicationWindows();
    ASSERT_NE(FNav, nullptr);
    ASSERT_NE(FGPS, nullptr);
    EXPECT_TRUE(FGPS->GPSSetClick());
    EXPECT_EQ(FNav->ZGPS1->FPortNumber, 4);
    FNav->show();
    EXPECT_EQ(FGPS->eScreenshotInterval->text(), "300");
    EXPECT_EQ(FNav->tScreenshot->interval(), 300000);
    EXPECT_EQ(FNav->fcad->FGridAutoScale, 0);
    FGPS->show();
    FNav->close();
    EXPECT_FALSE(FGPS->isVisible());
    platform::IniFile::DropCachedModels();
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("CANVAS", "GridAutoScale", 9), 0);
    FreeApplicationWindows();
    EXPECT_EQ(FGPS, nullptr);
    EXPECT_EQ(FNav, nullptr);
    g_LanguageManager.reset();
}

// The settings windows of the survey loop: made after the main window, the
// navigation settings visible at once with the map timer at their rate, the
// offsets window shown by the main window's first show, both closed (and
// their sections and placements stored) by its close.
TEST(ProgramEntry, LiveSettingsWindowsInTheirPlaces) {
    phxtest::TempHome home;
    InitDayPaths();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    CreateApplicationWindows();
    ASSERT_NE(FNav, nullptr);
    for (QWidget* window :
         std::initializer_list<QWidget*>{Navset, FShape, FMsg, Offsets, fLatency, fTheme})
        ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Navset->isVisible());
    EXPECT_EQ(FNav->tMap->interval(), 500);
    for (QWidget* window : std::initializer_list<QWidget*>{FShape, FMsg, Offsets, fLatency, fTheme})
        EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();

    FNav->show();
    EXPECT_TRUE(Offsets->isVisible());
    Navset->TrackDistance->setText("25");
    FNav->close();
    EXPECT_FALSE(Navset->isVisible());
    EXPECT_FALSE(Offsets->isVisible());
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    EXPECT_EQ(ini.ReadString("NAVIGATION_SETTINGS", "TrackDistance", ""), "25");
    EXPECT_EQ(ini.ReadString("NAVIGATION_SETTINGS", "VesselColor", ""), "8388608");
    EXPECT_TRUE(ini.SectionExists("Navset"));
    EXPECT_TRUE(ini.SectionExists("Offsets"));

    FreeApplicationWindows();
    EXPECT_EQ(Navset, nullptr);
    EXPECT_EQ(Offsets, nullptr);
    EXPECT_EQ(fTheme, nullptr);
    EXPECT_EQ(FNav, nullptr);
    g_LanguageManager.reset();
}
