#include "navigation/ui/TFNav.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <clocale>
#include <cstdio>
#include <filesystem>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/StatusBar.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Styles.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace {

class TFNavTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;

    void SetUp() override {
        InitDayPaths();
        ResetDisplayValues();
        // The language files of the test, not those beside the executable.
        languages = home.home() + "Languages/";
        std::filesystem::create_directories(languages);
        phxtest::WriteAll(languages + "tr.json", "{\n  \"Start\": \"Başlat\"\n}\n");
        g_LanguageManager = std::make_unique<TLanguageManager>(languages);
    }
    void TearDown() override { g_LanguageManager.reset(); }

    std::string languages;

    static void Store(const char* section, const char* key, const char* value) {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString(section, key, value);
    }

    // The default view 0..1000 by 0..1000, widened in one direction to the
    // canvas's shape.
    static void ExpectDefaultView(const TPlovanCanvas& canvas) {
        EXPECT_LE(canvas.FWorldLeft, 0.0);
        EXPECT_GE(canvas.FWorldRight, 1000.0);
        EXPECT_LE(canvas.FWorldBottom, 0.0);
        EXPECT_GE(canvas.FWorldTop, 1000.0);
        EXPECT_NEAR(canvas.FWorldLeft + canvas.FWorldRight, 1000.0, 1e-6);
        EXPECT_NEAR(canvas.FWorldBottom + canvas.FWorldTop, 1000.0, 1e-6);
        EXPECT_TRUE(canvas.GetViewWidth() == 1000.0 || canvas.GetViewHeight() == 1000.0);
    }

    static platform::IniFile Settings() {
        platform::IniFile::DropCachedModels();
        return platform::IniFile(SettingsFilePath());
    }
};

}  // namespace

TEST_F(TFNavTest, FirstStartWithoutSettingsFile) {
    ASSERT_FALSE(platform::FileExists(SettingsFilePath()));
    g_Display.OverlayDepthColor = 1;
    g_Display.OverlaySpeedColor = 2;
    const StartupSettings settings = ReadStartupSettings();
    EXPECT_EQ(settings.ThemeStyle, "Light");
    EXPECT_EQ(g_Display.OverlayFontSize, 40);
    EXPECT_EQ(g_Display.OverlayDepthColor, 0x800000u);
    EXPECT_EQ(g_Display.OverlaySpeedColor, 0u);
    ApplyStartupTheme(settings.ThemeStyle);
    EXPECT_EQ(platform::ActiveStyleName(), "Light");

    TFNav nav;
    nav.show();
    EXPECT_EQ(nav.windowTitle(), QStringLiteral("Plovan Olcum Masasi - "));
    ASSERT_EQ(nav.sStatusBar->PanelCount(), 7);
    EXPECT_EQ(nav.sStatusBar->PanelText(4), QStringLiteral("EN"));
    EXPECT_EQ(nav.sStatusBar->PanelWidth(4), nav.sStatusBar->TextWidth("EN") + 16);
    EXPECT_TRUE(nav.tScreenshot->isActive());
    EXPECT_EQ(nav.tScreenshot->interval(), 60000);
    EXPECT_FALSE(nav.tMap->isActive());
    EXPECT_FALSE(nav.tEchogram->isActive());
    EXPECT_EQ(nav.tMap->interval(), 200);
    EXPECT_EQ(nav.tEchogram->interval(), 200);
    EXPECT_EQ(nav.bRealtime->text(), QStringLiteral("Start"));
    EXPECT_EQ(nav.bRealtime->width(), 70);
    EXPECT_TRUE(nav.FEchoRawSentences);
    EXPECT_TRUE(nav.CurrentFile().empty());
    ASSERT_NE(nav.fcad, nullptr);
    EXPECT_EQ(nav.fcad->parentWidget(), nav.Panel4);
    EXPECT_EQ(nav.fcad->size(), nav.Panel4->size());
    EXPECT_EQ(nav.fcad->FBackgroundColor, 0xFFFFFF);
    EXPECT_TRUE(nav.fcad->FGridAutoScale);
    EXPECT_EQ(nav.fcad->FDepthSpeedDisplayMode, 0);
    EXPECT_EQ(nav.fcad->FGGAOverlayPosition, 0);
    ExpectDefaultView(*nav.fcad);
    EXPECT_EQ(nav.fcad->FindLayer("~~Plovan Vessel"), g_Survey.VesselLayerId);
    EXPECT_EQ(nav.fcad->FindLayer("Plovan Grid"), g_Survey.GridLayerId);
    for (const std::string& folder :
         {g_DayDir, g_ProjectDir, g_LogDir, g_XyzDir, g_SvpDir, g_DayDir + "JPG", g_DayDir + "MP4"})
        EXPECT_TRUE(platform::DirectoryExists(folder)) << folder;
}

