#include "navigation/ui/TOffsets.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/TFNav.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TfSVP.h"

namespace {

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

// Local time three hours ahead of UTC, without daylight saving.
class TurkeyTime {
  public:
    TurkeyTime() {
        if (const char* tz = std::getenv("TZ")) had_ = true, old_ = tz;
        setenv("TZ", "<+03>-3", 1);
        tzset();
    }
    ~TurkeyTime() {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    bool had_ = false;
    std::string old_;
};

class TOffsetsTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TurkeyTime zone;
    std::unique_ptr<TFNav> nav;
    int realtimeClicks = 0;

    void SetUp() override {
        platform::SetClockForTesting([] { return platform::DateTime{2025, 3, 7, 12, 30, 5, 123}; });
        InitDayPaths();
        ResetSurveyState();
        Dialogs().messages.clear();
        const std::string languages = home.home() + "Languages/";
        std::filesystem::create_directories(languages);
        g_LanguageManager = std::make_unique<TLanguageManager>(languages);
        nav = std::make_unique<TFNav>();
        FNav = nav.get();
        QObject::connect(nav->bRealtime, &QToolButton::clicked, [this] { ++realtimeClicks; });
    }
    void TearDown() override {
        FNav = nullptr;
        nav.reset();
        g_LanguageManager.reset();
        platform::SetClockForTesting({});
    }

    static void Fill(TOffsets& w) {
        w.OffsetA->setText("0.50");
        w.OffsetB->setText("2.00");
        w.OffsetC->setText("1.50");
        w.SV->setText("1500");
        w.TideHt->setText("0.3");
        w.Location->setText("Haliç");
        w.SurveyBoat->setText("Plovan 1");
        w.Surveyor->setText("Ayşe");
    }

    static std::string Stored(const char* key) {
        platform::IniFile::DropCachedModels();
        const platform::IniFile ini(SettingsFilePath());
        return ini.ReadString("ECHOSOUNDER_OFFSETS", key, "<missing>");
    }
};

}  // namespace

TEST_F(TOffsetsTest, LayoutAndTheUtcClock) {
    TOffsets w;
    EXPECT_EQ(w.objectName(), "Offsets");
    EXPECT_EQ(w.windowTitle(), "Offsets Essential for Post Processing / Recovery");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    for (const char* name :
         {"OffsetA", "OffsetB", "OffsetC", "SV", "TideHt", "Location", "SurveyBoat", "Surveyor",
          "Label7", "time", "bSVP", "BitBtn3", "BitBtn1", "bNTRIPShow", "Timer1"})
        EXPECT_NE(w.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(w.Label7->text(), "Date and Time (UTC)");
    EXPECT_EQ(w.BitBtn1->text(), "Realtime");
    EXPECT_EQ(w.BitBtn3->text(), "Cancel");
    EXPECT_EQ(w.Timer1->interval(), 1000);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.time->text(), "2025-03-07 093005123");
    // The double click sets the window's outer height, its frame included.
    w.show();
    QApplication::processEvents();
    ASSERT_GT(w.frameGeometry().height(), w.height()) << "a platform that frames windows";
    w.FormDblClick();
    EXPECT_EQ(w.frameGeometry().height(), 410);
}

TEST_F(TOffsetsTest, EveryShowReloadsTheStoredValues) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("ECHOSOUNDER_OFFSETS", "Offset A     ", "0.7");
        ini.WriteString("ECHOSOUNDER_OFFSETS", "SV           ", "1490");
        ini.WriteString("ECHOSOUNDER_OFFSETS", "SurveyLocation", "Bosphorus");
    }
    TOffsets w;
    w.show();
    EXPECT_EQ(w.OffsetA->text(), "0.7");
    EXPECT_EQ(w.SV->text(), "1490");
    EXPECT_EQ(w.Location->text(), "Bosphorus");
    EXPECT_EQ(w.OffsetB->text(), "");
    EXPECT_EQ(w.Values().Draft.Get(), 0.7);
    EXPECT_EQ(w.Values().SoundVelocity.Get(), 1490);
    EXPECT_FALSE(w.Values().AntennaOffset.Get());
    w.OffsetA->setText("9");
    w.BitBtn3->click();
    EXPECT_FALSE(w.isVisible());
    platform::IniFile::DropCachedModels();
    EXPECT_TRUE(platform::IniFile(SettingsFilePath()).ValueExists("Offsets", "Left"));
    EXPECT_EQ(Stored("Offset A"), "0.7");  // Cancel stores no value
    EXPECT_EQ(w.OffsetA->text(), "9");
    w.show();
    EXPECT_EQ(w.OffsetA->text(), "0.7");
}

