// The main window's menu catalogue and tool bar on the program's real
// windows: every item with its caption, shortcut and handler, the keys that
// the shown window answers, the show commands, remote support, restart,
// exit and the import of an old settings file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>

#include "canvas/PlovanCanvas.h"
#include "devices/ui/TFGPS.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/EventLog.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/SettingsImport.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "platform/ProcessExit.h"
#include "platform/Shell.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfSVP.h"
#include "tools/ui/TfTheme.h"
#include "tools/ui/TfTranslationEditor.h"

namespace fs = std::filesystem;

namespace {

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

size_t FilesIn(const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return 0;
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec)) n += entry.is_regular_file();
    return n;
}

// The program's windows, the main one shown; fresh recording seams for the
// launcher and the exit, and a fixture language folder.
class TFNavMenus : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    platform::RecordingLauncher* launched = nullptr;
    platform::RecordingExit* exits = nullptr;
    platform::RecordingShell* shell = nullptr;

    void SetUp() override {
        InitDayPaths();
        ResetDisplayValues();
        g_Survey.RealtimeRunning = false;
        g_Survey.FollowVessel = true;
        const std::string languages = home.home() + "Languages/";
        fs::create_directories(languages);
        phxtest::WriteAll(languages + "tr.json", "{\n  \"Start\": \"Başlat\"\n}\n");
        g_LanguageManager = std::make_unique<TLanguageManager>(languages);
        auto l = std::make_unique<platform::RecordingLauncher>();
        launched = l.get();
        platform::SetLauncher(std::move(l));
        auto e = std::make_unique<platform::RecordingExit>();
        exits = e.get();
        platform::SetProcessExit(std::move(e));
        auto s = std::make_unique<platform::RecordingShell>();
        shell = s.get();
        platform::SetShell(std::move(s));
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }
    void TearDown() override {
        if (FNav) FreeApplicationWindows();
        platform::IniFile::SetWritesRefused(false);
        g_LanguageManager.reset();
        g_Survey.RealtimeRunning = false;
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }

    void StartProgram() {
        CreateApplicationWindows();
        FNav->show();
    }

    // The settings file's bytes as they stand on the disk.
    static std::string SettingsBytes() { return phxtest::ReadAll(SettingsFilePath()); }
};