TEST_F(TFNavTest, StoredTurkishLanguage) {
    Store("SETTINGS", "Language", "tr");
    TFNav nav;
    EXPECT_EQ(g_LanguageManager->FLanguage, "tr");
    EXPECT_EQ(nav.sStatusBar->PanelText(4), QStringLiteral("TR"));
    EXPECT_EQ(nav.bRealtime->text(), QStringLiteral("Başlat"));
}

TEST_F(TFNavTest, CreatesTheTranslationManagerWhenThereIsNone) {
    g_LanguageManager.reset();
    TFNav nav;
    ASSERT_NE(g_LanguageManager, nullptr);
    EXPECT_EQ(g_LanguageManager->FLanguage, "en");
    EXPECT_EQ(nav.bRealtime->text(), QStringLiteral("Start"));
}

TEST_F(TFNavTest, ReadersAreCreatedClosedWithTheProgramsLogFormats) {
    TFNav nav;
    nav.show();
    for (TPlovanSerialGPS* reader : {nav.ZGPS1, nav.ZSENSOR}) {
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->parent(), &nav);
        EXPECT_FALSE(reader->FOpen);
        EXPECT_EQ(reader->FTimeFormat, "hhnnsszzz");
        EXPECT_EQ(reader->FDateFormat, "YYYY-MM-DD");
        EXPECT_TRUE(reader->OnNewCommand);
    }
    EXPECT_NE(nav.ZGPS1, nav.ZSENSOR);
    // The sounder is watched by the echogram timer, not by its port events.
    EXPECT_TRUE(nav.ZGPS1->OnConnect && nav.ZGPS1->OnIdle && nav.ZGPS1->OnSend);
    EXPECT_FALSE(nav.ZSENSOR->OnConnect || nav.ZSENSOR->OnDisconnect || nav.ZSENSOR->OnIdle ||
                 nav.ZSENSOR->OnTimeout);
}

// Closing while realtime runs closes both ports; what the NTRIP worker still
// writes to the GNSS port afterwards is dropped.
TEST_F(TFNavTest, CloseClosesBothOpenPorts) {
    phxtest::Pty gnss, sounder;
    ASSERT_TRUE(gnss.ok() && sounder.ok());
    gnss.LinkAsCom(7);
    sounder.LinkAsCom(8);
    TFNav nav;
    nav.show();
    nav.ZGPS1->FPortNumber = 7;
    nav.ZSENSOR->FPortNumber = 8;
    nav.ZGPS1->Open();
    nav.ZSENSOR->Open();
    ASSERT_TRUE(nav.ZGPS1->FOpen && nav.ZSENSOR->FOpen);
    std::vector<int> disconnected;
    nav.ZGPS1->OnDisconnect = [&](TPlovanSerialGPS*, int32_t port) {
        disconnected.push_back(port);
    };
    nav.ZSENSOR->OnDisconnect = [&](TPlovanSerialGPS*, int32_t port) {
        disconnected.push_back(port);
    };
    const auto port = nav.ZGPS1->FHandle;
    nav.close();
    EXPECT_FALSE(nav.ZGPS1->FOpen);
    EXPECT_FALSE(nav.ZSENSOR->FOpen);
    EXPECT_EQ(disconnected, (std::vector<int>{7, 8}));
    port->Write("late correction bytes");
    EXPECT_EQ(gnss.ReadAvailable(), "");
}

