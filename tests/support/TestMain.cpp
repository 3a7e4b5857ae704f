// Test entry: a QApplication on the offscreen platform (unless the
// environment names another), the C numeric locale as the program sets it,
// scripted dialogs so no test can block on a modal box, and a recording
// shell so no test starts a file manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "platform/Dialogs.h"
#include "platform/Shell.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    platform::SetShell(std::make_unique<platform::RecordingShell>());
    return RUN_ALL_TESTS();
}
