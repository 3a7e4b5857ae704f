#include "tools/ui/TfTheme.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Styles.h"
#include "tests/support/TempHome.h"

namespace {

// Styles of the test: names with panel colours, one of them refusing.
class FakeStyles {
  public:
    std::vector<std::string> names{"Light", "Dark", "Broken"};
    std::string active = "Light";
    std::vector<std::string> tried;

    ThemeStyles Services() {
        return {[this] { return names; }, [this] { return active; },
                [this](const std::string& name) {
                    tried.push_back(name);
                    if (name == "Broken" || name.empty()) return false;
                    active = name;
                    return true;
                },
                [this]() -> std::uint32_t { return active == "Dark" ? 0x303030 : 0xF0F0F0; }};
    }
};

class TfThemeTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TPlovanCanvas canvas;
    FakeStyles styles;

    std::unique_ptr<TfTheme> Make() {
        auto w = std::make_unique<TfTheme>(&canvas);
        w->Styles = styles.Services();
        return w;
    }

    static std::string StoredTheme() {
        platform::IniFile::DropCachedModels();
        const platform::IniFile ini(SettingsFilePath());
        return ini.ReadString("APPLICATION", "ThemeStyle", "<missing>");
    }

    static void ClickRow(TfTheme& w, int row) {
        w.lbThemeList->setCurrentRow(row);
        w.lbThemeListClick();
    }
};

}  // namespace

TEST_F(TfThemeTest, ShowListsTheStylesAndSelectsTheActiveOneWithoutPreview) {
    const auto w = Make();
    styles.active = "Dark";
    w->show();
    EXPECT_EQ(w->windowTitle(), "Theme Selection");
    EXPECT_EQ(w->lInfo->text(), "Available themes: 3. Select to preview.");
    ASSERT_EQ(w->lbThemeList->count(), 3);
    EXPECT_EQ(w->lbThemeList->currentRow(), 1);
    EXPECT_TRUE(styles.tried.empty());
    EXPECT_EQ(g_ThemeStyleAtShow, "Dark");
}

TEST_F(TfThemeTest, ActiveStyleMissingFromTheListSelectsTheFirstWithoutSwitching) {
    const auto w = Make();
    styles.active = "Plovan HX - Default";
    w->show();
    EXPECT_EQ(w->lbThemeList->currentRow(), 0);
    EXPECT_TRUE(styles.tried.empty());
    EXPECT_EQ(styles.active, "Plovan HX - Default");
}

TEST_F(TfThemeTest, PreviewsThenCancelRestoresTheStyleAndTheCanvasBackground) {
    const auto w = Make();
    w->show();
    ClickRow(*w, 1);
    EXPECT_EQ(styles.active, "Dark");
    EXPECT_EQ(canvas.FBackgroundColor, 0x303030);
    ClickRow(*w, 2);  // refused: the style and the background stay
    EXPECT_EQ(styles.active, "Dark");
    EXPECT_EQ(canvas.FBackgroundColor, 0x303030);
    w->bCancel->click();
    EXPECT_EQ(styles.active, "Light");
    EXPECT_EQ(canvas.FBackgroundColor, 0xF0F0F0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(StoredTheme(), "<missing>");
}

TEST_F(TfThemeTest, SaveAndExitStoresTheSelectedNameOnly) {
    const auto w = Make();
    w->show();
    ClickRow(*w, 1);
    w->bSaveExit->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(StoredTheme(), "Dark");
    EXPECT_EQ(styles.active, "Dark");

    platform::IniFile ini(SettingsFilePath());
    ini.DeleteKey("APPLICATION", "ThemeStyle");
    w->show();
    w->lbThemeList->clearSelection();
    w->bSaveExit->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(StoredTheme(), "<missing>");
}

TEST_F(TfThemeTest, RealStylesOfThePlatform) {
    TfTheme w(&canvas);
    const std::string before = platform::ActiveStyleName();
    w.show();
    EXPECT_EQ(w.lbThemeList->count(), static_cast<int>(platform::StyleNames().size()));
    const auto names = platform::StyleNames();
    const int dark =
        static_cast<int>(std::find(names.begin(), names.end(), "Dark") - names.begin());
    ASSERT_LT(dark, w.lbThemeList->count());
    ClickRow(w, dark);
    EXPECT_EQ(platform::ActiveStyleName(), "Dark");
    EXPECT_EQ(static_cast<std::uint32_t>(canvas.FBackgroundColor), platform::StylePanelColor());
    w.bCancel->click();
    EXPECT_EQ(platform::ActiveStyleName(), before);
}