TEST_F(TFNavTest, ControlsCarryTheirLayoutNames) {
    TFNav nav;
    EXPECT_EQ(nav.objectName(), QStringLiteral("FNav"));
    for (const char* name : {"tRealtime", "tDraw", "tShape"})
        EXPECT_NE(nav.findChild<QToolBar*>(name), nullptr) << name;
    for (const char* name : {"tMap", "tEchogram", "tScreenshot"})
        EXPECT_NE(nav.findChild<QTimer*>(name), nullptr) << name;
    for (const char* name : {"bRealtime", "bMouseSelect"})
        EXPECT_NE(nav.findChild<QToolButton*>(name), nullptr) << name;
    EXPECT_NE(nav.findChild<QWidget*>("Panel4"), nullptr);
    EXPECT_EQ(nav.findChild<TStatusBar*>("sStatusBar"), nav.statusBar());
    EXPECT_EQ(nav.findChild<QMenuBar*>("MainMenu1"), nav.menuBar());
    for (const char* name : {"TranslationEditor1", "ImportOldPHX1", "English1", "Turkish1",
                             "ClearSatelliteImageCahses1", "ShowSatelliteImage1"})
        EXPECT_NE(nav.findChild<QAction*>(name), nullptr) << name;
}

TEST_F(TFNavTest, OverlayFontSizeThatIsNotAnIntegerGives40) {
    for (const char* stored : {"abc", "", "12.5", "40x"}) {
        Store("OVERLAY_SETTINGS", "FontSize", stored);
        g_Display.OverlayFontSize = 7;
        ReadStartupSettings();
        EXPECT_EQ(g_Display.OverlayFontSize, 40) << stored;
        g_Display.OverlayFontSize = 7;
        TFNav nav;
        EXPECT_EQ(g_Display.OverlayFontSize, 40) << stored;
    }
    Store("OVERLAY_SETTINGS", "FontSize", " 28 ");
    TFNav nav;
    EXPECT_EQ(g_Display.OverlayFontSize, 28);
}

TEST_F(TFNavTest, ScreenshotIntervalTable) {
    struct Case {
        const char* stored;
        bool active;
        int intervalMs;
    };
    for (const Case& c : {Case{"0", false, 0}, Case{"-5", false, 0}, Case{"abc", true, 60000},
                          Case{"5", true, 5000}, Case{"3600", true, 3600000}}) {
        Store("SCREENSHOT", "Interval", c.stored);
        TFNav nav;
        nav.show();
        EXPECT_EQ(nav.tScreenshot->isActive(), c.active) << c.stored;
        if (c.active) {
            EXPECT_EQ(nav.tScreenshot->interval(), c.intervalMs) << c.stored;
        }
        nav.close();
    }
}

TEST_F(TFNavTest, CaptionShowsTheStoredProjectPathEvenWhenTheFileIsGone) {
    Store("FILE", "Last File Saved       ", "/nowhere/VLM/2024-05-01 142501.vlm");
    TFNav nav;
    nav.show();
    EXPECT_EQ(nav.windowTitle(),
              QStringLiteral("Plovan Olcum Masasi - /nowhere/VLM/2024-05-01 142501.vlm"));
    EXPECT_TRUE(nav.CurrentFile().empty());
}

