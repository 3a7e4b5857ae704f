// The program's windows over their whole life: made in their order, the
// first show of the main window, its close (placements stored, windows
// closed, each in its order) and the windows freed last first.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "devices/ui/TFGPS.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/IniFile.h"
#include "platform/TextFiles.h"
#include "tests/support/ScopedDialogs.h"
#include "tests/support/TempHome.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfSVP.h"
#include "tools/ui/TfSVPGraph.h"
#include "tools/ui/TfTheme.h"

namespace {

// Every widget made (QEvent::Create comes from the widget's own
// construction) and every window closed, in order.
class Watch : public QObject {
  public:
    std::vector<const QWidget*> created;
    std::vector<const QWidget*> closed;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            if (event->type() == QEvent::Create) created.push_back(widget);
            if (event->type() == QEvent::Close) closed.push_back(widget);
        }
        return false;
    }
};

// The application's windows in the order the program makes them.
std::vector<const QWidget*> ApplicationWindows() {
    return {FNav,      Navset,    FShape,           FGPS,         fRealtime, FMsg,
            Offsets,   formAbout, fSVP,             fRunline1,    fLatency,  fWaterfal,
            fTheme,    fJoystick, fSVPGraph,        frmNTRIPSettings, fRTCMParsing};
}

// `all` reduced to the members of `of`, in the order of `all`.
std::vector<const QWidget*> Among(const std::vector<const QWidget*>& all,
                                  const std::vector<const QWidget*>& of) {
    std::vector<const QWidget*> out;
    for (const QWidget* w : all)
        if (std::find(of.begin(), of.end(), w) != of.end() &&
            std::find(out.begin(), out.end(), w) == out.end())
            out.push_back(w);
    return out;
}

// The sections of the settings file in the order they stand in it.
std::vector<std::string> Sections() {
    std::string text;
    platform::ReadFile(SettingsFilePath(), text);
    std::vector<std::string> names;
    for (const std::string& line : platform::SplitLines(text))
        if (line.size() > 2 && line.front() == '[') names.push_back(line.substr(1, line.find(']') - 1));
    return names;
}

TEST(TFNavLifecycle, WindowsMadeInOrderClosedInOrderFreedLastFirst) {
    phxtest::TempHome home;
    InitDayPaths();
    g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    Watch watch;
    qApp->installEventFilter(&watch);

    CreateApplicationWindows();
    const std::vector<const QWidget*> windows = ApplicationWindows();
    ASSERT_EQ(windows.size(), 17u);
    for (const QWidget* w : windows) ASSERT_NE(w, nullptr);
    EXPECT_EQ(Among(watch.created, windows), windows);

    // The first show shows the offsets and battery windows.
    fJoystick->hide();
    FNav->show();
    EXPECT_TRUE(Offsets->isVisible());
    EXPECT_TRUE(fJoystick->isVisible());

    // The close: eight placements, then six windows closed, in order. None
    // of the eight sections is in the file before.
    const std::vector<std::string> placed = {"Offsets",   "Navset",    "FNav",      "fRealtime",
                                             "fSVP",      "fRunline1", "fWaterfal", "fJoystick"};
    for (const std::string& section : Sections())
        ASSERT_EQ(std::find(placed.begin(), placed.end(), section), placed.end()) << section;
    // Every one of them on the screen once: a window never shown keeps what
    // the file holds.
    for (QWidget* w : std::initializer_list<QWidget*>{Navset, Offsets, FGPS, fRealtime, fSVP,
                                                      fRunline1, fWaterfal})
        w->show();
    watch.closed.clear();
    FNav->close();
    std::vector<std::string> stored;
    for (const std::string& section : Sections())
        if (std::find(placed.begin(), placed.end(), section) != placed.end())
            stored.push_back(section);
    EXPECT_EQ(stored, placed);
    // The main window's own close comes first; its close query closes the six.
    EXPECT_EQ(Among(watch.closed, windows),
              (std::vector<const QWidget*>{FNav, Navset, Offsets, FGPS, fRealtime, fRunline1,
                                           fWaterfal}));

    // Freed last first.
    std::vector<const QObject*> freed;
    for (const QWidget* w : windows)
        QObject::connect(w, &QObject::destroyed, [&freed](QObject* o) { freed.push_back(o); });
    std::vector<const QObject*> expected(windows.rbegin(), windows.rend());
    FreeApplicationWindows();
    EXPECT_EQ(freed, expected);
    qApp->removeEventFilter(&watch);
    g_LanguageManager.reset();
}

// A settings file that is there but cannot be read lives through a whole
// run untouched: it is said once, and the saves of the run (the drawing's
// key, an event number, the device settings, placements and the view at
// the close) write nothing to it or beside it.
TEST(TFNavLifecycle, AnUnreadableSettingsFileIsSaidOnceAndLeftAsItWas) {
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        void (*make)(const std::string& path);
        const char* reason;
    } cases[] = {
        {"an I/O error", [](const std::string& path) { fs::create_symlink("/proc/self/mem", path); },
         "input/output error"},
        {"too large",
         [](const std::string& path) {
             phxtest::WriteAll(path, "[NTRIP]\r\nPassword=mine\r\n");
             fs::resize_file(path, std::uintmax_t{17} << 20);
         },
         "larger than 16 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        phxtest::TempHome home;
        phxtest::ScopedDialogs dialogs;
        InitDayPaths();
        g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
        const std::string path = SettingsFilePath();
        const std::string folder = fs::path(path).parent_path().string();
        c.make(path);
        const auto before = fs::symlink_status(path).type();
        const auto stamp = fs::last_write_time(folder);
        const std::string bytes = before == fs::file_type::regular ? phxtest::ReadAll(path) : "";

        CreateApplicationWindows();
        FNav->show();
        FNav->Save1Click();
        FNav->btEventAddClick();
        FGPS->LockStateCheck1->setChecked(true);
        FNav->close();
        FreeApplicationWindows();
        g_LanguageManager.reset();

        int told = 0;
        for (const QString& m : dialogs.scripted->messages)
            if (m.contains(QString::fromStdString(path)) && m.contains("cannot be read")) {
                ++told;
                EXPECT_TRUE(m.contains(c.reason)) << m.toStdString();
            }
        EXPECT_EQ(told, 1) << dialogs.scripted->messages.join("\n").toStdString();
        EXPECT_EQ(fs::symlink_status(path).type(), before);
        if (before == fs::file_type::symlink) {
            EXPECT_EQ(fs::read_symlink(path), "/proc/self/mem");
        } else {
            EXPECT_EQ(phxtest::ReadAll(path), bytes);
        }
        // Nothing was put in place beside it, not even for a moment.
        EXPECT_EQ(fs::last_write_time(folder), stamp);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

}  // namespace