QStringList ActionNames(const QMenu* menu) {
    QStringList names;
    for (const QAction* action : menu->actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

// One item of the catalogue: where it is, what it shows, whether its key is
// live or only shown, and what its handler does on the program's windows
// (`prepare` undoes the effect beforehand, `seen` finds it afterwards).
struct Item {
    const char* menu;
    const char* name;
    const char* caption;
    const char* shortcut;
    bool live;
    std::function<void()> prepare;
    std::function<bool()> seen;
};

// The window behind a global, read when the item is tried.
template <typename Window>
std::function<void()> Hide(Window* const& window) {
    return [&window] {
        if (window) window->hide();
    };
}
template <typename Window>
std::function<bool()> Visible(Window* const& window) {
    return [&window] { return window && window->isVisible(); };
}

TEST_F(TFNavMenus, CatalogueOfTheMenusAndTheirHandlers) {
    StartProgram();
    TFNav& nav = *FNav;
    TPlovanCanvas* canvas = nav.fcad;
    auto& d = Dialogs();
    size_t messages = 0, fileDialogs = 0;
    const auto note = [&] {
        messages = static_cast<size_t>(d.messages.size());
        fileDialogs = d.fileDialogs.size();
    };
    const auto said = [&](const QString& text) {
        return static_cast<size_t>(d.messages.size()) == messages + 1 && d.messages.last() == text;
    };
    const auto saidStart = [&](const QString& text) {
        return static_cast<size_t>(d.messages.size()) == messages + 1 &&
               d.messages.last().startsWith(text);
    };
    const auto fileDialog = [&](const QString& caption) {
        return d.fileDialogs.size() == fileDialogs + 1 &&
               (caption.isEmpty() || d.fileDialogs.back().caption == caption);
    };
    const auto nothingAsked = [&] {
        return static_cast<size_t>(d.messages.size()) == messages &&
               d.fileDialogs.size() == fileDialogs;
    };
    // Auto-saves within one second share a name: the folder is emptied first.
    const auto countProjects = [&] {
        std::error_code ec;
        fs::remove_all(g_ProjectDir, ec);
        fs::create_directories(g_ProjectDir, ec);
    };
    const auto saved = [&] { return FilesIn(g_ProjectDir) == 1; };
    double viewWidth = 0;
    const auto noteView = [&] {
        canvas->SetView(0, 1000, 1000, 0);
        viewWidth = canvas->GetViewWidth();
    };
    std::string events;
    bool mapVisible = false;

    const Item items[] = {
        {"File1", "New1", "New", "Ctrl+N", true, note,
         [&] { return said("Entire layout will be cleared! Continue?"); }},
        {"File1", "Open1", "Open...", "Ctrl+O", true, note, [&] { return fileDialog("Dialog Open"); }},
        {"File1", "Save1", "Save", "Ctrl+S", true, countProjects, saved},
        {"File1", "SaveAs1", "Save As...", "Ctrl+W", true, note,
         [&] { return fileDialog("Dialog Save"); }},
        {"File1", "Export1", "Export...", "Ctrl+X", true, note, [&] { return fileDialog({}); }},
        {"File1", "Import1", "Import...", "Ctrl+I", true, note, [&] { return fileDialog({}); }},
        // Exit closes the main window: its handler is tried last, below.
        {"File1", "Exit1", "Exit", "Ctrl+Q", true, nullptr, nullptr},
        {"Edit1", "MarkEvent1", "Mark Event", "F12", true,
         [&] { events = phxtest::ReadAll(EventLogPath()); },
         [&] { return phxtest::ReadAll(EventLogPath()).size() > events.size(); }},
        {"Edit1", "ClearFixedTracks1", "Clear tracks fixed", "", true, note,
         [&] { return said("Fixed/Float/DGPS tracking points to be cleared. Continue?"); }},
        {"Edit1", "ClearUnfixedTracks1", "Clear tracks unfixed", "", true, note,
         [&] { return said("Autonomous tracking points to be cleared. Continue?"); }},
        {"Edit1", "ClearUserAddedShapes1", "Clear shapes user added", "", true, note,
         [&] { return said("User added shapes to be deleted! Continue?"); }},
        // No handler of its own; the Delete key reaches it after a track selection.
        {"Edit1", "Deletetracksselected1", "Delete tracks selected", "", true, note, nothingAsked},
        {"Zoom1", "In1", "In", "Ctrl+I", false, noteView,
         [&] { return canvas->GetViewWidth() < viewWidth - 1; }},
        {"Zoom1", "Out1", "Out", "Ctrl+O", false, noteView,
         [&] { return canvas->GetViewWidth() > viewWidth + 1; }},
        {"Zoom1", "Extents1", "Extents", "Ctrl+Alt+E", true,
         [&] {
             canvas->AddLine(5000, 5000, 5100, 5100, g_Survey.UserShapeLayerId);
             noteView();
         },
         [&] { return canvas->FWorldLeft > 4000; }},
        {"Zoom1", "Window1", "Window", "Ctrl+W", false, [&] { canvas->FCommand = 0; },
         [&] { return canvas->FCommand == -3; }},
        {"Zoom1", "Dynamic1", "Dynamic", "Ctrl+Alt+D", true, [&] { canvas->FCommand = 0; },
         [&] { return canvas->FCommand == -4; }},
        {"Zoom1", "Followvessel1", "Follow vessel", "", true,
         [&] { g_Survey.FollowVessel = false; }, [&] { return g_Survey.FollowVessel; }},
        {"Zoom1", "Donotfollowvessel1", "Do not follow vessel", "", true,
         [&] { g_Survey.FollowVessel = true; }, [&] { return !g_Survey.FollowVessel; }},
        {"Window2", "NavigationSettings1", "Navigation Settings...", "", true,
         Hide(Navset),
         Visible(Navset)},
        {"Window2", "mRealtimeWindow1", "Realtime Window...", "", true,
         Hide(fRealtime),
         Visible(fRealtime)},
        // The sounder port is closed: the message, no window.
        {"Window2", "Echogram1", "Echogram...", "Ctrl+O", false, note,
         [&] {
             return said("Sensor is not connected. Connect sensor to view waterfall.") &&
                    !fWaterfal->isVisible();
         }},
        {"Window2", "OffsetsandValues1", "Offsets...", "Ctrl+O", false,
         Hide(Offsets),
         Visible(Offsets)},
        {"Window2", "themeSelection1", "Theme Selection...", "", true,
         Hide(fTheme),
         Visible(fTheme)},
        {"Window2", "SoundVelocityProfile1", "Sound Velocity Profile...", "", true,
         Hide(fSVP),
         Visible(fSVP)},
        {"Window2", "PlovanNTRIPClient1", "Plovan NTRIP Client...", "", true,
         Hide(frmNTRIPSettings),
         Visible(frmNTRIPSettings)},
        {"Window2", "Generate1", "Generate Runline...", "", true,
         [&] {
             fRunline1->hide();
             countProjects();
         },
         [&] { return fRunline1->isVisible() && saved(); }},
        {"Window2", "Parameters1", "Device Settings...", "F10", true,
         Hide(FGPS),
         Visible(FGPS)},
        {"Tools1", "VesselShape1", "Vessel Shape...", "", true,
         Hide(FShape),
         Visible(FShape)},
        {"Tools1", "OpenLogFolder1", "Open Log Folder", "Ctrl+L", true, [&] { shell->opened.clear(); },
         [&] { return shell->opened.size() == 1; }},
        {"Tools1", "LatencyWatchSet1", "Latency Watch/Set", "", true,
         Hide(fLatency),
         Visible(fLatency)},
        {"Tools1", "ImportOldPHX1", "Import Old PHX...", "", true, note,
         [&] { return fileDialog("Import Old PHX INI File"); }},
        {"Tools1", "-", nullptr, nullptr, false, nullptr, nullptr},
        {"Tools1", "ShowSatelliteImage1", "Show Satellite Image", "", true,
         [&] { mapVisible = canvas->GetMapVisible(); },
         [&] { return canvas->GetMapVisible() != mapVisible; }},
        {"Tools1", "ClearSatelliteImageCahses1", "Clear Satellite Image Cahses...", "", true, note,
         [&] { return said("Satellite image cache cleared."); }},
        {"Languages1", "English1", "English", "", true, nullptr,
         [&] { return nav.sStatusBar->PanelText(4) == "EN"; }},
        {"Languages1", "Turkish1", "Turkish", "", true, nullptr,
         [&] { return nav.sStatusBar->PanelText(4) == "TR"; }},
        {"Languages1", "TranslationEditor1", "Translation Editor", "", true, nullptr,
         [&] { return fTranslationEditor && fTranslationEditor->isVisible(); }},
        // The helper beside the test program, or the text without it (the
        // remote support test may have one there for a moment).
        {"Help1", "RemoteSupport1", "Remote Support...", "", true,
         [&] {
             note();
             launched->started.clear();
         },
         [&] {
             return saidStart("Remote support program not found: ") != (launched->started.size() == 1);
         }},
        {"Help1", "About1", "About...", "", true,
         [&] { QTimer::singleShot(0, [] { formAbout->done(QDialog::Accepted); }); },
         [&] { return formAbout->result() == QDialog::Accepted && !formAbout->isVisible(); }},
    };

    // The menus and their items in order.
    QStringList menus;
    for (const QAction* action : nav.MainMenu1->actions()) menus << action->menu()->objectName();
    EXPECT_EQ(menus, QStringList({"File1", "Edit1", "Zoom1", "Window2", "Tools1", "Languages1",
                                  "Help1"}));
    std::map<QString, QStringList> expected;
    for (const Item& item : items) expected[item.menu] << item.name;
    for (const QString& menu : menus) {
        const auto* m = nav.MainMenu1->findChild<QMenu*>(menu);
        ASSERT_NE(m, nullptr) << menu.toStdString();
        EXPECT_EQ(ActionNames(m), expected[menu]) << menu.toStdString();
    }

    for (const Item& item : items) {
        if (QString(item.name) == "-") continue;
        SCOPED_TRACE(item.name);
        auto* action = nav.findChild<QAction*>(item.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), item.caption);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString(item.shortcut)));
        if (*item.shortcut) {
            EXPECT_EQ(action->shortcutContext(),
                      item.live ? Qt::WindowShortcut : Qt::WidgetShortcut);
        }
        if (!item.seen) continue;
        if (item.prepare) item.prepare();
        action->trigger();
        EXPECT_TRUE(item.seen());
    }

    // Exit: the auto-save, then the main window closes (whose close saves
    // once more, under a second name when the clock has moved on).
    countProjects();
    nav.Exit1->trigger();
    EXPECT_GE(FilesIn(g_ProjectDir), 1u);
    EXPECT_FALSE(nav.isVisible());
}