// Left and Top are the corner of the frame, Width and Height the client
// area; three starts in a row give the same numbers and the same view.
TEST_F(TFNavTest, CloseStoresThePlacementAndShowRestoresIt) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placement(area.x() + 30, area.y() + 20, 600, 420);
    ASSERT_TRUE(area.contains(placement.adjusted(0, 0, 20, 40)));  // room for a frame
    double viewLeft = 0, viewRight = 0;
    {
        TFNav nav;
        nav.show();
        QCoreApplication::processEvents();
        nav.resize(placement.size());
        nav.move(placement.topLeft());
        QCoreApplication::processEvents();
        ASSERT_EQ(QRect(nav.pos(), nav.size()), placement);
        viewLeft = nav.fcad->FWorldLeft;
        viewRight = nav.fcad->FWorldRight;
        nav.close();
    }
    for (int start = 1; start <= 3; ++start) {
        {
            const platform::IniFile ini = Settings();
            EXPECT_EQ(ini.ReadInteger("FNav", "WindowState", -1), 0);
            EXPECT_EQ(ini.ReadInteger("FNav", "Left", -1), placement.x());
            EXPECT_EQ(ini.ReadInteger("FNav", "Top", -1), placement.y());
            EXPECT_EQ(ini.ReadInteger("FNav", "Width", -1), placement.width());
            EXPECT_EQ(ini.ReadInteger("FNav", "Height", -1), placement.height());
        }
        TFNav again;
        again.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(QRect(again.pos(), again.size()), placement) << "start " << start;
        EXPECT_NEAR(again.fcad->FWorldLeft, viewLeft, 1e-6) << "start " << start;
        EXPECT_NEAR(again.fcad->FWorldRight, viewRight, 1e-6) << "start " << start;
        again.close();
    }
}

// A placement that does not fit the screen comes back on it, and the close
// stores the healed placement.
TEST_F(TFNavTest, StoredPlacementTooLargeForTheScreenHeals) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    Store("FNav", "Left", "10");
    Store("FNav", "Top", "10");
    Store("FNav", "Width", "100000");
    Store("FNav", "Height", "100000");
    QRect healed;
    {
        TFNav nav;
        nav.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(area.contains(nav.frameGeometry()));
        EXPECT_LE(nav.width(), area.width());
        EXPECT_LE(nav.height(), area.height());
        healed = QRect(nav.pos(), nav.size());
        nav.close();
    }
    const platform::IniFile ini = Settings();
    EXPECT_EQ(ini.ReadInteger("FNav", "Width", -1), healed.width());
    EXPECT_EQ(ini.ReadInteger("FNav", "Height", -1), healed.height());
    EXPECT_EQ(ini.ReadInteger("FNav", "Left", -1), healed.x());
}

TEST_F(TFNavTest, CloseStopsTheTimersAndDisablesStart) {
    TFNav nav;
    nav.show();
    nav.tMap->start();
    nav.tEchogram->start();
    nav.close();
    EXPECT_FALSE(nav.tMap->isActive());
    EXPECT_FALSE(nav.tEchogram->isActive());
    EXPECT_FALSE(nav.tScreenshot->isActive());
    EXPECT_FALSE(nav.bRealtime->isEnabled());
}

// Numbers and dates are written the same whatever the computer's regional
// settings: here a Turkish locale, whose decimal separator is ','.
TEST_F(TFNavTest, NumberAndDateTextUnderATurkishLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "tr_TR.UTF-8"), nullptr) << "locales-all is not installed";
    const QLocale oldDefault;
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    ASSERT_EQ(QLocale().toString(1234.5), QStringLiteral("1.234,5"));
    {
        TFNav nav;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", 1234.5);
        EXPECT_STREQ(buffer, "1234.5");
        EXPECT_EQ(QLocale().toString(1234.5), QStringLiteral("1234.5"));
        EXPECT_EQ(platform::FloatToStr(1234.5), "1234.5");
        EXPECT_EQ(platform::DateTimeToStr({2024, 5, 1, 9, 30, 15, 250}), "2024-05-01 093015250");
        platform::IniFile ini(SettingsFilePath());
        ini.WriteFloat("CANVAS", "PlanWorldLeft", 1234.5);
        EXPECT_EQ(ini.ReadString("CANVAS", "PlanWorldLeft", ""), "1234.5");
    }
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(oldDefault);
}

