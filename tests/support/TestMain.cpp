// Test entry: a QApplication on the offscreen platform (unless the
// environment names another), the C numeric locale as the program sets it,
// scripted dialogs so no test can block on a modal box, a recording shell
// so no test starts a file manager, and a recording launcher and exit so no
// test starts a program or ends itself unless it asks for the real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/ProcessExit.h"
#include "platform/Shell.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    platform::SetShell(std::make_unique<platform::RecordingShell>());
    platform::SetLauncher(std::make_unique<platform::RecordingLauncher>());
    platform::SetProcessExit(std::make_unique<platform::RecordingExit>());
    return RUN_ALL_TESTS();
}
