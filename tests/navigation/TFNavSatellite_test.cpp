// The main window's satellite map commands on the offscreen platform: the
// toggle from the menu item and the status bar's double-click, with panel 6
// and the stored key, and the emptying of the tile cache in a temporary
// APPDATA (zoom folders, loose files, a nested folder, a link to a folder
// outside, temporary files).
#include <gtest/gtest.h>

#include <QAction>
#include <QMouseEvent>
#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "navigation/SatelliteMap.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;

class TFNavSatelliteTest : public ::testing::Test {
protected:
    phxtest::TempHome home;

    void SetUp() override {
        InitDayPaths();
        g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }
    void TearDown() override {
        platform::SetDialogs(nullptr);
        g_LanguageManager.reset();
    }
    static platform::ScriptedDialogs& Dialogs() {
        return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
    }
    static std::string StoredKey() {
        return platform::IniFile(SettingsFilePath()).ReadString("SETTINGS", "SatelliteMapVisible", "");
    }
};

TEST_F(TFNavSatelliteTest, FirstStartShowsMapOffAndTwoTogglesComeBack) {
    TFNav nav;
    ASSERT_NE(nav.fcad, nullptr);
    EXPECT_FALSE(nav.fcad->GetMapVisible());
    EXPECT_EQ(nav.sStatusBar->PanelText(6), QStringLiteral("MAP: OFF"));
    EXPECT_EQ(nav.sStatusBar->PanelWidth(6), 80);

    nav.ShowSatelliteImage1->trigger();
    EXPECT_TRUE(nav.fcad->GetMapVisible());
    EXPECT_EQ(nav.sStatusBar->PanelText(6), QStringLiteral("MAP: ON"));
    EXPECT_EQ(nav.sStatusBar->PanelWidth(6), nav.sStatusBar->TextWidth("MAP: ON") + 16);
    const std::string first = StoredKey();
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(platform::IniFile(SettingsFilePath()).ReadBool("SETTINGS", "SatelliteMapVisible", false));

    // The status bar's double-click is the same toggle.
    const QPointF at(10, 5);
    QMouseEvent click(QEvent::MouseButtonDblClick, at, nav.sStatusBar->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(nav.sStatusBar, &click);
    EXPECT_FALSE(nav.fcad->GetMapVisible());
    EXPECT_EQ(nav.sStatusBar->PanelText(6), QStringLiteral("MAP: OFF"));
    EXPECT_FALSE(platform::IniFile(SettingsFilePath()).ReadBool("SETTINGS", "SatelliteMapVisible", true));
    nav.ShowSatelliteImage1Click();
    nav.ShowSatelliteImage1Click();
    EXPECT_FALSE(nav.fcad->GetMapVisible());

    // The stored state is applied at the next start.
    nav.ShowSatelliteImage1Click();
    TFNav again;
    EXPECT_TRUE(again.fcad->GetMapVisible());
    EXPECT_EQ(again.sStatusBar->PanelText(6), QStringLiteral("MAP: ON"));
    EXPECT_EQ(again.sStatusBar->PanelWidth(6), 80);
}

TEST_F(TFNavSatelliteTest, FewerThanSevenPanelsStillToggle) {
    TFNav nav;
    auto* bar = new TStatusBar(&nav);
    bar->AddPanel();
    bar->AddPanel();
    nav.sStatusBar = bar;
    nav.ShowSatelliteImage1Click();
    EXPECT_TRUE(nav.fcad->GetMapVisible());
    EXPECT_EQ(bar->PanelCount(), 2);
    EXPECT_TRUE(platform::IniFile(SettingsFilePath()).ReadBool("SETTINGS", "SatelliteMapVisible", false));
}

TEST_F(TFNavSatelliteTest, ClearingEmptiesTheCacheButTouchesNothingOutsideIt) {
    const std::string cache = home.appData() + "Plovan/PHX/MapCache/";
    const std::string outside = home.home() + "elsewhere/";
    for (const std::string& folder : {cache + "15/", cache + "16/", cache + "17/nested/", outside})
        fs::create_directories(folder);
    for (const std::string& file :
         {cache + "15/1_2.jpg", cache + "15/.1_3.jpg.part7", cache + "16/5_5.jpg", cache + "loose.jpg",
          cache + ".2_2.jpg.part1", cache + "17/9_9.jpg", cache + "17/nested/x.jpg", outside + "keep.jpg"})
        phxtest::WriteAll(file, "x");
    fs::create_directory_symlink(outside, cache + "link");
    fs::create_directory_symlink(outside, cache + "16/inner-link");

    TFNav nav;
    ASSERT_EQ(nav.fcad->TileCacheFolder(), cache);
    nav.ClearSatelliteImageCahses1->trigger();
    EXPECT_EQ(Dialogs().messages, QStringList{"Satellite image cache cleared."});

    std::vector<std::string> left;
    for (fs::recursive_directory_iterator it(cache), end; it != end; ++it)
        left.push_back(fs::relative(it->path(), cache).string());
    std::sort(left.begin(), left.end());
    // The nested folder stays, and so does the zoom folder that holds it.
    EXPECT_EQ(left, (std::vector<std::string>{"17", "17/nested", "17/nested/x.jpg"}));
    EXPECT_TRUE(fs::exists(outside + "keep.jpg"));
    EXPECT_TRUE(fs::is_directory(cache));
}

TEST_F(TFNavSatelliteTest, AMissingFolderStillGivesTheMessage) {
    TFNav nav;
    ASSERT_FALSE(fs::exists(nav.fcad->TileCacheFolder()));
    nav.ClearSatelliteImageCahses1Click();
    EXPECT_EQ(Dialogs().messages, QStringList{"Satellite image cache cleared."});
    EXPECT_FALSE(fs::exists(nav.fcad->TileCacheFolder()));
}

TEST_F(TFNavSatelliteTest, AfterClearingNothingIsLeftInMemory) {
    TFNav nav;
    const std::string file = nav.fcad->TileCacheFolder() + "15/3_4.jpg";
    fs::create_directories(fs::path(file).parent_path());
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(Qt::darkGreen);
    ASSERT_TRUE(tile.save(QString::fromStdString(file), "JPG"));
    ASSERT_NE(nav.fcad->GetTile(15, 3, 4), nullptr);
    EXPECT_EQ(nav.fcad->FTileCache.Size(), 1u);
    nav.ClearSatelliteImageCahses1Click();
    EXPECT_EQ(nav.fcad->FTileCache.Size(), 0u);
    EXPECT_FALSE(fs::exists(file));
}

TEST(ClearTileCacheFolder, RefusesRootAndRelativeFolders) {
    EXPECT_FALSE(ClearTileCacheFolder(""));
    EXPECT_FALSE(ClearTileCacheFolder("/"));
    EXPECT_FALSE(ClearTileCacheFolder("relative/cache/"));
    EXPECT_FALSE(ClearTileCacheFolder("/no/such/folder/anywhere/"));
}

TEST(SatelliteTileOptions, TheServerComesFromTheSettings) {
    phxtest::TempHome home;
    platform::IniFile ini(home.appData() + "x.ini");
    EXPECT_EQ(SatelliteTileOptions(ini).server, "");
    ini.WriteString("SETTINGS", "SatelliteTileServer", "http://127.0.0.1:8080");
    EXPECT_EQ(SatelliteTileOptions(ini).server, "http://127.0.0.1:8080");
}

}  // namespace
