// The main window's project commands and screenshots, offscreen, with real
// files in a temporary home, an injected clock and scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <filesystem>
#include <thread>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/ProjectFiles.h"
#include "navigation/ScreenshotWriter.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "tests/support/Pty.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"
#include "tools/SvpProfile.h"
#include "tools/ui/TfSVP.h"

namespace {

namespace fs = std::filesystem;
using platform::DateTime;

class TFNavProject : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    platform::ScriptedDialogs* dialogs = nullptr;
    platform::RecordingShell* shell = nullptr;
    std::unique_ptr<TFNav> nav;
    std::vector<std::string> messages;  // the message window's lines
    DateTime clock{2024, 5, 1, 14, 25, 1, 0};

    void SetUp() override {
        ResetSurveyState();
        platform::SetClockForTesting([this] { return clock; });
        InitDayPaths(clock);
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        dialogs = scripted.get();
        platform::SetDialogs(std::move(scripted));
        auto recording = std::make_unique<platform::RecordingShell>();
        shell = recording.get();
        platform::SetShell(std::move(recording));
        g_SvpProfile = TSvpProfile();
    }
    void TearDown() override {
        nav.reset();
        delete fSVP;
        fSVP = nullptr;
        FNav = nullptr;
        g_SvpProfile = TSvpProfile();
        platform::SetClockForTesting({});
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
        platform::SetShell(std::make_unique<platform::RecordingShell>());
        ResetSurveyState();
    }

    TFNav& Create() {
        nav = std::make_unique<TFNav>();
        nav->Links.Message = [this](const QString& t, bool) {
            messages.push_back(t.toStdString());
        };
        EnsureStandardLayers(nav->fcad);
        return *nav;
    }