TEST_F(TOffsetsTest, RealtimeLogsStoresStartsRealtimeAndCloses) {
    TOffsets w;
    w.show();
    Fill(w);
    g_Survey.TrackDeleteLock = false;
    w.BitBtn1->click();
    EXPECT_TRUE(Dialogs().messages.isEmpty()) << Dialogs().messages.join("|").toStdString();
    EXPECT_EQ(phxtest::ReadAll(OffsetsLogPath()),
              "\r\n\r\nPlovan Survey Desk - offsets essential for post processing\r\n"
              "Time..............................\t=2025-03-07 093005123\r\n"
              "Survey Location...................\t=Haliç\r\n"
              "Survey Boat.......................\t=Plovan 1\r\n"
              "Transducer Draft (A)..............\t=0.50\r\n"
              "Transducer - Antenna Offset (B)...\t=2.00\r\n"
              "Antenna Height Above Water (C)....\t=1.50\r\n"
              "Sound Velocity....................\t=1500\r\n"
              "Tide Height.......................\t=0.3\r\n"
              "Surveyor..........................\t=Ayşe");
    EXPECT_EQ(Stored("Offset A"), "0.50");
    EXPECT_EQ(Stored("Time"), "2025-03-07 093005123");
    EXPECT_EQ(Stored("SurveyLocation"), "Haliç");
    EXPECT_EQ(realtimeClicks, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(g_Survey.TrackDeleteLock);
}

TEST_F(TOffsetsTest, WithTheProfileOnTheLogNamesIt) {
    fSVP = new TfSVP();
    fSVP->mSVPColumn->setPlainText("1500\n1501\n1502");
    fSVP->cUseSVP->setChecked(true);
    ASSERT_TRUE(fSVP->cUseSVP->isChecked());
    TOffsets w;
    w.show();
    Fill(w);
    w.BitBtn1->click();
    const std::string log = phxtest::ReadAll(OffsetsLogPath());
    EXPECT_NE(log.find("Sound Velocity....................\t=Sound velocity profile used\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(Stored("SV"), "1500");  // the edit's text is still stored
    delete fSVP;
    fSVP = nullptr;
}

TEST_F(TOffsetsTest, TwoPressesInTurkishAppendTwoBlocksAndRunningRealtimeIsNotToggled) {
    g_LanguageManager->FLanguage = "tr";
    TOffsets w;
    w.show();
    Fill(w);
    g_Survey.RealtimeRunning = true;
    nav->bRealtime->setChecked(false);  // a GNSS port that never connected
    w.BitBtn1->click();
    w.show();
    Fill(w);
    w.BitBtn1->click();
    EXPECT_EQ(realtimeClicks, 0);
    const std::string log = phxtest::ReadAll(OffsetsLogPath());
    const std::string first = "\r\n\r\nPlovan Olcum Masasi - veri işleme için gerekli değerler\r\n";
    ASSERT_EQ(log.rfind(first, 0), 0u);
    EXPECT_NE(log.find("Ölçen.......................................\t=Ayşe" + first),
              std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 6), "=Ayşe");
    EXPECT_EQ(Stored("Offset B"), "2.00");
}

TEST_F(TOffsetsTest, AFailedCheckShowsItsMessageFocusesTheEditAndStoresNothing) {
    TOffsets w;
    w.show();
    QApplication::setActiveWindow(&w);
    Fill(w);
    w.OffsetB->setText("2.03");
    w.BitBtn1->click();
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0],
              "Measurements contains error: A + C must be close enough to B.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), w.OffsetA);
    EXPECT_FALSE(std::filesystem::exists(OffsetsLogPath()));
    EXPECT_EQ(Stored("Offset B"), "<missing>");
    EXPECT_EQ(realtimeClicks, 0);

    Dialogs().messages.clear();
    w.OffsetB->setText("2.00");
    w.Surveyor->clear();
    w.BitBtn1->click();
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0], "Failed! Name of surveyor cannot be missing");
    EXPECT_EQ(QApplication::focusWidget(), w.Surveyor);
}