TEST_F(TFNavMenus, RealtimeToolBarAndItsShowCommands) {
    StartProgram();
    TFNav& nav = *FNav;
    QStringList names, captions;
    for (QAction* action : nav.tRealtime->actions()) {
        const QWidget* w = nav.tRealtime->widgetForAction(action);
        names << (w ? w->objectName() : QString());
        if (const auto* b = qobject_cast<const QToolButton*>(w)) captions << b->text();
    }
    EXPECT_EQ(names, QStringList({"bRealtime", "bOpen", "bSave", "ConnectIcon", "btEventAdd",
                                  "btEventReset", "tbFixed", "tbFloat", "tbAuto", "tbRunline",
                                  "bRestart", "bExit"}));
    EXPECT_EQ(captions, QStringList({"Start", "Open", "Save", "Connect", "Add Event", "Reset Event",
                                     "Clear Fixed", "Clear Float", "Clear NoFix", "Runline",
                                     "Restart", "Exit"}));

    fRunline1->hide();
    nav.tbRunline->click();
    EXPECT_TRUE(fRunline1->isVisible());
    FGPS->hide();
    nav.ConnectIcon->click();
    EXPECT_TRUE(FGPS->isVisible());
}

// Each live key of the shown main window runs its own item and no other:
// Ctrl+O is the project dialog, never Out, Echogram or Offsets.
TEST_F(TFNavMenus, EachLiveShortcutFiresOnlyItsItem) {
    StartProgram();
    TFNav& nav = *FNav;
    std::map<QString, int> fired;
    for (QAction* action : nav.findChildren<QAction*>())
        if (!action->objectName().isEmpty())
            QObject::connect(action, &QAction::triggered,
                             [&fired, name = action->objectName()] { ++fired[name]; });
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* item;
    } keys[] = {
        {Qt::Key_N, Qt::ControlModifier, "New1"},
        {Qt::Key_O, Qt::ControlModifier, "Open1"},
        {Qt::Key_S, Qt::ControlModifier, "Save1"},
        {Qt::Key_W, Qt::ControlModifier, "SaveAs1"},
        {Qt::Key_X, Qt::ControlModifier, "Export1"},
        {Qt::Key_I, Qt::ControlModifier, "Import1"},
        {Qt::Key_F12, Qt::NoModifier, "MarkEvent1"},
        {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, "Extents1"},
        {Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, "Dynamic1"},
        {Qt::Key_F10, Qt::NoModifier, "Parameters1"},
        {Qt::Key_L, Qt::ControlModifier, "OpenLogFolder1"},
        {Qt::Key_Q, Qt::ControlModifier, "Exit1"},  // last: it closes the window
    };
    Offsets->hide();
    FGPS->hide();
    const size_t eventsBefore = phxtest::ReadAll(EventLogPath()).size();
    for (const auto& k : keys) {
        SCOPED_TRACE(k.item);
        QApplication::setActiveWindow(&nav);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&nav));
        nav.fcad->setFocus();
        const size_t dialogsBefore = Dialogs().fileDialogs.size();
        fired.clear();
        QTest::keyClick(nav.fcad, static_cast<Qt::Key>(k.key), k.modifiers);
        EXPECT_EQ(fired, (std::map<QString, int>{{k.item, 1}}));
        if (QString(k.item) == "Parameters1") {
            EXPECT_TRUE(FGPS->isVisible());
        }
        if (QString(k.item) == "Open1") {
            ASSERT_EQ(Dialogs().fileDialogs.size(), dialogsBefore + 1);
            EXPECT_EQ(Dialogs().fileDialogs.back().caption, "Dialog Open");
            EXPECT_FALSE(Offsets->isVisible());
        }
    }
    EXPECT_GT(phxtest::ReadAll(EventLogPath()).size(), eventsBefore);
    EXPECT_EQ(shell->opened.size(), 1u);
    EXPECT_FALSE(nav.isVisible());
}

