// Switching the user interface between English and Turkish on the real main
// window, with a fixture language file: the captions that change, those
// that never do, and the stored choice.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolButton>
#include <filesystem>

#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TPlovanNumericKeypad.h"

namespace {

class TFNavLanguages : public ::testing::Test {
  protected:
    phxtest::TempHome home;

    void SetUp() override {
        InitDayPaths();
        ResetDisplayValues();
        g_Survey.RealtimeRunning = false;
        const std::string languages = home.home() + "Languages/";
        std::filesystem::create_directories(languages);
        phxtest::WriteAll(languages + "tr.json", R"({
  "Start": "Başlat",
  "Stop": "Durdur",
  "Open": "Aç",
  "Help": "Yardım",
  "Languages": "Diller",
  "Turkish": "Türkçe",
  "Extents": "Sınırlar",
  "Back": "Geri",
  "Draft": "Su çekimi",
  "Offsets Essential for Post Processing / Recovery": "Ofsetler"
})");
        g_LanguageManager = std::make_unique<TLanguageManager>(languages);
    }
    void TearDown() override {
        g_LanguageManager.reset();
        g_Survey.RealtimeRunning = false;
    }

    // Every caption the walk may touch, in a fixed order.
    static QStringList Captions(TFNav& nav) {
        QStringList all;
        for (const QAction* action : nav.findChildren<QAction*>()) all << action->text();
        for (const QMenu* menu : nav.findChildren<QMenu*>()) all << menu->title();
        for (const QAbstractButton* button : nav.findChildren<QAbstractButton*>())
            all << button->text();
        for (const QLabel* label : nav.findChildren<QLabel*>()) all << label->text();
        return all;
    }

    static QToolButton* Button(TFNav& nav, const char* name) {
        return nav.findChild<QToolButton*>(QString::fromLatin1(name));
    }
};

TEST_F(TFNavLanguages, SwitchesBackAndForthGiveTheSameCaptions) {
    TFNav nav;
    nav.show();
    const QStringList english = Captions(nav);
    nav.Turkish1Click();
    const QStringList turkish = Captions(nav);
    EXPECT_NE(turkish, english);
    EXPECT_EQ(nav.Languages1->title(), "Diller");
    EXPECT_EQ(nav.Turkish1->text(), QString::fromUtf8("Türkçe"));
    EXPECT_EQ(nav.bRealtime->text(), QString::fromUtf8("Başlat"));
    EXPECT_EQ(Button(nav, "bOpen")->text(), QString::fromUtf8("Aç"));
    nav.English1Click();
    EXPECT_EQ(Captions(nav), english);
    nav.Turkish1Click();
    EXPECT_EQ(Captions(nav), turkish);
}

TEST_F(TFNavLanguages, ToolBarButtonsAndStatusPanelsKeepTheirTexts) {
    TFNav nav;
    nav.show();
    QToolButton* extents = Button(nav, "Zoomextents");
    ASSERT_NE(extents, nullptr);
    nav.sStatusBar->SetPanelText(0, "Open");
    nav.Turkish1Click();
    EXPECT_EQ(extents->text(), "Extents") << "not a fixed tool-button text";
    EXPECT_EQ(nav.sStatusBar->PanelText(0), "Open");
    EXPECT_EQ(nav.sStatusBar->PanelText(4), "TR");
}

TEST_F(TFNavLanguages, StopWhileRealtimeRunsAndTheChoiceIsStored) {
    {
        TFNav nav;
        nav.show();
        g_Survey.RealtimeRunning = true;
        nav.Turkish1Click();
        EXPECT_EQ(nav.bRealtime->text(), "Durdur");
        platform::IniFile::DropCachedModels();
        EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadString("SETTINGS", "Language", ""),
                  "tr");
        g_Survey.RealtimeRunning = false;
        nav.close();
    }
    g_LanguageManager->SetLanguage("en");
    TFNav again;
    again.show();
    EXPECT_EQ(g_LanguageManager->FLanguage, "tr");
    EXPECT_EQ(again.bRealtime->text(), QString::fromUtf8("Başlat"));
}

TEST_F(TFNavLanguages, WindowsKeepTheirEnteredTextsAndKeysStillWork) {
    TFNav nav;
    TOffsets offsets;
    Offsets = &offsets;
    nav.show();
    QLineEdit* draft = offsets.findChild<QLineEdit*>("OffsetA");
    ASSERT_NE(draft, nullptr);
    draft->setText("Back");  // an entered text that is also a key
    nav.ShowNumericKeypad(draft);
    nav.Turkish1Click();
    EXPECT_EQ(offsets.windowTitle(), "Ofsetler");
    EXPECT_EQ(draft->text(), "Back");
    QToolButton* back = nav.FNumericKeypad->Buttons()[9];
    EXPECT_EQ(back->text(), "Geri");
    back->click();
    EXPECT_EQ(draft->text(), "Bac");
    Offsets = nullptr;
}

}  // namespace
