// The project file on disk: a save through a link, the file's mode, a
// read-only file, a file-size limit, and files that are no project at all
// (huge, binary, a damaged magic). Wherever a save fails, the old file and
// its mode stay whole and no temporary file is left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;

QString Q(const std::string& path) { return QString::fromStdString(path); }

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A saved project with one line; `marker` tells the drawings apart.
std::string SaveOneLine(const std::string& path, double marker) {
    TCanvasModel model;
    model.AddLine(marker, 0, 1, 1, 0);
    EXPECT_TRUE(model.SaveProject(Q(path)));
    return phxtest::ReadAll(path);
}

double FirstX(const std::string& path) {
    TCanvasModel model;
    if (!model.LoadProject(Q(path), -1, -1, 0) || model.FShapes.empty()) return -1;
    auto* line = dynamic_cast<TPlovanLine*>(model.FShapes[0]);
    return line ? line->X1 : -1;
}

TEST(ProjectFileSave, ThroughALinkTheTargetIsReplacedAndTheLinkStays) {
    phxtest::TempHome home;
    const std::string data = home.home() + "data/", work = home.home() + "work/";
    fs::create_directories(data);
    fs::create_directories(work);
    SaveOneLine(data + "season.vlm", 1);
    ::chmod((data + "season.vlm").c_str(), 0640);
    fs::create_symlink("../data/season.vlm", work + "season.vlm");  // relative
    fs::create_symlink(work + "season.vlm", work + "again.vlm");    // a link to the link
    fs::create_symlink("../data/new.vlm", work + "dangling.vlm");

    SaveOneLine(work + "again.vlm", 7);
    EXPECT_TRUE(fs::is_symlink(work + "season.vlm"));
    EXPECT_TRUE(fs::is_symlink(work + "again.vlm"));
    EXPECT_EQ(fs::read_symlink(work + "season.vlm"), "../data/season.vlm");
    EXPECT_EQ(FirstX(data + "season.vlm"), 7);
    EXPECT_EQ(ModeOf(data + "season.vlm"), 0640u);

    // A link to a file not there yet makes the file where the link points.
    SaveOneLine(work + "dangling.vlm", 9);
    EXPECT_TRUE(fs::is_symlink(work + "dangling.vlm"));
    EXPECT_EQ(FirstX(data + "new.vlm"), 9);

    // Temporary files went where the targets are, and none is left.
    EXPECT_EQ(Entries(data), (std::vector<std::string>{"new.vlm", "season.vlm"}));
    EXPECT_EQ(Entries(work), (std::vector<std::string>{"again.vlm", "dangling.vlm", "season.vlm"}));

    fs::create_symlink(work + "loop_b.vlm", work + "loop_a.vlm");
    fs::create_symlink(work + "loop_a.vlm", work + "loop_b.vlm");
    TCanvasModel model;
    EXPECT_FALSE(model.SaveProject(Q(work + "loop_a.vlm")));
}