TEST_F(TFNavMenus, GenerateSavesAndShowsTheRunlineWindowAtItsStoredPlace) {
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteInteger("fRunline1", "Left", 140);
        ini.WriteInteger("fRunline1", "Top", 90);
    }
    StartProgram();
    fRunline1->move(400, 300);
    const size_t before = FilesIn(g_ProjectDir);
    FNav->Generate1Click();
    EXPECT_EQ(FilesIn(g_ProjectDir), before + 1);
    EXPECT_TRUE(fRunline1->isVisible());
    EXPECT_EQ(fRunline1->pos(), QPoint(140, 90));
    // The auto-save names itself in the settings.
    platform::IniFile::DropCachedModels();
    const std::string last = platform::IniFile(SettingsFilePath()).ReadString("FILE", "Last File Saved", "");
    EXPECT_TRUE(fs::exists(last)) << last;
}

// Remote support starts the helper beside the executable, really, and
// never one of that name in the current folder.
TEST_F(TFNavMenus, RemoteSupportStartsOnlyTheHelperBesideTheExecutable) {
    StartProgram();
    const std::string besideExe = QCoreApplication::applicationDirPath().toStdString() + "/PlovanAux";
    const std::string current = home.home() + "cwd/";
    fs::create_directories(current);
    const std::string marker = home.home() + "marker";
    const auto writeStub = [&](const std::string& path, const std::string& text) {
        phxtest::WriteAll(path, "#!/bin/sh\necho " + text + " >> '" + marker + "'\n");
        fs::permissions(path, fs::perms::owner_all);
    };
    std::error_code ec;
    fs::remove(besideExe, ec);  // left by a run that stopped half way
    const fs::path oldCwd = fs::current_path();
    fs::current_path(current);
    writeStub(current + "PlovanAux", "current");
    auto& d = Dialogs();

    // Missing beside the executable: the text, and the one in the current
    // folder never starts.
    ASSERT_FALSE(fs::exists(besideExe));
    FNav->RemoteSupport1Click();
    ASSERT_FALSE(d.messages.isEmpty());
    EXPECT_EQ(d.messages.last(),
              QString::fromStdString("Remote support program not found: " + besideExe));
    EXPECT_TRUE(launched->started.empty());

    // Present: started through the real launcher.
    writeStub(besideExe, "beside");
    auto previous = platform::SetLauncher(nullptr);
    const qsizetype shown = d.messages.size();
    FNav->RemoteSupport1Click();
    platform::SetLauncher(std::move(previous));
    for (int i = 0; i < 200 && phxtest::ReadAll(marker).empty(); ++i) QTest::qWait(10);
    EXPECT_EQ(phxtest::ReadAll(marker), "beside\n");
    EXPECT_EQ(d.messages.size(), shown);
    fs::remove(besideExe);
    fs::current_path(oldCwd);
}

