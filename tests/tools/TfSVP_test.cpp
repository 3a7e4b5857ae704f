#include "tools/ui/TfSVP.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempHome.h"
#include "tools/SvpHooks.h"
#include "tools/SvpLists.h"
#include "tools/SvpProfile.h"
#include "tools/ui/TfSVPGraph.h"

namespace {

using Lines = std::vector<std::string>;

// Scripted boxes that can look at the profile while a box is open.
class WatchingDialogs : public platform::ScriptedDialogs {
  public:
    std::function<void()> whileOpen;
    int MessageBox(const QString& text, const QString& caption, int buttons, int icon) override {
        if (whileOpen) whileOpen();
        return ScriptedDialogs::MessageBox(text, caption, buttons, icon);
    }
};

class TfSVPTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TSvpListPlaces places;
    WatchingDialogs* dialogs = nullptr;
    std::vector<bool> svEnabled;
    QStringList captions;
    int saves = 0;

    void SetUp() override {
        InitDayPaths();
        places = {home.home() + "bin/", home.home() + "SVP/"};
        std::filesystem::create_directories(places.besideExecutable);
        std::filesystem::create_directories(places.dayFolder);
        auto scripted = std::make_unique<WatchingDialogs>();
        dialogs = scripted.get();
        platform::SetDialogs(std::move(scripted));
        g_SvpProfile = TSvpProfile();
        g_SvpHooks.SetManualSvEnabled = [this](bool on) { svEnabled.push_back(on); };
        g_SvpHooks.SetProfileButtonCaption = [this](const QString& c) { captions << c; };
        g_SvpHooks.MainWindowSave = [this] { ++saves; };
        g_LanguageManager.reset();
    }
    void TearDown() override {
        g_SvpHooks = TSvpHooks();
        g_SvpProfile = TSvpProfile();
        g_LanguageManager.reset();
        delete fSVPGraph;
        fSVPGraph = nullptr;
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }

    std::string Cast(const std::string& name, const std::string& text) {
        const std::string path = home.home() + name;
        phxtest::WriteAll(path, text);
        return path;
    }
    static Lines Memo(const QPlainTextEdit* memo) {
        Lines lines;
        const QString text = memo->toPlainText();
        if (!text.isEmpty())
            for (const QString& l : text.split('\n')) lines.push_back(l.toStdString());
        return lines;
    }
    // Opens the cast and runs the three steps with MaxDepth `maxDepth`.
    void Process(TfSVP& w, const std::string& path, const char* maxDepth) {
        dialogs->fileNames.push_back(QString::fromStdString(path));
        w.BitBtn1->click();
        w.eMaxDepth->setText(maxDepth);
        w.bRawToSVV->click();
        w.bSVVtoAveragedSV->click();
        w.bAveragedSVtoSVP->click();
    }
    std::string Day(int i) const { return SvpDayCopyPath(places, DateStamp(), i); }
};

TEST_F(TfSVPTest, LayoutAndDefaults) {
    TfSVP w(places);
    EXPECT_EQ(w.objectName(), "fSVP");
    EXPECT_EQ(w.windowTitle(), "Sound Velocity");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.eSearchString->text(), "%*23s %lf,%lf");
    EXPECT_EQ(w.eMaxDepth->text(), "200");
    EXPECT_TRUE(w.rSVFirst->isChecked());  // the settings' default
    EXPECT_FALSE(w.bSaveClose->isEnabled());
    EXPECT_FALSE(w.cUseSVP->isChecked());
    EXPECT_EQ(w.mDefault->actions().size(), 2);
    EXPECT_EQ(w.Defaults1->text(), "Defaults");
    EXPECT_EQ(w.AutoDedetct1->text(), "Auto Dedetct");
    for (const char* name :
         {"mRawSVData", "mRawSVExtracted", "mSortedAveragedSV", "mSVPColumn", "eSearchString",
          "eMaxDepth", "rSVFirst", "rDFirst", "cUseSVP", "BitBtn1", "bGraph", "bRawToSVV",
          "bSVVtoAveragedSV", "bAveragedSVtoSVP", "bSaveClose"})
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    w.eSearchString->setText("x");
    w.eMaxDepth->setText("5");
    w.rDFirst->setChecked(true);
    w.Defaults1->trigger();
    EXPECT_EQ(w.eSearchString->text(), "%*23s %lf,%lf");
    EXPECT_EQ(w.eMaxDepth->text(), "200");
    EXPECT_TRUE(w.rSVFirst->isChecked());
}

