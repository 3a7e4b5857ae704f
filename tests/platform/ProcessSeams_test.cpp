// The real launcher and exit behind the seams the tests otherwise replace:
// a program started with its arguments as they are (no shell reads them),
// and the two ways of ending the process with the status a parent sees.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/Launcher.h"
#include "platform/ProcessExit.h"
#include "tests/support/TempHome.h"

namespace fs = std::filesystem;

namespace {

void SayAtExit() { std::fputs("exit processing ran\n", stderr); }

TEST(ProcessLauncher, StartsTheProgramWithItsArgumentsAndNoShell) {
    phxtest::TempHome home;
    // A path and arguments that a shell would split, expand or run.
    const std::string folder = home.home() + "with space;x/";
    fs::create_directories(folder);
    const std::string program = folder + "helper $HOME";
    const std::string marker = home.home() + "marker";
    phxtest::WriteAll(program, "#!/bin/sh\nprintf '%s|%s|%s' \"$#\" \"$1\" \"$2\" > '" + marker + "'\n");
    fs::permissions(program, fs::perms::owner_all);
    platform::ProcessLauncher launcher;
    ASSERT_TRUE(launcher.StartDetached(program, {"a b", "$(touch pwned); `id`"}));
    for (int i = 0; i < 300 && phxtest::ReadAll(marker).empty(); ++i) QTest::qWait(10);
    EXPECT_EQ(phxtest::ReadAll(marker), "2|a b|$(touch pwned); `id`");
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(launcher.StartDetached(home.home() + "missing", {}));
}

// The normal exit runs the C library's exit processing; the hard exit does
// not. Both give the parent 255 for -1, also from inside a running window.
TEST(SystemExitDeathTest, NormalExitRunsExitProcessingWithStatus255) {
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            std::atexit(SayAtExit);
            QWidget window;
            window.show();
            QApplication::processEvents();
            platform::SystemExit().Exit(-1);
        },
        ::testing::ExitedWithCode(255), "exit processing ran");
}

TEST(SystemExitDeathTest, HardExitSkipsExitProcessingWithStatus255) {
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            std::atexit(SayAtExit);
            QWidget window;
            window.show();
            QApplication::processEvents();
            platform::SystemExit().HardExit(-1);
        },
        ::testing::ExitedWithCode(255), "^$");
}

TEST(RecordingExit, KeepsTheStatusAParentWouldSee) {
    platform::RecordingExit exit;
    exit.Exit(-1);
    exit.HardExit(3);
    ASSERT_EQ(exit.requests.size(), 2u);
    EXPECT_EQ(exit.requests[0].status, 255);
    EXPECT_FALSE(exit.requests[0].hard);
    EXPECT_EQ(exit.requests[1].status, 3);
    EXPECT_TRUE(exit.requests[1].hard);
}

}  // namespace