// Restart closes the program first, frees its windows and only then starts
// the new instance: the auto-save, the view and the NTRIP window's keys are
// on the disk when it starts.
TEST_F(TFNavMenus, RestartLaunchesAfterTheWholeClose) {
    struct Seen {
        bool autoSaved = false, canvas = false, ntrip = false, windowsGone = false;
        std::string program;
        std::vector<std::string> arguments;
    } seen;
    launched->onStart = [&](const platform::RecordingLauncher::Start& start) {
        seen.program = start.program;
        seen.arguments = start.arguments;
        platform::IniFile::DropCachedModels();
        const platform::IniFile ini(SettingsFilePath());
        const std::string last = ini.ReadString("FILE", "Last File Saved", "");
        seen.autoSaved = !last.empty() && fs::exists(last);
        seen.canvas = ini.ValueExists("CANVAS", "PlanWorldLeft") &&
                      ini.ValueExists("CANVAS", "GGAOverlayPosition");
        seen.ntrip = ini.SectionExists("NTRIP");
        seen.windowsGone = !FNav && !frmNTRIPSettings && !Navset;
    };
    QTimer::singleShot(100, [] {
        ASSERT_NE(FNav, nullptr);
        // Nothing is stored from the NTRIP window until it is freed.
        platform::IniFile::DropCachedModels();
        EXPECT_FALSE(platform::IniFile(SettingsFilePath()).SectionExists("NTRIP"));
        FNav->bRestart->click();
    });
    StartupSettings settings;
    EXPECT_EQ(RunProgram(*qApp, settings), 0);
    ASSERT_EQ(launched->started.size(), 1u);
    EXPECT_EQ(seen.program, QCoreApplication::applicationFilePath().toStdString());
    EXPECT_TRUE(seen.arguments.empty());
    EXPECT_TRUE(seen.autoSaved);
    EXPECT_TRUE(seen.canvas);
    EXPECT_TRUE(seen.ntrip);
    EXPECT_TRUE(seen.windowsGone);
}