TEST_F(TfSVPTest, ThreeStepsThenTheSwitch) {
    TfSVP w(places);
    Process(w, Cast("cast.txt", "t 1500.0,0\r\nt 1510.0,2\r\n"), "5");
    EXPECT_EQ(Memo(w.mRawSVExtracted), (Lines{"0,1500.000", "2,1510.000"}));
    EXPECT_EQ(Memo(w.mSortedAveragedSV).size(), 6u);
    EXPECT_EQ(Memo(w.mSVPColumn),
              (Lines{"1500.00", "1500.00", "1503.33", "1505.00", "1506.00", "1506.67"}));
    EXPECT_TRUE(w.bSaveClose->isEnabled());
    EXPECT_FALSE(g_SvpProfile.Lookup(2).inUse);
    w.cUseSVP->setChecked(true);
    EXPECT_EQ(captions.back(), "SVP Profile Used");
    EXPECT_EQ(svEnabled.back(), false);
    EXPECT_EQ(g_SvpProfile.Lookup(2.4).soundVelocity, 1503.33);
    EXPECT_TRUE(g_SvpProfile.Lookup(9).beyondColumn);
    w.cUseSVP->setChecked(false);
    EXPECT_EQ(captions.back(), "Single SV Used");
    EXPECT_EQ(svEnabled.back(), true);
    EXPECT_FALSE(g_SvpProfile.Lookup(2).inUse);
}

// A cast that is no regular file (a FIFO is refused at once, never read) or
// is too large: one message saying why, and the lists as they were.
TEST_F(TfSVPTest, ACastThatCannotBeOpenedSaysWhyAndChangesNothing) {
    TfSVP w(places);
    Process(w, Cast("a.txt", "t 1500.0,0\nt 1500.0,1\n"), "1");
    const Lines source = Memo(w.mRawSVData), extracted = Memo(w.mRawSVExtracted);
    phxtest::GuardedFifo fifo(home.home() + "fifo.txt");
    ASSERT_TRUE(fifo.ok());
    const std::string large = Cast("large.txt", "t 1500.0,0\n");
    std::filesystem::resize_file(large, kSvpMaxFileBytes + 1);
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {{fifo.path(), "not a regular file"},
                 {large, "larger than 32 MB"},
                 {home.home() + "none.txt", "no such file or directory"}};
    for (const auto& c : cases) {
        dialogs->messages.clear();
        dialogs->fileNames.push_back(QString::fromStdString(c.path));
        w.BitBtn1->click();
        ASSERT_EQ(dialogs->messages.size(), 1) << c.path;
        EXPECT_EQ(dialogs->messages[0].toStdString(),
                  "Cannot open file \"" + c.path + "\" (" + c.reason + ").");
        EXPECT_EQ(Memo(w.mRawSVData), source);
        EXPECT_EQ(Memo(w.mRawSVExtracted), extracted);
    }
    EXPECT_FALSE(fifo.TimedOut());
}

TEST_F(TfSVPTest, ColumnInUseSurvivesANewCastAndFailedSteps) {
    TfSVP w(places);
    Process(w, Cast("a.txt", "t 1500.0,0\nt 1500.0,1\n"), "1");
    w.cUseSVP->setChecked(true);
    ASSERT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1500);
    // A new cast whose step 1 waits on a range box.
    double seen = 0;
    dialogs->whileOpen = [&] { seen = g_SvpProfile.Lookup(1).soundVelocity; };
    dialogs->answers.push_back(platform::idCancel);
    dialogs->fileNames.push_back(QString::fromStdString(Cast("b.txt", "t 1520.0,0\nt 1800,1\n")));
    w.BitBtn1->click();
    w.bRawToSVV->click();
    EXPECT_EQ(seen, 1500);
    EXPECT_TRUE(dialogs->messages.back().startsWith("Value exceeds SV range! Please correct 1800"));
    EXPECT_EQ(Memo(w.mRawSVExtracted), Lines{"0,1520.000"});
    EXPECT_EQ(Memo(w.mSVPColumn), (Lines{"1500.00", "1500.00"}));
    // Step 3 stopped by a range error keeps the column; success replaces it.
    w.mSortedAveragedSV->setPlainText("0,1520.00,1\n1,1900.00,1");
    w.bAveragedSVtoSVP->click();
    EXPECT_EQ(dialogs->messages.back(),
              "SV value at 1 is out of range. Please check, correct retry.");
    EXPECT_FALSE(w.bSaveClose->isEnabled());
    EXPECT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1500);
    EXPECT_TRUE(g_SvpProfile.InUse());
    w.mSortedAveragedSV->setPlainText("0,1520.00,1\n1,1530.00,1");
    w.bAveragedSVtoSVP->click();
    EXPECT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1525);
    EXPECT_EQ(Memo(w.mSVPColumn), (Lines{"1520.00", "1525.00"}));
    // A zero-depth gap stops step 3 and keeps the column.
    w.mSortedAveragedSV->setPlainText("\n1,1530.00,1");
    w.bAveragedSVtoSVP->click();
    EXPECT_TRUE(dialogs->messages.back().startsWith("SV value at 0 depth cannot be blank."));
    EXPECT_EQ(g_SvpProfile.Lookup(0).soundVelocity, 1520);
}

