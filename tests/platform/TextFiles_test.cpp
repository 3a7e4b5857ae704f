#include "platform/TextFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempHome.h"

using namespace platform;

TEST(TextFiles, AppendWritesCrLfAndToleratesAMissingFolder) {
    phxtest::TempHome home;
    const std::string path = home.home() + "log.txt";
    EXPECT_TRUE(AppendText(path, "\nfirst\tline"));
    EXPECT_TRUE(AppendText(path, "\nsecond\r\nthird"));
    EXPECT_EQ(phxtest::ReadAll(path), "\r\nfirst\tline\r\nsecond\r\nthird");
    EXPECT_FALSE(AppendText(home.home() + "missing/log.txt", "x"));
}

TEST(TextFiles, SplitLinesAcceptsCrLfAndLf) {
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

// A write that fails half way (here the file size limit of a child process
// stands for a full disk or a crash) must leave the old file as it was.
TEST(TextFiles, AtomicWriteSurvivesAFailureHalfWay) {
    phxtest::TempHome home;
    const std::string path = home.home() + "settings.ini";
    ASSERT_TRUE(WriteFileAtomic(path, "[S]\r\nk=old\r\n"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteFileAtomic(path, std::string(100000, 'x')) ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(phxtest::ReadAll(path), "[S]\r\nk=old\r\n");
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(home.home())) ++entries;
    EXPECT_EQ(entries, 2);  // settings.ini and AppData/, no temporary left behind
}

TEST(TextFiles, AtomicWriteReplacesTheWholeFile) {
    phxtest::TempHome home;
    const std::string path = home.home() + "f.txt";
    ASSERT_TRUE(WriteFileAtomic(path, "a long first version"));
    ASSERT_TRUE(WriteFileAtomic(path, "short"));
    EXPECT_EQ(phxtest::ReadAll(path), "short");
    std::string read;
    EXPECT_TRUE(ReadFile(path, read));
    EXPECT_EQ(read, "short");
    EXPECT_FALSE(WriteFileAtomic(home.home() + "none/f.txt", "x"));
}