TEST_F(TFNavTest, StoredBackgroundColour) {
    Store("NAVIGATION_SETTINGS", "BackgroundColor", "12632256");
    {
        TFNav nav;
        EXPECT_EQ(nav.fcad->FBackgroundColor, 0xC0C0C0);
    }
    Store("NAVIGATION_SETTINGS", "BackgroundColor", "grey");
    TFNav nav;
    EXPECT_EQ(nav.fcad->FBackgroundColor, 0xFFFFFF);
}

// The close stores the view; the next start shows it again before any
// position arrives.
TEST_F(TFNavTest, SavedViewComesBackAtTheNextStart) {
    double left = 0, right = 0, top = 0, bottom = 0;
    {
        TFNav nav;
        nav.show();
        QCoreApplication::processEvents();
        const double width = 500.0;
        const double height = width * nav.fcad->height() / nav.fcad->width();
        nav.fcad->SetView(500100.0, 4500100.0 + height, 500100.0 + width, 4500100.0);
        nav.fcad->SetGridAutoScale(false);
        nav.fcad->FDepthSpeedDisplayMode = 2;
        nav.fcad->FGGAOverlayPosition = 3;
        left = nav.fcad->FWorldLeft;
        right = nav.fcad->FWorldRight;
        top = nav.fcad->FWorldTop;
        bottom = nav.fcad->FWorldBottom;
        nav.close();
    }
    {
        const platform::IniFile ini = Settings();
        for (const char* key :
             {"PlanWorldLeft", "PlanWorldRight", "PlanWorldTop", "PlanWorldBottom", "GridAutoScale",
              "DepthSpeedDisplayMode", "GGAOverlayPosition"})
            EXPECT_TRUE(ini.ValueExists("CANVAS", key)) << key;
        EXPECT_EQ(ini.ReadFloat("CANVAS", "PlanWorldLeft", 0), left);
        EXPECT_EQ(ini.ReadString("CANVAS", "GridAutoScale", ""), "0");
        EXPECT_EQ(ini.ReadString("CANVAS", "DepthSpeedDisplayMode", ""), "2");
    }
    TFNav again;
    again.show();
    QCoreApplication::processEvents();
    EXPECT_NEAR(again.fcad->FWorldLeft, left, 1e-6);
    EXPECT_NEAR(again.fcad->FWorldRight, right, 1e-6);
    EXPECT_NEAR(again.fcad->FWorldTop, top, 1e-3);
    EXPECT_NEAR(again.fcad->FWorldBottom, bottom, 1e-3);
    EXPECT_NEAR(again.fcad->FWorldLeft, 500100.0, 1e-6);
    EXPECT_NEAR(again.fcad->FWorldRight, 500600.0, 1e-6);
    EXPECT_FALSE(again.fcad->FGridAutoScale);
    EXPECT_EQ(again.fcad->FDepthSpeedDisplayMode, 2);
    EXPECT_EQ(again.fcad->FGGAOverlayPosition, 3);
}

// Starts and closes of the real main window, each after the events of its
// start have run: the view stored at a close is the view the next start read,
// to the last digit, whatever sizes the window passed through on the way.
TEST_F(TFNavTest, StoredViewSurvivesRestartsExactly) {
    // The four stored edges as the settings file holds them.
    auto stored = [] {
        const platform::IniFile ini = Settings();
        std::string edges;
        for (const char* key :
             {"PlanWorldLeft", "PlanWorldRight", "PlanWorldTop", "PlanWorldBottom"})
            edges += ini.ReadString("CANVAS", key, "") + " ";
        return edges;
    };
    auto settle = [] {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
        }
    };
    {
        TFNav nav;
        nav.show();
        settle();
        nav.fcad->SetView(500100.0, 4500700.0, 501335.0, 4500100.0);
        nav.close();
    }
    const std::string first = stored();
    ASSERT_EQ(first, "500100 501335 4500700 4500100 ");
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("restart " + std::to_string(run + 1));
        TFNav nav;
        nav.show();
        settle();
        // The canvas shows at least the stored view.
        EXPECT_LE(nav.fcad->FWorldLeft, 500100.0);
        EXPECT_GE(nav.fcad->FWorldRight, 501335.0);
        EXPECT_LE(nav.fcad->FWorldBottom, 4500100.0);
        EXPECT_GE(nav.fcad->FWorldTop, 4500700.0);
        // A window resized to another shape and back.
        nav.resize(nav.width() / 2, nav.height());
        settle();
        nav.resize(nav.width() * 2, nav.height());
        settle();
        nav.close();
        EXPECT_EQ(stored(), first);
    }
}