TEST_F(TOffsetsTest, ALogThatCannotBeWrittenIsReportedAndRealtimeStillStarts) {
    std::filesystem::create_directories(OffsetsLogPath());  // a folder where the file belongs
    TOffsets w;
    w.show();
    Fill(w);
    w.BitBtn1->click();
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(Dialogs().messages[0].toStdString(),
              "The offsets log could not be written: " + OffsetsLogPath());
    EXPECT_EQ(Stored("Surveyor"), "Ayşe");
    EXPECT_EQ(realtimeClicks, 1);
}

TEST_F(TOffsetsTest, LeavingANumberEditWithoutANumberSaysSoAndTakesTheFocusBack) {
    TOffsets w;
    w.show();
    QApplication::setActiveWindow(&w);
    Fill(w);
    const struct {
        Qt::FocusReason reason;
        int messages;
    } cases[] = {{Qt::ActiveWindowFocusReason, 0},
                 {Qt::PopupFocusReason, 0},
                 {Qt::TabFocusReason, 1},
                 {Qt::MouseFocusReason, 1}};
    for (const auto& c : cases) {
        w.OffsetC->setText("1.5");
        w.Location->setFocus();
        QApplication::processEvents();
        Dialogs().messages.clear();
        w.OffsetC->setText("1.5m");
        QFocusEvent out(QEvent::FocusOut, c.reason);
        QApplication::sendEvent(w.OffsetC, &out);
        QApplication::processEvents();
        ASSERT_EQ(Dialogs().messages.size(), c.messages) << c.reason;
        if (c.messages) {
            EXPECT_EQ(Dialogs().messages[0],
                      "Offset C: '1.5m' is not a valid floating point value");
            EXPECT_EQ(QApplication::focusWidget(), w.OffsetC);
        }
    }

    // A real move to another control runs the same check; a number passes.
    w.OffsetC->setFocus();
    Dialogs().messages.clear();
    w.Surveyor->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Dialogs().messages.size(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w.OffsetC);
    w.OffsetC->setText("1.5");
    Dialogs().messages.clear();
    w.Surveyor->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(Dialogs().messages.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), w.Surveyor);
}

// Clicks from edit to edit as the surveyor makes them: one box at most for
// each move, naming the field, and none for an empty field that was never
// stored. The box's own move of the focus back starts no other check, so two
// empty fields never hand the focus to and fro.
TEST_F(TOffsetsTest, OneBoxForOneMoveOfTheFocus) {
    const struct {
        const char* what;
        bool stored;  // the settings file holds the (empty) values
        QStringList boxes;
    } cases[] = {
        {"first start", false, {}},
        {"stored empty", true, {"Offset A: '' is not a valid floating point value"}},
    };
    for (const auto& c : cases) {
        platform::IniFile::DropCachedModels();
        std::filesystem::remove(SettingsFilePath());
        if (c.stored) {
            platform::IniFile ini(SettingsFilePath());
            for (const char* key : {"Offset A", "Offset B", "Offset C", "SV", "Tide Height"})
                ini.WriteString("ECHOSOUNDER_OFFSETS", key, "");
        }
        TOffsets w;
        w.show();
        QApplication::setActiveWindow(&w);
        QApplication::processEvents();
        Dialogs().messages.clear();
        QTest::mouseClick(w.OffsetA, Qt::LeftButton);
        QTest::mouseClick(w.OffsetB, Qt::LeftButton);
        for (int i = 0; i < 50; ++i) QApplication::processEvents();
        EXPECT_EQ(Dialogs().messages, c.boxes) << c.what;
        EXPECT_EQ(QApplication::focusWidget(), c.stored ? w.OffsetA : w.OffsetB) << c.what;
        // Every further move out of the empty stored edit says so once more.
        Dialogs().messages.clear();
        QTest::mouseClick(w.SV, Qt::LeftButton);
        for (int i = 0; i < 50; ++i) QApplication::processEvents();
        EXPECT_EQ(Dialogs().messages.size(), c.stored ? 1 : 0) << c.what;
    }
}

TEST_F(TOffsetsTest, TypedValuesKeepTheLastValidText) {
    TOffsets w;
    for (const char* text : {"1", "15", "153", "1530", "1530x", ""}) w.SV->setText(text);
    EXPECT_EQ(w.Values().SoundVelocity.Get(), 1530);
    for (const char* text : {"0.5", "0,5", "-"}) w.OffsetA->setText(text);
    EXPECT_EQ(w.Values().Draft.Get(), 0.5);
    w.TideHt->setText("-0.12");
    EXPECT_EQ(w.Values().Tide.Get(), -0.12);
    w.OffsetC->setText("1e3");
    EXPECT_EQ(w.Values().AntennaHeight.Get(), 1000);
}