TEST_F(TfSVPTest, HandEditsOfTheColumn) {
    TfSVP w(places);
    w.mSVPColumn->setPlainText("1500.00\n1510.00");
    w.cUseSVP->setChecked(true);
    ASSERT_TRUE(g_SvpProfile.InUse());
    w.mSVPColumn->setPlainText("1500.00\n15");  // half typed: the old column stays
    EXPECT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1510);
    w.mSVPColumn->setPlainText("1500.00\n1520.00");
    EXPECT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1520);
    EXPECT_EQ(w.ListsForSave().column, (Lines{"1500.00", "1520.00"}));
}

TEST_F(TfSVPTest, SwitchRefusesAnEmptyOrInvalidColumn) {
    TfSVP w(places);
    w.cUseSVP->setChecked(true);
    EXPECT_FALSE(w.cUseSVP->isChecked());
    EXPECT_EQ(captions.back(), "Single SV Used");
    EXPECT_EQ(dialogs->messages.back(),
              "SVP Column is empty. Please load or create an SVP profile first.");
    w.mSVPColumn->setPlainText("1500.00\nabc");
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    g_LanguageManager->FLanguage = "tr";
    w.cUseSVP->setChecked(true);
    EXPECT_FALSE(w.cUseSVP->isChecked());
    EXPECT_FALSE(g_SvpProfile.InUse());
    EXPECT_EQ(captions.back(), "Tek Ses Hızı Değeri");
    EXPECT_EQ(dialogs->messages.back(),
              "SVP Sütunu boş. Lütfen önce bir SVP profili yükleyin veya oluşturun.");
}

TEST_F(TfSVPTest, MaxDepthAndFormatAreChecked) {
    TfSVP w(places);
    w.mRawSVExtracted->setPlainText("0,1500.000");
    for (const char* bad : {"20000", "-1"}) {
        w.eMaxDepth->setText(bad);
        w.bSVVtoAveragedSV->click();
        EXPECT_EQ(dialogs->messages.back(), "Max Depth must be between 0 and 12000.");
        EXPECT_TRUE(Memo(w.mSortedAveragedSV).empty());
    }
    w.eMaxDepth->setText("abc");
    w.bSVVtoAveragedSV->click();
    EXPECT_EQ(dialogs->messages.back(), "'abc' is not a valid integer value");
    w.eMaxDepth->setText("0");
    w.bSVVtoAveragedSV->click();
    EXPECT_EQ(Memo(w.mSortedAveragedSV), Lines{"0,1500.000,1"});

    w.mRawSVData->setPlainText("a b\nc d");
    w.eSearchString->setText("%s%s");
    w.bRawToSVV->click();
    EXPECT_TRUE(dialogs->messages.back().startsWith("The format identifier cannot be used"));
    EXPECT_TRUE(Memo(w.mRawSVExtracted).empty());
}

TEST_F(TfSVPTest, AutoDetection) {
    TfSVP w(places);
    w.AutoDedetct1->trigger();
    EXPECT_EQ(dialogs->messages.back(), "No data loaded. Please load a file first.");
    w.mRawSVData->setPlainText("Time,SV Depth,Temp\n1,2,3");
    w.AutoDedetct1->trigger();
    EXPECT_EQ(dialogs->messages.back(),
              "Could not find header line with SV and Pressure/Depth columns.\nPlease set search "
              "string manually.");
    EXPECT_EQ(w.eSearchString->text(), "%*23s %lf,%lf");
    w.mRawSVData->setPlainText("Time;Pressure (dbar);Temp;SV (m/s)\n10:00;1.2;14;1501.5");
    w.AutoDedetct1->trigger();
    EXPECT_EQ(w.eSearchString->text(), "%*[^;];%lf;%*[^;];%lf");
    EXPECT_TRUE(w.rDFirst->isChecked());
    EXPECT_TRUE(dialogs->messages.back().startsWith("Auto-detected format:\n- Header at line: 1"));
    w.bRawToSVV->click();
    EXPECT_EQ(Memo(w.mRawSVExtracted), Lines{"1,1501.500"});
}