    static std::string Events() { return phxtest::ReadAll(EventLogPath()); }
    static bool Logged(const std::string& text) { return Events().find(text) != std::string::npos; }
    std::string Saved() const { return g_ProjectDir + "2024-05-01 142501.vlm"; }
    static std::string LastFileKey() {
        platform::IniFile::DropCachedModels();
        return platform::IniFile(SettingsFilePath()).ReadString("FILE", "Last File Saved", "");
    }
    static std::vector<std::string> Files(const std::string& folder) {
        std::vector<std::string> names;
        if (fs::is_directory(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The project text of a file, inflated by Python's zlib.
    static std::string Inflated(const std::string& path) {
        return phxtest::RunTool(
            "/usr/bin/python3 -c 'import sys, zlib; d = open(sys.argv[1], \"rb\").read(); "
            "assert d[:4] == b\"VLM1\"; sys.stdout.write(zlib.decompress(d[4:]).decode())' '" +
            path + "'");
    }
    int Shapes() const { return static_cast<int>(nav->fcad->GetShapeIds().size()); }
    void ClickStatusBar(int x) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, 5),
                          nav->sStatusBar->mapToGlobal(QPointF(x, 5)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, 5),
                            nav->sStatusBar->mapToGlobal(QPointF(x, 5)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(nav->sStatusBar, &press);
        QCoreApplication::sendEvent(nav->sStatusBar, &release);
    }
};

// ---- Menu and buttons ----

TEST_F(TFNavProject, FileMenuFirstAndTheButtonsAfterStart) {
    TFNav& w = Create();
    const QList<QAction*> menus = w.MainMenu1->actions();
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_EQ(menus.first()->menu(), w.File1);
    EXPECT_EQ(w.File1->objectName(), "File1");
    EXPECT_EQ(w.File1->title(), "File");
    struct Item {
        QAction* action;
        const char* name;
        const char* caption;
        const char* keys;
    };
    const Item items[] = {{w.New1, "New1", "New", "Ctrl+N"},
                          {w.Open1, "Open1", "Open...", "Ctrl+O"},
                          {w.Save1, "Save1", "Save", "Ctrl+S"},
                          {w.SaveAs1, "SaveAs1", "Save As...", "Ctrl+W"},
                          {w.Export1, "Export1", "Export...", "Ctrl+X"},
                          {w.Import1, "Import1", "Import...", "Ctrl+I"},
                          {w.Exit1, "Exit1", "Exit", "Ctrl+Q"}};
    const QList<QAction*> entries = w.File1->actions();
    ASSERT_EQ(entries.size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(entries[i], items[i].action);
        EXPECT_EQ(items[i].action->objectName(), items[i].name);
        EXPECT_EQ(items[i].action->text(), items[i].caption);
        EXPECT_EQ(items[i].action->shortcut().toString(), items[i].keys);
    }
    std::vector<QWidget*> bar;
    for (QAction* a : w.tRealtime->actions()) bar.push_back(w.tRealtime->widgetForAction(a));
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar[0], w.bRealtime);
    EXPECT_EQ(bar[1], w.bOpen);
    EXPECT_EQ(bar[2], w.bSave);
    EXPECT_EQ(w.bOpen->objectName(), "bOpen");
    EXPECT_EQ(w.bOpen->text(), "Open");
    EXPECT_EQ(w.bSave->text(), "Save");

    // The button saves as the menu does.
    w.bSave->click();
    EXPECT_TRUE(fs::is_regular_file(Saved()));
}

// ---- Save (the auto-save) ----

TEST_F(TFNavProject, SaveWritesTheFileTheKeyAndTheCaption) {
    TFNav& w = Create();
    w.fcad->AddLine(0, 0, 10, 10, g_Survey.UserShapeLayerId);
    w.fcad->AddCircle(5, 5, 1, g_Survey.VesselLayerId);  // never stored
    w.fcad->AddLine(0, 0, 1, 1, g_Survey.GridLayerId);   // never stored
    w.Save1Click();

    EXPECT_EQ(Saved(), home.home() + "VLM/2024-05-01/VLM/2024-05-01 142501.vlm");
    ASSERT_TRUE(fs::is_regular_file(Saved()));
    EXPECT_EQ(w.windowTitle().toStdString(), "Plovan Olcum Masasi - " + Saved());
    EXPECT_TRUE(Logged("Auto-saved: " + Saved()));
    const std::string ini = phxtest::ReadAll(SettingsFilePath());
    EXPECT_NE(ini.find("[FILE]\r\nLast File Saved       =" + Saved() + "\r\n"), std::string::npos)
        << ini;
    EXPECT_TRUE(messages.empty());
    // Neither the vessel nor the grid went into the file.
    EXPECT_TRUE(w.fcad->GetLayerShapeIds(g_Survey.VesselLayerId).empty());
    EXPECT_TRUE(w.fcad->GetLayerShapeIds(g_Survey.GridLayerId).empty());
    // The current project stays as it was.
    EXPECT_TRUE(w.CurrentFile().empty());

    // A new main window reopens it.
    nav.reset();
    ResetSurveyState();
    TFNav again;
    again.show();
    EXPECT_EQ(again.CurrentFile(), Saved());
    EXPECT_EQ(again.fcad->GetShapeIds().size(), 1u);
    again.tScreenshot->stop();
}

TEST_F(TFNavProject, SaveNameFromOneClockReading) {
    TFNav& w = Create();
    clock = {2024, 5, 1, 9, 7, 5, 0};
    w.Save1Click();
    EXPECT_TRUE(fs::is_regular_file(g_ProjectDir + "2024-05-01 090705.vlm"));
    // After midnight: the start day's folder, the new date.
    clock = {2024, 5, 2, 0, 0, 3, 0};
    w.Save1Click();
    EXPECT_EQ(Files(g_ProjectDir),
              (std::vector<std::string>{"2024-05-01 090705.vlm", "2024-05-02 000003.vlm"}));
    EXPECT_FALSE(fs::exists(home.home() + "VLM/2024-05-02/VLM/2024-05-02 000003.vlm"));
}

TEST_F(TFNavProject, TwoSavesInOneSecondLeaveTheSecondDrawing) {
    if (phxtest::RunTool("/usr/bin/python3 -c 'print(1)'").empty()) GTEST_SKIP() << "no python3";
    TFNav& w = Create();
    w.fcad->AddText(g_Survey.UserShapeLayerId, "first", 1, 2, 0);
    w.Save1Click();
    w.fcad->ClearLayer(-1);
    w.fcad->AddText(g_Survey.UserShapeLayerId, "second", 3, 4, 0);
    clock.millisecond = 900;
    w.Save1Click();
    EXPECT_EQ(Files(g_ProjectDir), (std::vector<std::string>{"2024-05-01 142501.vlm"}));
    const std::string text = Inflated(Saved());
    EXPECT_NE(text.find("second"), std::string::npos) << text;
    EXPECT_EQ(text.find("first"), std::string::npos);
}

TEST_F(TFNavProject, AFailedSaveIsSaidAndKeepsKeyAndCaption) {
    TFNav& w = Create();
    w.fcad->AddLine(0, 0, 10, 10, g_Survey.UserShapeLayerId);
    w.Save1Click();
    const std::string old = Saved();
    const std::string oldBytes = phxtest::ReadAll(old);
    const QString caption = w.windowTitle();

    // A file where the VLM folder belongs.
    const std::string folder = g_ProjectDir.substr(0, g_ProjectDir.size() - 1);
    fs::rename(folder, folder + ".moved");
    phxtest::WriteAll(folder, "not a folder");
    clock.second = 30;
    w.fcad->AddLine(0, 0, 20, 20, g_Survey.UserShapeLayerId);
    w.Save1Click();

    const std::string name = g_ProjectDir + "2024-05-01 142530.vlm";
    EXPECT_TRUE(Logged("Auto-save FAILED: " + name));
    EXPECT_FALSE(Logged("Auto-saved: " + name));
    EXPECT_EQ(messages, (std::vector<std::string>{"Auto-save FAILED: " + name}));
    EXPECT_EQ(LastFileKey(), old);
    EXPECT_EQ(w.windowTitle(), caption);
    EXPECT_TRUE(dialogs->messages.isEmpty());  // the message window says it, no box
    EXPECT_EQ(phxtest::ReadAll(folder + ".moved/" + fs::path(old).filename().string()), oldBytes);
}

TEST_F(TFNavProject, SaveAndCloseAfterTheDayFolderWentMakeItAgain) {
    TFNav& w = Create();
    w.show();
    w.fcad->AddLine(0, 0, 10, 10, g_Survey.UserShapeLayerId);
    fs::remove_all(g_DayDir);
    w.Save1Click();
    EXPECT_TRUE(fs::is_regular_file(Saved()));
    EXPECT_TRUE(Logged("Auto-saved: " + Saved()));
    EXPECT_EQ(LastFileKey(), Saved());

    fs::remove_all(g_DayDir);
    clock.second = 40;
    EXPECT_TRUE(w.close());
    const std::string atClose = g_ProjectDir + "2024-05-01 142540.vlm";
    EXPECT_NE(Inflated(atClose).find("LINE"), std::string::npos);
    EXPECT_TRUE(Logged("Auto-saved: " + atClose));
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(TFNavProject, ACloseThatCannotSaveAsksAndNeverDropsTheDrawingUnseen) {
    // A file where the VLM folder belongs: the auto-save fails even after
    // the folders are made again.
    const std::string folder = g_ProjectDir.substr(0, g_ProjectDir.size() - 1);
    const std::string elsewhere = home.home() + "kept.vlm";
    const struct {
        int answer;
        bool closes;
        bool savedElsewhere;
    } cases[] = {
        {platform::idCancel, false, false},
        {platform::idYes, true, true},  // Save As to another folder
        {platform::idNo, true, false},  // the surveyor's own choice, logged
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        fs::remove_all(g_DayDir);
        fs::create_directories(g_LogDir);
        phxtest::WriteAll(folder, "not a folder");
        TFNav& w = Create();
        w.show();
        w.fcad->AddLine(0, 0, 10, 10, g_Survey.UserShapeLayerId);
        const int shapes = Shapes();
        dialogs->messages.clear();
        dialogs->answers = {c.answer};
        dialogs->fileNames = {QString::fromStdString(elsewhere)};
        EXPECT_EQ(w.close(), c.closes);
        ASSERT_GE(dialogs->messages.size(), 1);
        EXPECT_TRUE(dialogs->messages.back().startsWith("The drawing could not be saved to " +
                                                        QString::fromStdString(g_ProjectDir)))
            << dialogs->messages.back().toStdString();
        EXPECT_EQ(fs::exists(elsewhere), c.savedElsewhere);
        EXPECT_EQ(Logged("Closed without saving the drawing"), c.answer == platform::idNo);
        if (!c.closes) {
            // Kept open as after Stop, ready for the next try.
            EXPECT_TRUE(w.isVisible());
            EXPECT_TRUE(w.bRealtime->isEnabled());
            EXPECT_EQ(Shapes(), shapes);
            EXPECT_FALSE(g_Survey.RealtimeRunning);
        }
        nav.reset();
        fs::remove(elsewhere);
    }
}

// ---- The sound velocity lists of the auto-save ----

class TFNavProjectLists : public TFNavProject {
  protected:
    TfSVP* svp = nullptr;
    void SetUp() override {
        TFNavProject::SetUp();
        fs::create_directories(home.home() + "bin/");
        svp = fSVP = new TfSVP({home.home() + "bin/", g_SvpDir});
    }
    void UseProfile(bool on) {
        QSignalBlocker quiet(svp->cUseSVP);
        svp->cUseSVP->setChecked(on);
    }
    std::vector<std::string> Copies() const { return SvpListCopyPaths(g_SvpDir, "2024-05-01"); }
};

TEST_F(TFNavProjectLists, NoneWhileTheProfileIsOff) {
    svp->mRawSVData->setPlainText("raw");
    Create().Save1Click();
    EXPECT_TRUE(fs::is_regular_file(Saved()));
    EXPECT_TRUE(Files(g_SvpDir).empty());
}

TEST_F(TFNavProjectLists, EmptyMemosGiveFourEmptyFiles) {
    UseProfile(true);
    Create().Save1Click();
    for (const std::string& path : Copies()) {
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_EQ(fs::file_size(path), 0u) << path;
    }
}

TEST_F(TFNavProjectLists, LinesAsTheWindowReadsThemBack) {
    svp->mRawSVData->setPlainText("t 1520.0,0\nt 1521,1");
    svp->mRawSVExtracted->setPlainText("1520.0,0");
    svp->mSortedAveragedSV->setPlainText("0,1520\n1,1521");
    svp->mSVPColumn->setPlainText("1520\n1521");
    ASSERT_TRUE(g_SvpProfile.SetInUse(true));
    UseProfile(true);
    Create().Save1Click();
    EXPECT_EQ(phxtest::ReadAll(Copies()[0]), "t 1520.0,0\r\nt 1521,1\r\n");
    EXPECT_EQ(phxtest::ReadAll(Copies()[3]), "1520\r\n1521\r\n");
    // The window's next start reads the same four files.
    TfSVP reader({home.home() + "bin/", g_SvpDir});
    EXPECT_EQ(reader.mSortedAveragedSV->toPlainText(), "0,1520\n1,1521");
    EXPECT_EQ(reader.mSVPColumn->toPlainText(), "1520\n1521");
}

TEST_F(TFNavProjectLists, AFolderInPlaceOfTheSecondListStopsTheRest) {
    svp->mRawSVData->setPlainText("raw");
    UseProfile(true);
    fs::create_directories(Copies()[1]);
    Create().Save1Click();
    EXPECT_TRUE(fs::is_regular_file(Copies()[0]));
    EXPECT_FALSE(fs::exists(Copies()[2]));
    EXPECT_FALSE(fs::exists(Copies()[3]));
    EXPECT_TRUE(fs::is_regular_file(Saved()));
    EXPECT_EQ(LastFileKey(), Saved());
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

// ---- New ----

TEST_F(TFNavProject, NewAnsweredNoChangesNothing) {
    TFNav& w = Create();
    w.fcad->AddLine(0, 0, 10, 10, g_Survey.UserShapeLayerId);
    w.fcad->AddSounding(1, 2, 3);
    w.fcad->AddNumberLabel(1, 2, 7);
    dialogs->answers = {platform::idNo};
    w.New1Click();
    EXPECT_EQ(dialogs->messages, QStringList{"Entire layout will be cleared! Continue?"});
    EXPECT_EQ(Shapes(), 1);
    EXPECT_EQ(w.fcad->FSoundings.size(), 1u);
    EXPECT_EQ(w.fcad->FNumberLabels.size(), 1u);
    EXPECT_FALSE(fs::exists(EventLogPath()));
}

TEST_F(TFNavProject, NewAnsweredYesEmptiesTheDrawing) {
    TFNav& w = Create();
    for (int i = 0; i < 3; ++i) w.fcad->AddLine(0, 0, i, i, g_Survey.UserShapeLayerId);
    w.fcad->AddSounding(1, 2, 3);
    w.fcad->AddNumberLabel(1, 2, 7);
    const int userLayer = g_Survey.UserShapeLayerId;
    dialogs->answers = {platform::idYes};
    w.New1Click();
    EXPECT_EQ(Shapes(), 0);
    EXPECT_TRUE(w.fcad->FSoundings.empty());
    EXPECT_TRUE(w.fcad->FNumberLabels.empty());
    EXPECT_TRUE(Logged("New layout - cleared all shapes"));
    EXPECT_EQ(g_Survey.UserShapeLayerId, userLayer);
    EXPECT_EQ(w.fcad->FindLayer(kVesselLayerName), g_Survey.VesselLayerId);
    EXPECT_EQ(w.fcad->AddLine(0, 0, 1, 1, userLayer), 1);  // ids restart
}

// ---- Open ----

TEST_F(TFNavProject, OpenAddsTheFileWithoutItsVesselAndGrid) {
    // A project made by another drawing: a line on its own layer, a vessel
    // symbol and a grid line, its layers in another order.
    const std::string file = home.home() + "other.vlm";
    {
        TPlovanCanvas other;
        const int mine = other.AddLayer("survey lines");
        other.AddLine(0, 0, 100, 100, mine);
        other.AddCircle(1, 1, 1, other.AddLayer(kVesselLayerName));
        other.AddLine(0, 0, 5, 5, other.AddLayer(kGridLayerName));
        ASSERT_TRUE(other.SaveProject(QString::fromStdString(file)));
    }
    TFNav& w = Create();
    w.fcad->AddLine(0, 0, 1, 1, g_Survey.UserShapeLayerId);
    dialogs->fileNames = {QString::fromStdString(file)};
    w.Open1Click();

    ASSERT_EQ(dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs->fileDialogs[0].caption, "Dialog Open");
    EXPECT_EQ(dialogs->fileDialogs[0].filter, "Plovan Helm [*.vlm] (*.vlm);;All Files [*.*] (*)");
    EXPECT_EQ(dialogs->fileDialogs[0].folder.toStdString(), g_ProjectDir);
    EXPECT_EQ(Shapes(), 2);  // the old line and the file's line
    EXPECT_EQ(w.fcad->GetLayerShapeIds(w.fcad->FindLayer("survey lines")).size(), 1u);
    EXPECT_EQ(g_Survey.VesselLayerId, w.fcad->FindLayer(kVesselLayerName));
    EXPECT_EQ(g_Survey.GridLayerId, w.fcad->FindLayer(kGridLayerName));
    EXPECT_TRUE(w.fcad->GetLayerShapeIds(g_Survey.VesselLayerId).empty());
    EXPECT_TRUE(w.fcad->GetLayerShapeIds(g_Survey.GridLayerId).empty());
    EXPECT_EQ(w.fcad->FindLayer("plovan_usershape"), g_Survey.UserShapeLayerId);
    EXPECT_EQ(w.CurrentFile(), file);
    EXPECT_EQ(w.sStatusBar->PanelText(3).toStdString(), ProjectFolderOf(file));
    EXPECT_TRUE(Logged("Opened file: " + file));
    EXPECT_TRUE(LastFileKey().empty());  // only the auto-save writes the key

    // The next dialog starts in the current project's folder.
    w.Open1Click();
    EXPECT_EQ(dialogs->fileDialogs[1].folder.toStdString(), home.home());
    EXPECT_EQ(Shapes(), 2);  // cancelled
}

TEST_F(TFNavProject, ADamagedProjectIsSaidAndChangesNothing) {
    TFNav& w = Create();
    w.SetCurrentFile(home.home() + "a/current.vlm");
    w.fcad->AddLine(0, 0, 1, 1, g_Survey.UserShapeLayerId);
    const std::string fixtures = std::string(PHX_SOURCE_DIR) + "/tests/canvas/project_fixtures/";
    for (const char* name : {"truncated_end.vlm", "truncated_middle.vlm", "bad_checksum.vlm"}) {
        dialogs->messages.clear();
        const std::string file = fixtures + name;
        dialogs->fileNames = {QString::fromStdString(file)};
        w.Open1Click();
        EXPECT_EQ(dialogs->messages, QStringList{QString::fromStdString("Could not open " + file)});
        EXPECT_TRUE(Logged("Open FAILED: " + file)) << name;
        EXPECT_FALSE(Logged("Opened file: " + file)) << name;
        EXPECT_EQ(Shapes(), 1) << name;
        EXPECT_EQ(w.CurrentFile(), home.home() + "a/current.vlm");
    }
}

// ---- Save As ----

TEST_F(TFNavProjectLists, SaveAsWritesTheNameAsGivenAndNothingElse) {
    svp->mRawSVData->setPlainText("raw");
    UseProfile(true);
    TFNav& w = Create();
    w.SetCurrentFile(home.home() + "a/current.vlm");
    w.fcad->AddLine(0, 0, 1, 1, g_Survey.UserShapeLayerId);
    w.fcad->AddCircle(0, 0, 1, g_Survey.VesselLayerId);
    const std::string bare = home.home() + "bare";
    dialogs->fileNames = {QString::fromStdString(bare)};
    w.SaveAs1Click();

    ASSERT_EQ(dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs->fileDialogs[0].caption, "Dialog Save");
    EXPECT_EQ(dialogs->fileDialogs[0].folder.toStdString(), home.home() + "a/");
    EXPECT_TRUE(fs::is_regular_file(bare));
    EXPECT_FALSE(fs::exists(bare + ".vlm"));
    EXPECT_EQ(w.windowTitle().toStdString(), "Plovan Olcum Masasi  <" + bare + ">");
    EXPECT_TRUE(Logged("Saved As: " + bare));
    EXPECT_TRUE(w.fcad->GetLayerShapeIds(g_Survey.VesselLayerId).empty());
    // The key, the current project, the auto-save folder and the lists stay.
    EXPECT_TRUE(LastFileKey().empty());
    EXPECT_EQ(w.CurrentFile(), home.home() + "a/current.vlm");
    EXPECT_TRUE(Files(g_ProjectDir).empty());
    EXPECT_TRUE(Files(g_SvpDir).empty());
    TPlovanCanvas back;
    ASSERT_TRUE(back.LoadProject(QString::fromStdString(bare)));
    EXPECT_EQ(back.GetShapeIds().size(), 1u);

    // Cancelled: nothing.
    w.SaveAs1Click();
    EXPECT_EQ(dialogs->fileDialogs.size(), 2u);
    EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(TFNavProject, AFailedSaveAsIsSaidAndKeepsTheCaption) {
    TFNav& w = Create();
    w.setWindowTitle("before");
    const std::string name = home.home() + "missing/folder/x.vlm";
    dialogs->fileNames = {QString::fromStdString(name)};
    w.SaveAs1Click();
    EXPECT_EQ(dialogs->messages, QStringList{QString::fromStdString("Could not save " + name)});
    EXPECT_TRUE(Logged("Save As FAILED: " + name));
    EXPECT_FALSE(Logged("Saved As: "));
    EXPECT_EQ(w.windowTitle(), "before");
}

// ---- Exit and the close ----

TEST_F(TFNavProject, ExitLeavesTwoAutoSavesTheLastAfterThePortsClosed) {
    phxtest::Pty gnss, sounder;
    gnss.LinkAsCom(3);
    sounder.LinkAsCom(4);
    TFNav& w = Create();
    w.ZGPS1->FPortNumber = 3;
    w.ZGPS1->Open();
    w.ZSENSOR->FPortNumber = 4;
    w.ZSENSOR->Open();
    ASSERT_TRUE(w.ZGPS1->FOpen && w.ZSENSOR->FOpen);
    // Every reading of the clock one second later.
    platform::SetClockForTesting([this] {
        const DateTime now = clock;
        ++clock.second;
        return now;
    });
    w.Exit1Click();
    EXPECT_EQ(Files(g_ProjectDir).size(), 2u);
    EXPECT_FALSE(w.ZGPS1->FOpen);
    EXPECT_FALSE(w.ZSENSOR->FOpen);
    const std::string events = Events();
    const size_t first = events.find("Auto-saved: ");
    const size_t disconnect = events.find("Disconnected from GPS on COM3");
    const size_t second = events.find("Auto-saved: ", first + 1);
    ASSERT_NE(second, std::string::npos) << events;
    EXPECT_LT(first, disconnect);
    EXPECT_LT(disconnect, second);
    EXPECT_EQ(LastFileKey(), g_ProjectDir + Files(g_ProjectDir).back());
}

// ---- The status bar's project panel ----

TEST_F(TFNavProject, StatusBarClickOpensTheDayFolder) {
    TFNav& w = Create();
    ClickStatusBar(700);
    EXPECT_TRUE(shell->opened.empty());  // no project yet

    w.SetCurrentFile(g_ProjectDir + "2024-05-01 101010.vlm");
    const int left =
        w.sStatusBar->PanelWidth(0) + w.sStatusBar->PanelWidth(1) + w.sStatusBar->PanelWidth(2);
    const int right = left + w.sStatusBar->PanelWidth(3);
    struct Row {
        int x;
        bool opens;
    };
    for (const Row row :
         {Row{left - 1, false}, Row{left, true}, Row{right, true}, Row{right + 1, false}}) {
        shell->opened.clear();
        ClickStatusBar(row.x);
        EXPECT_EQ(shell->opened,
                  row.opens ? std::vector<std::string>{g_DayDir} : std::vector<std::string>{})
            << row.x;
    }
}

// ---- The waiting places of other windows ----

TEST_F(TFNavProject, OffsetsRealtimeAndProfileSaveRunTheAutoSave) {
    CreateApplicationWindows();
    ASSERT_TRUE(FNav && Offsets && fSVP);
    Offsets->Surveyor->clear();
    Offsets->BitBtn1Click();  // stops at its own checks; the save came first
    EXPECT_TRUE(fs::is_regular_file(Saved()));

    clock.second = 2;
    fSVP->BitBtn2Click();
    EXPECT_TRUE(fs::is_regular_file(g_ProjectDir + "2024-05-01 142502.vlm"));
    EXPECT_EQ(LastFileKey(), g_ProjectDir + "2024-05-01 142502.vlm");
    FreeApplicationWindows();
}

// ---- Screenshots ----

class TFNavScreenshots : public TFNavProject {
  protected:
    std::string Png() const { return g_DayDir + "PNG/"; }
    void Cycle() {
        nav->tScreenshotTimer();
        ASSERT_TRUE(nav->WaitForScreenshots(60000));
    }
    static ScreenGrab Grab(QRect area, QColor colour) {
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(colour);
        return {area, image};
    }
};

TEST_F(TFNavScreenshots, OneMonitorOffscreen) {
    TFNav& w = Create();
    Cycle();
    EXPECT_EQ(Files(Png()), (std::vector<std::string>{"PHX 2024-05-01 142501 Primary.png"}));
    const QImage back(QString::fromStdString(Png() + "PHX 2024-05-01 142501 Primary.png"));
    EXPECT_EQ(back.size(), QGuiApplication::primaryScreen()->geometry().size());
    EXPECT_FALSE(w.tScreenshot->isActive());  // never started: not shown
}

TEST_F(TFNavScreenshots, TwoByTwoKeepsEveryPictureAndAMissingOneIsSaidOnce) {
    TFNav& w = Create();
    w.GrabMonitors = [] {
        return std::vector<ScreenGrab>{Grab({0, 0, 40, 30}, Qt::red),
                                       Grab({40, 0, 40, 30}, Qt::green),
                                       Grab({0, 30, 40, 30}, Qt::blue),
                                       {{40, 30, 40, 30}, QImage()}};
    };
    Cycle();
    clock.second = 2;
    Cycle();
    EXPECT_EQ(Files(Png()),
              (std::vector<std::string>{
                  "PHX 2024-05-01 142501 Left.png", "PHX 2024-05-01 142501 Left3.png",
                  "PHX 2024-05-01 142501 Right.png", "PHX 2024-05-01 142502 Left.png",
                  "PHX 2024-05-01 142502 Left3.png", "PHX 2024-05-01 142502 Right.png"}));
    const QImage blue(QString::fromStdString(Png() + "PHX 2024-05-01 142501 Left3.png"));
    EXPECT_EQ(blue.pixelColor(20, 15), QColor(Qt::blue));
    const std::string events = Events();
    const size_t said = events.find("Screenshot not taken: Right4");
    EXPECT_NE(said, std::string::npos) << events;
    EXPECT_EQ(events.find("Screenshot not taken", said + 1), std::string::npos);
}

TEST_F(TFNavScreenshots, AFileInPlaceOfTheFolderGivesOneBoxPerCycle) {
    TFNav& w = Create();
    phxtest::WriteAll(g_DayDir + "PNG", "in the way");
    w.tScreenshot->start();
    for (int cycle = 1; cycle <= 2; ++cycle) {
        Cycle();
        ASSERT_TRUE(
            phxtest::PumpEventsUntil([&] { return dialogs->messages.size() == cycle; }, 30000));
    }
    EXPECT_TRUE(dialogs->messages[0].startsWith("Cannot create file \""));
    EXPECT_TRUE(w.tScreenshot->isActive());
    w.tScreenshot->stop();
}

TEST_F(TFNavScreenshots, ACycleDueDuringAWriteIsSkipped) {
    TFNav& w = Create();
    std::atomic<bool> release{false};
    w.Screenshots()->BeforeWrite = [&](const std::string&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    w.tScreenshotTimer();
    clock.second = 2;
    w.tScreenshotTimer();  // skipped
    release = true;
    ASSERT_TRUE(w.WaitForScreenshots(60000));
    EXPECT_EQ(Files(Png()), (std::vector<std::string>{"PHX 2024-05-01 142501 Primary.png"}));
}

TEST_F(TFNavScreenshots, TheCloseWaitsForAWriteInFlight) {
    TFNav& w = Create();
    std::atomic<bool> writing{false};
    w.Screenshots()->BeforeWrite = [&](const std::string&) {
        writing = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    };
    w.tScreenshotTimer();
    while (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    w.close();
    EXPECT_FALSE(w.Screenshots()->Busy());
    EXPECT_EQ(Files(Png()), (std::vector<std::string>{"PHX 2024-05-01 142501 Primary.png"}));
    nav.reset();  // the worker goes with the window
}

TEST_F(TFNavScreenshots, TheIntervalEditDrivesTheTimer) {
    TFNav& w = Create();
    TFGPSHost host;
    host.ScreenshotTimer = [&w] { return w.tScreenshot; };
    TFGPS settings(host);
    settings.eScreenshotInterval->setText("5");
    EXPECT_TRUE(w.tScreenshot->isActive());
    EXPECT_EQ(w.tScreenshot->interval(), 5000);
    settings.eScreenshotInterval->setText("0");
    EXPECT_FALSE(w.tScreenshot->isActive());
}

}  // namespace