// Judged by the mode bits alone: the tests run as root, for whom every
// access check passes.
TEST(ProjectFileSave, TheFileKeepsItsModeAndAReadOnlyFileIsNotReplaced) {
    const struct {
        unsigned mode;
        bool saved;
    } cases[] = {{0600, true},  {0644, true},  {0660, true}, {0200, true},
                 {0444, false}, {0400, false}, {0000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        phxtest::TempHome home;
        const std::string path = home.home() + "p.vlm";
        const std::string old = SaveOneLine(path, 1);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        TCanvasModel model;
        model.AddLine(2, 0, 1, 1, 0);
        EXPECT_EQ(model.SaveProject(Q(path)), c.saved);
        EXPECT_EQ(ModeOf(path), c.mode);
        if (!c.saved) {
            EXPECT_EQ(phxtest::ReadAll(path), old);
        }
        EXPECT_EQ(Entries(home.home()).size(), 2u);  // p.vlm and AppData/
    }
    // A new file: 0644 less the umask.
    phxtest::TempHome home;
    const mode_t mask = ::umask(022);
    SaveOneLine(home.home() + "new.vlm", 1);
    ::umask(mask);
    EXPECT_EQ(ModeOf(home.home() + "new.vlm"), 0644u);
}

// Under a file-size limit, with SIGXFSZ ignored as the program does, the
// write fails with an error instead of the signal ending the process.
TEST(ProjectFileSave, FailedWritesKeepTheOldFileAndItsMode) {
    phxtest::TempHome home;
    const std::string path = home.home() + "project.vlm";
    const std::string good = SaveOneLine(path, 1);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t size = good.size() + 64;
        const rlimit limit{size, size};
        setrlimit(RLIMIT_FSIZE, &limit);
        TCanvasModel big;
        for (int i = 0; i < 50000; ++i) big.AddPoint(i * 0.37, i * 1.13, 0);
        _exit(big.SaveProject(Q(path)) ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 3);  // reported as a failure
    EXPECT_EQ(phxtest::ReadAll(path), good);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(Entries(home.home()), (std::vector<std::string>{"AppData", "project.vlm"}));

    // A folder in the file's place, and a folder that is not there.
    TCanvasModel model;
    model.AddLine(0, 0, 1, 1, 0);
    fs::create_directories(home.home() + "folder.vlm");
    EXPECT_FALSE(model.SaveProject(Q(home.home() + "folder.vlm")));
    EXPECT_TRUE(fs::is_directory(home.home() + "folder.vlm"));
    EXPECT_FALSE(model.SaveProject(Q(home.home() + "no/such/folder.vlm")));
    EXPECT_EQ(Entries(home.home()),
              (std::vector<std::string>{"AppData", "folder.vlm", "project.vlm"}));
}

// A sparse file of 3 GiB, plain or with the magic, is refused by its size:
// the loading child's memory never grows anywhere near it.
TEST(ProjectFileLoad, AHugeFileFailsWithoutBeingRead) {
    phxtest::TempHome home;
    for (const char* head : {"LINE 0 0 1 1 0\n", "VLM1"}) {
        SCOPED_TRACE(head);
        const std::string path = home.home() + "huge.vlm";
        phxtest::WriteAll(path, head);
        ASSERT_EQ(::truncate(path.c_str(), off_t{3} << 30), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rusage before{}, after{};
            getrusage(RUSAGE_SELF, &before);
            TCanvasModel model;
            model.AddLine(5, 5, 6, 6, 0);
            const bool loaded = model.LoadProject(Q(path), -1, -1, 0);
            getrusage(RUSAGE_SELF, &after);
            const long grownKiB = after.ru_maxrss - before.ru_maxrss;
            _exit(loaded ? 1 : model.FShapes.size() != 1 ? 2 : grownKiB > (64 << 10) ? 3 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: loaded, 2: drawing changed, 3: file was read";
        ::unlink(path.c_str());
    }
}

// A file without the magic is project text only when it holds no control
// bytes but tab, CR and LF; letters of 0x80 and above are text.
TEST(ProjectFileLoad, BinaryFilesAreRefusedLikeDamagedStreams) {
    phxtest::TempHome home;
    const std::string saved = home.home() + "saved.vlm";
    SaveOneLine(saved, 3);
    std::string damaged = phxtest::ReadAll(saved);
    damaged[3] = '0';  // "VLM0"
    const struct {
        const char* name;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"damaged magic", damaged, false},
        {"NUL byte", std::string("LINE 0 0 1 1 0\n\0", 16), false},
        {"ELF header",
         std::string("\x7f"
                     "ELF\x02\x01\x01",
                     7),
         false},
        {"DEL", "LINE 0 0 1 1 0 \x7f\n", false},
        {"escape", "# \x1b[0m\nLINE 0 0 1 1 0\n", false},
        {"form feed", "LINE 0 0 1 1 0\f\n", false},
        {"UTF-8, tab, CR LF", "LAYER 4 \xc5\x9eile\r\nLINE\t0 0 1 1 4\r\n", true},
        {"Windows-1254", "LAYER 4 \xde\xfe\xf0\nLINE 0 0 1 1 4\n", true},
        {"empty", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = home.home() + "case.vlm";
        phxtest::WriteAll(path, c.bytes);
        TCanvasModel model;
        model.AddLine(5, 5, 6, 6, 0);
        EXPECT_EQ(model.LoadProject(Q(path), -1, -1, 0), c.loads);
        if (c.loads) {
            EXPECT_EQ(model.FShapes.size(), c.bytes.empty() ? 0u : 1u);
        } else {
            ASSERT_EQ(model.FShapes.size(), 1u);
            EXPECT_EQ(dynamic_cast<TPlovanLine*>(model.FShapes[0])->X1, 5);
        }
    }
}

// A FIFO picked as a project is refused at once, never waited on.
TEST(ProjectFileLoad, AFifoIsRefusedAtOnce) {
    phxtest::TempHome home;
    phxtest::GuardedFifo fifo(home.home() + "pipe.vlm");
    ASSERT_TRUE(fifo.ok());
    TCanvasModel model;
    model.AddLine(5, 5, 6, 6, 0);
    EXPECT_FALSE(model.LoadProject(Q(fifo.path()), -1, -1, 0));
    EXPECT_FALSE(fifo.TimedOut());
    EXPECT_EQ(model.FShapes.size(), 1u);
}

}  // namespace