// A view stored by a faulty run (zero span, not finite, not a number) would
// blank the canvas at every start: the default view is shown instead.
TEST_F(TFNavTest, UnusableStoredViewGivesTheDefaultView) {
    const char* views[][4] = {{"500100", "500100", "1000", "0"},
                              {"0", "1e400", "1000", "0"},
                              {"0", "1000", "abc", "0"},
                              {"0", "1000", "1e-9", "0"}};
    for (const auto& v : views) {
        Store("CANVAS", "PlanWorldLeft", v[0]);
        Store("CANVAS", "PlanWorldRight", v[1]);
        Store("CANVAS", "PlanWorldTop", v[2]);
        Store("CANVAS", "PlanWorldBottom", v[3]);
        TFNav nav;
        nav.show();
        QCoreApplication::processEvents();
        SCOPED_TRACE(std::string(v[0]) + " " + v[1] + " " + v[2] + " " + v[3]);
        ExpectDefaultView(*nav.fcad);
    }
}

// The stored last project comes back with the drawing; the vessel symbol and
// grid it holds are cleared, to be drawn anew by the map tick.
TEST_F(TFNavTest, StoredLastProjectIsReopened) {
    const std::string path = g_ProjectDir + "2024-05-01 142501.vlm";
    {
        std::filesystem::create_directories(g_ProjectDir);
        TCanvasModel drawing;
        const int lines = drawing.AddLayer("survey lines");
        drawing.AddLine(0, 0, 100, 100, lines);
        drawing.AddLine(100, 100, 200, 0, lines);
        drawing.AddCircle(10, 10, 5, drawing.AddLayer("~~Plovan Vessel"));
        drawing.AddLine(0, 50, 500, 50, drawing.AddLayer("Plovan Grid"));
        ASSERT_TRUE(drawing.SaveProject(QString::fromStdString(path)));
    }
    Store("FILE", "Last File Saved       ", path.c_str());
    TFNav nav;
    nav.show();
    EXPECT_EQ(nav.CurrentFile(), path);
    EXPECT_EQ(nav.windowTitle(), QString::fromStdString("Plovan Olcum Masasi - " + path));
    EXPECT_EQ(nav.sStatusBar->PanelText(3), QString::fromStdString(g_DayDir));
    const int lines = nav.fcad->FindLayer("survey lines");
    ASSERT_GE(lines, 0);
    int onLines = 0, onVessel = 0, onGrid = 0;
    for (const auto& shape : nav.fcad->FShapes) {
        const int layer = nav.fcad->GetShapeLayer(shape->FId);
        onLines += layer == lines;
        onVessel += layer == g_Survey.VesselLayerId;
        onGrid += layer == g_Survey.GridLayerId;
    }
    EXPECT_EQ(onLines, 2);
    EXPECT_EQ(onVessel, 0);
    EXPECT_EQ(onGrid, 0);
    EXPECT_EQ(nav.fcad->FindLayer("~~Plovan Vessel"), g_Survey.VesselLayerId);
    EXPECT_EQ(nav.fcad->FindLayer("Plovan Grid"), g_Survey.GridLayerId);
    EXPECT_GE(nav.fcad->FindLayer("track_fix"), 0);
}

