#include "platform/TextFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/Fifo.h"
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

// The guarded reader: a regular file within the bound is read whole; every
// other thing is refused before a byte is read, with the reason a message
// gives. Each case works as root (no permission is skipped there).
TEST(TextFiles, ReadRegularFileRefusesAllButARegularFileWithinItsBound) {
    namespace fs = std::filesystem;
    phxtest::TempHome home;
    const std::string h = home.home();
    phxtest::WriteAll(h + "ok.txt", "12345");
    phxtest::WriteAll(h + "large.txt", "123456");
    phxtest::WriteAll(h + "locked.txt", "x");
    ::chmod((h + "locked.txt").c_str(), 0);
    fs::create_symlink("/proc/self/mem", h + "io-error");
    fs::create_symlink(h + "ok.txt", h + "link.txt");
    phxtest::GuardedFifo fifo(h + "fifo");
    ASSERT_TRUE(fifo.ok());
    const struct {
        std::string path;
        FileReadStatus status;
        std::string reason;
    } cases[] = {
        {h + "ok.txt", FileReadStatus::Ok, ""},
        {h + "link.txt", FileReadStatus::Ok, ""},
        {h + "large.txt", FileReadStatus::TooLarge, "larger than 5 bytes"},
        {h + "none.txt", FileReadStatus::Missing, "no such file or directory"},
        {h + "ok.txt/inside", FileReadStatus::Missing, "not a directory"},
        {h + "fifo", FileReadStatus::NotRegular, "not a regular file"},
        {home.appData(), FileReadStatus::NotRegular, "not a regular file"},
        {"/dev/zero", FileReadStatus::NotRegular, "not a regular file"},
        {h + "io-error", FileReadStatus::Unreadable, "input/output error"},
        {h + "locked.txt", FileReadStatus::Unreadable, "permission denied"},
    };
    for (const auto& c : cases) {
        if (c.reason == "permission denied" && ::getuid() == 0) continue;
        std::string bytes = "stale";
        const FileReadResult read = ReadRegularFile(c.path, bytes, 5);
        EXPECT_EQ(read.status, c.status) << c.path;
        EXPECT_EQ(FileReadReason(read), c.reason) << c.path;
        EXPECT_EQ(bytes, read.ok() ? "12345" : "") << c.path;
    }
    EXPECT_FALSE(fifo.TimedOut());
    std::string bytes;
    EXPECT_EQ(FileReadProblem(h + "fifo", ReadRegularFile(h + "fifo", bytes, 5)),
              h + "fifo (not a regular file)");
    const FileReadResult big{FileReadStatus::TooLarge, 0, std::size_t{3} << 30};
    EXPECT_EQ(FileReadReason(big), "larger than 3072 MB");
}