TEST_F(TFNavMenus, CloseWithoutRestartLaunchesNothing) {
    QTimer::singleShot(100, [] { FNav->close(); });
    StartupSettings settings;
    EXPECT_EQ(RunProgram(*qApp, settings), 0);
    EXPECT_TRUE(launched->started.empty());
}

// Exit ends the process with status -1 (255 to its parent) through the C
// library's exit, before anything is saved or stored; the unbound
// ToolButton4 the same without the exit processing.
TEST_F(TFNavMenus, ExitEndsWithoutTheCloseAndWritesNothing) {
    StartProgram();
    QApplication::processEvents();
    const std::string settings = SettingsBytes();
    const size_t projects = FilesIn(g_ProjectDir);
    FNav->bExit->click();
    ASSERT_EQ(exits->requests.size(), 1u);
    EXPECT_EQ(exits->requests[0].status, 255);
    EXPECT_FALSE(exits->requests[0].hard);
    FNav->ToolButton4Click();
    ASSERT_EQ(exits->requests.size(), 2u);
    EXPECT_EQ(exits->requests[1].status, 255);
    EXPECT_TRUE(exits->requests[1].hard);
    EXPECT_EQ(SettingsBytes(), settings);
    EXPECT_EQ(FilesIn(g_ProjectDir), projects);
    EXPECT_TRUE(FNav->isVisible());  // no close ran
}