TEST_F(TfSVPTest, FilesAtCreationAndSaveAndClose) {
    phxtest::WriteAll(places.besideExecutable + "mSVPColumn.ini", "1400.00\r\n");
    phxtest::WriteAll(Day(3), "1500.00\r\n1501.00\r\n");
    phxtest::WriteAll(places.besideExecutable + "mRawSVData.ini", "t 1500,0\r\n");
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("SVP", "cUseSVP", "1");
        ini.WriteString("SVP", "eSearchString", "%*[^;];%lf;%*[^;];%lf");
    }
    TfSVP w(places);
    EXPECT_EQ(Memo(w.mSVPColumn), (Lines{"1500.00", "1501.00"}));
    EXPECT_EQ(Memo(w.mRawSVData), Lines{"t 1500,0"});
    EXPECT_TRUE(w.cUseSVP->isChecked());
    EXPECT_EQ(captions.back(), "SVP Profile Used");
    EXPECT_EQ(g_SvpProfile.Lookup(1).soundVelocity, 1501);

    std::filesystem::create_directory(places.besideExecutable + "mRawSVExtracted.ini");
    w.eSearchString->setText("%lf\t%lf");
    w.show();
    w.bSaveClose->setEnabled(true);
    w.bSaveClose->click();
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(phxtest::ReadAll(Day(3)), "1500.00\r\n1501.00\r\n");
    EXPECT_EQ(phxtest::ReadAll(Day(0)), "t 1500,0\r\n");
    EXPECT_EQ(phxtest::ReadAll(places.besideExecutable + "mSVPColumn.ini"),
              "1500.00\r\n1501.00\r\n");
    const std::string settings = phxtest::ReadAll(SettingsFilePath());
    const size_t section = settings.find("[SVP]");
    ASSERT_NE(section, std::string::npos);
    EXPECT_NE(settings.find("cUseSVP=1\r\neSearchString=%lf\t%lf\r\neMaxDepth=200\r\n"
                            "rSVFirst=1\r\nrDFirst=0",
                            section),
              std::string::npos)
        << settings;
}

TEST_F(TfSVPTest, FailedDayCopyKeepsTheWindowOpen) {
    TfSVP w(places);
    std::filesystem::create_directory(Day(0));
    w.show();
    w.bSaveClose->setEnabled(true);
    w.bSaveClose->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(dialogs->messages.back().startsWith("Cannot create file"));
    w.close();
}

TEST_F(TfSVPTest, StoredFormatComesBackByteForByte) {
    for (const std::string format : {"%*[^;];%lf;%*[^;];%lf", "%*[^\t]\t%lf\t%lf"}) {
        {
            TfSVP w(places);
            w.eSearchString->setText(QString::fromStdString(format));
            w.show();
            w.close();
        }
        platform::IniFile::DropCachedModels();
        TfSVP again(places);
        EXPECT_EQ(again.eSearchString->text().toStdString(), format);
    }
}

TEST_F(TfSVPTest, GraphHandOver) {
    TfSVP w(places);
    w.bGraph->click();
    EXPECT_EQ(dialogs->messages.back(), "No data to graph. Please process SVP data first.");
    w.mSortedAveragedSV->setPlainText("0,1500.000,1\n\n2,1520.000,1");
    w.bSaveClose->setEnabled(true);
    // Cancel leaves the list.
    QTimer::singleShot(0, [] { fSVPGraph->bCancel->click(); });
    w.bGraph->click();
    EXPECT_EQ(Memo(w.mSortedAveragedSV), (Lines{"0,1500.000,1", "", "2,1520.000,1"}));
    EXPECT_TRUE(w.bSaveClose->isEnabled());
    // Save && Close writes the points back, gaps without lines.
    QTimer::singleShot(0, [] { fSVPGraph->bSaveAndClose->click(); });
    w.bGraph->click();
    EXPECT_EQ(Memo(w.mSortedAveragedSV), (Lines{"0,1500.00,1", "2,1520.00,1"}));
    EXPECT_FALSE(w.bSaveClose->isEnabled());
    EXPECT_EQ(dialogs->messages.back(), "Data updated. Please regenerate SVP Column.");
    w.eMaxDepth->setText("2");
    w.bAveragedSVtoSVP->click();
    EXPECT_EQ(Memo(w.mSVPColumn), (Lines{"1500.00", "1500.00", "1506.67"}));
}

}  // namespace