// A last project that cannot be read leaves the drawing as far as it was
// read; the start goes on with the caption, the layers and the stored view.
TEST_F(TFNavTest, DamagedLastProjectDoesNotStopTheStart) {
    std::filesystem::create_directories(g_ProjectDir);
    const std::string path = g_ProjectDir + "2024-05-01 142501.vlm";
    phxtest::WriteAll(path, std::string("VLM1\x78\x9c\x01\x02garbage", 14));
    Store("FILE", "Last File Saved       ", path.c_str());
    Store("CANVAS", "PlanWorldLeft", "-500");
    TFNav nav;
    nav.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(nav.windowTitle(), QString::fromStdString("Plovan Olcum Masasi - " + path));
    EXPECT_EQ(nav.CurrentFile(), path);
    EXPECT_TRUE(nav.fcad->FShapes.empty());
    EXPECT_EQ(nav.fcad->FindLayer("~~Plovan Vessel"), g_Survey.VesselLayerId);
    EXPECT_LE(nav.fcad->FWorldLeft, -500.0);
}

// A settings file from the Windows program names the project with a drive
// letter: it is opened at the same place below the day folders here, and the
// caption shows the path as stored.
TEST_F(TFNavTest, WindowsPathOfTheLastProjectIsMapped) {
    const std::string windowsPath = "C:\\VLM\\2024-05-01\\VLM\\2024-05-01 142501.vlm";
    const std::string path = platform::MapWindowsPath(windowsPath);
    ASSERT_EQ(path, platform::VlmRoot() + "2024-05-01/VLM/2024-05-01 142501.vlm");
    std::filesystem::create_directories(platform::VlmRoot() + "2024-05-01/VLM");
    {
        TCanvasModel drawing;
        drawing.AddPoint(5, 5, drawing.AddLayer("soundings"));
        ASSERT_TRUE(drawing.SaveProject(QString::fromStdString(path)));
    }
    Store("FILE", "Last File Saved       ", windowsPath.c_str());
    TFNav nav;
    nav.show();
    EXPECT_EQ(nav.CurrentFile(), path);
    EXPECT_EQ(nav.windowTitle(), QString::fromStdString("Plovan Olcum Masasi - " + windowsPath));
    EXPECT_GE(nav.fcad->FindLayer("soundings"), 0);
    EXPECT_EQ(nav.fcad->FShapes.size(), 1u);
}

TEST(ProjectFolder, ParentOfTheFilesFolder) {
    struct Case {
        const char* path;
        const char* folder;
    };
    for (const Case& c :
         {Case{"/home/s/VLM/2024-05-01/VLM/2024-05-01 142501.vlm", "/home/s/VLM/2024-05-01/"},
          Case{"VLM/a.vlm", "VLM/"}, Case{"a.vlm", ""}, Case{"", ""}, Case{"/a.vlm", "/"},
          Case{"/x/a.vlm", "/"}})
        EXPECT_EQ(ProjectFolderOf(c.path), c.folder) << c.path;
}

TEST_F(TFNavTest, SetCurrentFileShowsTheProjectFolderInPanel3) {
    TFNav nav;
    nav.SetCurrentFile("/home/s/VLM/2024-05-01/VLM/2024-05-01 142501.vlm");
    EXPECT_EQ(nav.CurrentFile(), "/home/s/VLM/2024-05-01/VLM/2024-05-01 142501.vlm");
    EXPECT_EQ(nav.sStatusBar->PanelText(3), QStringLiteral("/home/s/VLM/2024-05-01/"));
    EXPECT_EQ(nav.sStatusBar->PanelWidth(3),
              nav.sStatusBar->TextWidth(QStringLiteral("/home/s/VLM/2024-05-01/")) + 20);
}

// Without a canvas the first show and the close still run their other steps.
TEST_F(TFNavTest, FirstShowAndCloseWithoutACanvas) {
    Store("FILE", "Last File Saved", "/nowhere/a.vlm");
    TFNav nav;
    delete nav.fcad;
    nav.fcad = nullptr;
    nav.show();
    EXPECT_EQ(nav.windowTitle(), QStringLiteral("Plovan Olcum Masasi - /nowhere/a.vlm"));
    EXPECT_TRUE(nav.tScreenshot->isActive());
    nav.close();
    const platform::IniFile ini = Settings();
    EXPECT_TRUE(ini.SectionExists("FNav"));
    EXPECT_FALSE(ini.SectionExists("CANVAS"));
}