// The real exit from the running program, all its windows and workers up:
// the process ends with 255 and leaves the settings and the project folder
// as they stood at the click.
TEST_F(TFNavMenus, RealExitOfTheRunningProgramEndsWith255AndWritesNothing) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string snapshot = home.home() + "settings-at-click";
    EXPECT_EXIT(
        {
            StartProgram();
            QApplication::processEvents();
            std::error_code ec;
            fs::remove_all(g_ProjectDir, ec);
            fs::create_directories(g_ProjectDir, ec);
            phxtest::WriteAll(snapshot, SettingsBytes());
            platform::SetProcessExit(nullptr);
            FNav->bExit->click();  // a return would fail the test
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_EQ(SettingsBytes(), phxtest::ReadAll(snapshot));
    EXPECT_EQ(FilesIn(g_ProjectDir), 0u);
}

// The import of an old settings file.
class SettingsImportTest : public TFNavMenus {
  protected:
    std::string oldText = "[SETTINGS]\r\nLanguage=en\r\n[FNav]\r\nLeft=10\r\n";

    void SetUp() override {
        TFNavMenus::SetUp();
        phxtest::WriteAll(SettingsFilePath(), oldText);
        platform::IniFile::DropCachedModels();
    }
};

TEST_F(SettingsImportTest, CopiesTheBytesKeepsTheOldFileAndEndsAtOnce) {
    StartProgram();
    // A file of the Windows program: Windows-1254 bytes, a language and a
    // location with Turkish letters.
    const std::string imported = "[SETTINGS]\r\nLanguage=tr\r\n[ECHOSOUNDER_OFFSETS]\r\n"
                                 "SurveyLocation=\xDE" "ile \xC7" "ar\xFE\xFD\r\n";
    const std::string source = home.home() + "old/PlovanHX.ini";
    fs::create_directories(home.home() + "old");
    phxtest::WriteAll(source, imported);
    const std::string before = SettingsBytes();
    auto& d = Dialogs();
    d.fileNames.push_back(QString::fromStdString(source));
    // A timer that stores a setting while the success message is open is
    // refused until the end.
    d.answers.clear();
    FNav->ImportOldPHX1->trigger();
    ASSERT_EQ(d.fileDialogs.size(), 1u);
    EXPECT_EQ(d.fileDialogs[0].caption, "Import Old PHX INI File");
    EXPECT_EQ(d.fileDialogs[0].filter, platform::QtFileFilter("INI Files (*.ini)|*.ini|All Files (*.*)|*.*"));
    EXPECT_EQ(d.messages.last(), "INI file imported successfully. The application will now close.");
    ASSERT_EQ(exits->requests.size(), 1u);
    EXPECT_EQ(exits->requests[0].status, 255);
    EXPECT_TRUE(exits->requests[0].hard);
    EXPECT_EQ(SettingsBytes(), imported);  // byte for byte
    EXPECT_EQ(phxtest::ReadAll(SettingsBackupPath(SettingsFilePath())), before);
    // Nothing else reaches the file before the end: no close, no store.
    EXPECT_FALSE(platform::IniFile(SettingsFilePath()).WriteString("SETTINGS", "Language", "en"));
    FNav->English1Click();
    FNav->Save1Click();
    EXPECT_EQ(SettingsBytes(), imported);
    // The next start reads it with its Turkish letters.
    platform::IniFile::SetWritesRefused(false);
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    EXPECT_EQ(ini.ReadString("ECHOSOUNDER_OFFSETS", "SurveyLocation", ""), "Şile Çarşı");
    EXPECT_EQ(ini.ReadString("SETTINGS", "Language", ""), "tr");
}

// The same in a running program with the real hard exit: 255, and the next
// start finds the imported bytes.
TEST_F(SettingsImportTest, RealImportEndsTheRunningProgramWith255) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string source = home.home() + "old.ini";
    const std::string imported = "[SETTINGS]\r\nLanguage=tr\r\n";
    phxtest::WriteAll(source, imported);
    EXPECT_EXIT(
        {
            StartProgram();
            QApplication::processEvents();
            Dialogs().fileNames.push_back(QString::fromStdString(source));
            platform::SetProcessExit(nullptr);
            FNav->ImportOldPHX1Click();  // a return would fail the test
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_EQ(SettingsBytes(), imported);
    EXPECT_EQ(FilesIn(g_ProjectDir), 0u);  // no close, so no auto-save
}

TEST_F(SettingsImportTest, CancelledMissingAndFailedCopiesKeepTheOldFile) {
    StartProgram();
    auto& d = Dialogs();
    const std::string before = SettingsBytes();
    ASSERT_EQ(before, oldText);

    FNav->ImportOldPHX1Click();  // cancelled
    EXPECT_TRUE(d.messages.isEmpty());

    d.fileNames.push_back(QString::fromStdString(home.home() + "nowhere.ini"));
    FNav->ImportOldPHX1Click();
    EXPECT_EQ(d.messages.last(), "Source file does not exist.");

    // A folder or a FIFO by the name: there, but no file to copy. The FIFO
    // is refused at once, never read.
    fs::create_directories(home.home() + "folder.ini");
    d.fileNames.push_back(QString::fromStdString(home.home() + "folder.ini"));
    FNav->ImportOldPHX1Click();
    EXPECT_EQ(d.messages.last().toStdString(),
              "Failed to copy INI file: " + home.home() + "folder.ini (not a regular file).");
    {
        phxtest::GuardedFifo fifo(home.home() + "fifo.ini");
        ASSERT_TRUE(fifo.ok());
        d.fileNames.push_back(QString::fromStdString(fifo.path()));
        FNav->ImportOldPHX1Click();
        EXPECT_FALSE(fifo.TimedOut());
        EXPECT_EQ(d.messages.last().toStdString(),
                  "Failed to copy INI file: " + fifo.path() + " (not a regular file).");
    }

    EXPECT_TRUE(exits->requests.empty());
    EXPECT_EQ(SettingsBytes(), before);
    // Writes go on after a failure.
    EXPECT_TRUE(platform::IniFile(SettingsFilePath()).WriteString("SETTINGS", "Language", "en"));
}

// A copy cut short by the file-size limit: the old file stays whole, where a
// copy in place would have left half of the new one.
TEST(SettingsImport, CopyCutShortLeavesTheOldFileWhole) {
    phxtest::TempHome home;
    const std::string target = home.home() + "PlovanHX.ini";
    const std::string source = home.home() + "big.ini";
    const std::string old = "[SETTINGS]\r\nLanguage=en\r\n";
    phxtest::WriteAll(target, old);
    std::string big = "[BIG]\r\n";
    while (big.size() < 64 * 1024) big += "Key=" + std::string(60, 'x') + "\r\n";
    phxtest::WriteAll(source, big);

    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 16 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const SettingsImportResult result = ImportSettingsFile(source, target).result;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, SettingsImportResult::CopyFailed);
    EXPECT_EQ(phxtest::ReadAll(target), old);
    for (const auto& entry : fs::directory_iterator(home.home()))
        EXPECT_TRUE(entry.path().filename() == "PlovanHX.ini" ||
                    entry.path().filename() == "PlovanHX.ini.bak" ||
                    entry.path().filename() == "big.ini" || entry.is_directory())
            << entry.path();
}

// The imported file is as private as the one it replaces, which stays a
// link when it is one; a settings file that cannot be read is not replaced.
TEST(SettingsImport, ThroughALinkPrivatelyAndNeverOverAnUnreadableFile) {
    phxtest::TempHome home;
    const std::string real = home.home() + "real.ini", target = home.home() + "PlovanHX.ini";
    const std::string source = home.home() + "old.ini";
    phxtest::WriteAll(source, "[A]\r\nb=1\r\n");
    phxtest::WriteAll(real, "[A]\r\nb=0\r\n");
    fs::create_symlink(real, target);
    const mode_t mask = ::umask(0);
    EXPECT_EQ(ImportSettingsFile(source, target).result, SettingsImportResult::Imported);
    ::umask(mask);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(target)));
    EXPECT_EQ(phxtest::ReadAll(real), "[A]\r\nb=1\r\n");
    EXPECT_EQ(phxtest::ReadAll(SettingsBackupPath(target)), "[A]\r\nb=0\r\n");
    for (const std::string& path : {real, SettingsBackupPath(target)})
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << path;

    fs::remove(target);
    fs::create_symlink("/proc/self/mem", target);  // reads fail with an I/O error
    const SettingsImport refused = ImportSettingsFile(source, target);
    EXPECT_EQ(refused.result, SettingsImportResult::CopyFailed);
    EXPECT_EQ(refused.problem, target + " (input/output error)");
    EXPECT_EQ(fs::read_symlink(target), "/proc/self/mem");
}

TEST(SettingsImport, FirstImportWithoutAnOldFileMakesNoBackup) {
    phxtest::TempHome home;
    const std::string target = home.home() + "PlovanHX.ini";
    const std::string source = home.home() + "old.ini";
    phxtest::WriteAll(source, "[A]\r\nb=1\r\n");
    EXPECT_EQ(ImportSettingsFile(source, target).result, SettingsImportResult::Imported);
    EXPECT_EQ(phxtest::ReadAll(target), "[A]\r\nb=1\r\n");
    EXPECT_FALSE(fs::exists(SettingsBackupPath(target)));
}

}  // namespace
