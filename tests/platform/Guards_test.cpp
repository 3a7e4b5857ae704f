#include <gtest/gtest.h>

#include <QTimer>
#include <QCoreApplication>
#include <stdexcept>

#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/Paths.h"
#include "tests/support/TempHome.h"

using namespace platform;

namespace {
ScriptedDialogs& Scripted() { return static_cast<ScriptedDialogs&>(dialogs()); }
}  // namespace

TEST(HandlerGuard, AnExceptionBecomesOneMessage) {
    Scripted().messages.clear();
    EXPECT_TRUE(GuardHandler([] {}));
    EXPECT_FALSE(GuardHandler([] { throw std::runtime_error("'abc' is not a valid floating point value"); }));
    EXPECT_FALSE(GuardHandler([] { throw 42; }));
    ASSERT_EQ(Scripted().messages.size(), 2);
    EXPECT_EQ(Scripted().messages[0], "'abc' is not a valid floating point value");
}

// A handler whose message box runs the event loop (as a modal box does) while
// a timer keeps failing must not stack boxes.
class NestingDialogs : public ScriptedDialogs {
public:
    void ShowMessage(const QString& text) override {
        ScriptedDialogs::ShowMessage(text);
        for (int i = 0; i < 5; ++i) GuardHandler([] { throw std::runtime_error("again"); });
    }
};

TEST(HandlerGuard, NoStackOfBoxes) {
    auto previous = SetDialogs(std::make_unique<NestingDialogs>());
    const int suppressedBefore = SuppressedHandlerErrors();
    GuardHandler([] { throw std::runtime_error("first"); });
    EXPECT_EQ(static_cast<ScriptedDialogs&>(dialogs()).messages, QStringList{"first"});
    EXPECT_EQ(SuppressedHandlerErrors() - suppressedBefore, 5);
    SetDialogs(std::move(previous));
}

TEST(Dialogs, ScriptedAnswersInOrder) {
    ScriptedDialogs d;
    d.answers = {idYes, idNo};
    d.fileNames = {"/tmp/a.vlm"};
    EXPECT_EQ(d.MessageBox("q1", "", mbYesNo, iconQuestion), idYes);
    EXPECT_EQ(d.MessageBox("q2", "", mbYesNo, iconQuestion), idNo);
    EXPECT_EQ(d.MessageBox("q3", "", mbOK, iconNone), idOK);
    EXPECT_EQ(d.OpenFileName("", "", ""), "/tmp/a.vlm");
    EXPECT_EQ(d.SaveFileName("", "", ""), "");
    EXPECT_EQ(d.messages, (QStringList{"q1", "q2", "q3"}));
}

TEST(Paths, LinuxMappings) {
    phxtest::TempHome home;
    EXPECT_EQ(AppDataDir(), home.appData());
    EXPECT_EQ(VlmRoot(), home.home() + "VLM/");
    EXPECT_EQ(MapWindowsPath("c:\\VLM\\2025-03-07\\LOG\\a.log"), home.home() + "VLM/2025-03-07/LOG/a.log");
    EXPECT_EQ(MapWindowsPath("D:\\Surveys\\x.vlm"), home.home() + "Surveys/x.vlm");
    EXPECT_EQ(MapWindowsPath("/already/unix"), "/already/unix");
    setenv("APPDATA", "", 1);
    setenv("XDG_CONFIG_HOME", (home.home() + "xdg").c_str(), 1);
    EXPECT_EQ(AppDataDir(), home.home() + "xdg/");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AppDataDir(), home.home() + ".config/");  // never the root of the file system
}
