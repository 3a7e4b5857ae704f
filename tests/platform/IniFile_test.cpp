#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/Dialogs.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempHome.h"

using phxtest::ReadAll;
using phxtest::WriteAll;
using platform::IniFile;

class IniFileTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::string path = home.appData() + "test.ini";
};

TEST_F(IniFileTest, ReadsWithWindowsProfileRules) {
    WriteAll(path,
             "[FILE]\r\nLast File Saved       =/x/a.vlm\r\n"
             "[file]\r\nLast File Saved=second section loses\r\n"
             "[ Settings ]\nFontSize = 40 \nfontsize=12\nQuoted=\"  padded  \"\nBad=abc\n"
             "Hex=0x10\nReal=2.5\nFlag=7\n; comment=ignored\n");
    IniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    for (const Case& c : std::initializer_list<Case>{{"FILE", "Last File Saved", "/x/a.vlm"},
                                                     {"file", "  last file saved ", "/x/a.vlm"},
                                                     {"SETTINGS", "FontSize", "40"},
                                                     {"settings", "Quoted", "  padded  "},
                                                     {"Settings", "; comment", "missing"},
                                                     {"Missing", "FontSize", "missing"}})
        EXPECT_EQ(ini.ReadString(c.section, c.key, "missing"), c.expected)
            << c.section << "/" << c.key;
    EXPECT_EQ(ini.ReadInteger("Settings", "FontSize", 0), 40);
    EXPECT_EQ(ini.ReadInteger("Settings", "Bad", 40), 40);
    EXPECT_EQ(ini.ReadInteger("Settings", "Hex", 0), 16);
    EXPECT_EQ(ini.ReadFloat("Settings", "Real", 0), 2.5);
    EXPECT_EQ(ini.ReadFloat("Settings", "Bad", 1.5), 1.5);
    EXPECT_TRUE(ini.ReadBool("Settings", "Flag", false));
    EXPECT_FALSE(ini.ReadBool("Settings", "Absent", false));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"FILE", "file", "Settings"}));
    EXPECT_EQ(ini.ReadSection("settings").size(), 7u);
}

TEST_F(IniFileTest, PaddedAndPlainSpellingsReplaceOneLine) {
    IniFile ini(path);
    ini.WriteString("FILE", "Last File Saved       ", "one");
    ini.WriteString("file", "last file saved", "two");
    EXPECT_EQ(ini.ReadString("FILE", "Last File Saved", ""), "two");
    EXPECT_EQ(ini.ReadSection("FILE").size(), 1u);
    EXPECT_EQ(ReadAll(path), "[FILE]\r\nlast file saved=two\r\n");
}

TEST_F(IniFileTest, WritesAreSeenByObjectsOpenedEarlierAndLater) {
    IniFile early(path);
    EXPECT_EQ(early.ReadString("S", "k", "none"), "none");
    IniFile writer(path);
    writer.WriteInteger("S", "k", 5);
    writer.WriteFloat("S", "f", 0.1);
    writer.WriteBool("S", "b", true);
    EXPECT_EQ(early.ReadInteger("S", "k", 0), 5);
    IniFile::DropCachedModels();  // a fresh process reads the disk
    IniFile later(path);
    EXPECT_EQ(later.ReadInteger("S", "k", 0), 5);
    EXPECT_EQ(later.ReadString("S", "f", ""), "0.1");
    EXPECT_EQ(later.ReadString("S", "b", ""), "1");
}

TEST_F(IniFileTest, KeepsUnknownLinesAndAppendsSectionsAfterABlankLine) {
    WriteAll(path, "; header comment\n[A]\nx=1\n");
    IniFile ini(path);
    ini.WriteString("A", "y", "2");
    ini.WriteString("B", "z", "3");
    EXPECT_EQ(ReadAll(path), "; header comment\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.SectionExists("b"));
}

// A byte order mark is written back with the file; without one none is
// added. So a line behind it (here a second mark, which makes the first line
// no section) reads the same after a write as before it.
TEST_F(IniFileTest, AByteOrderMarkIsKeptAndWhatFollowsItReadsTheSameAfterAWrite) {
    const std::string bom = "\xEF\xBB\xBF";
    WriteAll(path, bom + bom + "[FUZZ]\nk=1\n[S]\nk=2\n");
    {
        IniFile ini(path);
        EXPECT_FALSE(ini.SectionExists("FUZZ"));
        ini.WriteString("FUZZ", "Key", "value");
    }
    EXPECT_EQ(ReadAll(path),
              bom + bom + "[FUZZ]\r\nk=1\r\n[S]\r\nk=2\r\n\r\n[FUZZ]\r\nKey=value\r\n");
    IniFile::DropCachedModels();
    IniFile reread(path);
    EXPECT_EQ(reread.ReadString("FUZZ", "Key", ""), "value");
    EXPECT_EQ(reread.ReadString("FUZZ", "k", "none"), "none");
    EXPECT_EQ(reread.ReadString("S", "k", ""), "2");

    WriteAll(path, "[S]\nk=2\n");
    IniFile::DropCachedModels();
    IniFile(path).WriteString("S", "k", "3");
    EXPECT_EQ(ReadAll(path), "[S]\r\nk=3\r\n");
}

TEST_F(IniFileTest, ReloadsAFileReplacedOnDisk) {
    IniFile first(path);
    first.WriteString("S", "k", "old");
    WriteAll(path, "[S]\r\nk=copied over\r\n");
    IniFile next(path);
    EXPECT_EQ(next.ReadString("S", "k", ""), "copied over");
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileWhole) {
    IniFile ini(path);
    ini.WriteString("S", "k", "good");
    const std::string before = ReadAll(path);
    ASSERT_EQ(chmod(home.appData().c_str(), 0500), 0);
    if (getuid() == 0) {
        // root writes anyway; stand for an unwritable folder with a missing one
        IniFile elsewhere(home.home() + "no/such/folder/x.ini");
        EXPECT_FALSE(elsewhere.WriteString("S", "k", "v"));
    } else {
        EXPECT_FALSE(ini.WriteString("S", "k", "lost"));
    }
    chmod(home.appData().c_str(), 0700);
    EXPECT_EQ(ReadAll(path), before);
}

// Qt takes the character classes from the user's locale at start; under a
// Turkish locale the C library lowers 'I' to a dotless i (or not at all), so
// names must be compared in plain ASCII.
TEST_F(IniFileTest, NamesMatchUnderATurkishLocale) {
    WriteAll(path,
             "[FILE]\r\nLast File Saved=/x/a.vlm\r\n[GPS1 COMUNICATION SETTINGS]\r\nPort=3\r\n");
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    if (!std::setlocale(LC_CTYPE, "tr_TR.UTF-8"))
        GTEST_SKIP() << "tr_TR.UTF-8 locale not installed";
    IniFile ini(path);
    const std::string lastFile = ini.ReadString("file", "LAST FILE SAVED", "");
    const int port = ini.ReadInteger("gps1 comunication settings", "PORT", 0);
    ini.WriteString("File", "last file saved", "/x/b.vlm");
    std::setlocale(LC_CTYPE, saved.c_str());
    EXPECT_EQ(lastFile, "/x/a.vlm");
    EXPECT_EQ(port, 3);
    EXPECT_EQ(ini.ReadSection("FILE").size(), 1u);
    EXPECT_EQ(ini.ReadString("FILE", "Last File Saved", ""), "/x/b.vlm");
}

TEST_F(IniFileTest, ALineBreakInAValueCannotAddKeys) {
    IniFile ini(path);
    ini.WriteString("NTRIP", "Password", "secret\r\n[LOCK SETTINGS]\nLocked=0");
    IniFile::DropCachedModels();
    IniFile reread(path);
    EXPECT_EQ(reread.ReadSections(), std::vector<std::string>{"NTRIP"});
    EXPECT_EQ(reread.ReadString("NTRIP", "Password", ""), "secret  [LOCK SETTINGS] Locked=0");
}

// A settings file of the Windows program: CR LF lines in Windows-1254, here
// beside a line that is already UTF-8. Each line is read in its own
// encoding, and a write keeps both as UTF-8.
TEST_F(IniFileTest, WindowsCodePageFileKeepsItsLetters) {
    WriteAll(path,
             "[GEODETIC_PARAMETERS]\r\nName of Datum=\xDDzmir \xFE\xF0\r\n"
             "Note=\xC4\xB0stanbul\r\n");
    {
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("GEODETIC_PARAMETERS", "Name of Datum", ""), "İzmir şğ");
        EXPECT_EQ(ini.ReadString("GEODETIC_PARAMETERS", "Note", ""), "İstanbul");
        ASSERT_TRUE(ini.WriteString("GEODETIC_PARAMETERS", "Other", "1"));
    }
    const std::string bytes = ReadAll(path);
    EXPECT_NE(bytes.find("Name of Datum=İzmir şğ\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("Note=İstanbul\r\n"), std::string::npos) << bytes;
}

// While writes are refused, no IniFile changes the file or what is read;
// afterwards they work again.
TEST_F(IniFileTest, RefusedWritesChangeNothing) {
    WriteAll(path, "[A]\r\nk=1\r\nj=2\r\n");
    IniFile ini(path);
    IniFile::SetWritesRefused(true);
    EXPECT_FALSE(ini.WriteString("A", "k", "9"));
    EXPECT_FALSE(ini.WriteInteger("B", "n", 3));
    EXPECT_FALSE(ini.DeleteKey("A", "j"));
    EXPECT_FALSE(ini.EraseSection("A"));
    EXPECT_FALSE(IniFile(path).WriteBool("A", "b", true));
    IniFile::SetWritesRefused(false);
    EXPECT_EQ(ReadAll(path), "[A]\r\nk=1\r\nj=2\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "j", ""), "2");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_TRUE(ini.WriteString("A", "k", "9"));
    EXPECT_EQ(IniFile(path).ReadString("A", "k", ""), "9");
}

namespace {

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

platform::ScriptedDialogs& Dialogs() {
    return dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
}

}  // namespace

// The file holds the caster password: whatever the umask, a new file is
// 0600, an existing one loses the bits of group and others, and a stricter
// mode the user set (read-only) stays: such a file is not replaced.
TEST_F(IniFileTest, TheFileIsPrivateAndAStricterModeStays) {
    const mode_t mask = ::umask(0);
    EXPECT_TRUE(IniFile(path).WriteString("NTRIP", "Password", "secret"));
    EXPECT_EQ(ModeOf(path), 0600u);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    EXPECT_TRUE(IniFile(path).WriteString("NTRIP", "Password", "other"));
    EXPECT_EQ(ModeOf(path), 0600u);
    ::umask(mask);

    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);
    const std::string before = ReadAll(path);
    EXPECT_FALSE(IniFile(path).WriteString("NTRIP", "Password", "third"));
    EXPECT_EQ(ModeOf(path), 0400u);
    EXPECT_EQ(ReadAll(path), before);
}

// A settings file that is a link (to a folder the user keeps elsewhere) is
// written at its target, and stays a link.
TEST_F(IniFileTest, ALinkIsFollowedAndStaysALink) {
    namespace fs = std::filesystem;
    fs::create_directories(home.home() + "kept/");
    const std::string target = home.home() + "kept/PlovanHX.ini";
    WriteAll(target, "[A]\r\nk=1\r\n");
    fs::create_symlink("../kept/PlovanHX.ini", path + ".rel");
    fs::create_symlink(path + ".rel", path);  // a link to a relative link
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    EXPECT_TRUE(ini.WriteString("A", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(path)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(path + ".rel")));
    EXPECT_EQ(ReadAll(target), "[A]\r\nk=2\r\n");
    EXPECT_EQ(ModeOf(target), 0600u);
    // A link whose target does not exist yet makes the target.
    fs::remove(target);
    IniFile::DropCachedModels();
    EXPECT_TRUE(IniFile(path).WriteString("B", "x", "y"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(path)));
    EXPECT_EQ(ReadAll(target), "[B]\r\nx=y\r\n");
}

// A file that is there but cannot be read is never written: one message
// naming it for the whole run, every write false, what is written kept for
// the run only, and the file exactly as it was afterwards. The cases work as
// root, which reads a file of mode 000 anyway (that case is skipped then).
TEST_F(IniFileTest, AnUnreadableFileIsToldOnceAndNeverWritten) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* reason;
    };
    const std::string kept = "[NTRIP]\r\nPassword=mine\r\n";
    const Case cases[] = {
        {"a folder", [&] { fs::create_directories(path); }, "not a regular file"},
        {"an I/O error", [&] { fs::create_symlink("/proc/self/mem", path); }, "input/output error"},
        {"no permission",
         [&] {
             WriteAll(path, kept);
             ::chmod(path.c_str(), 0);
         },
         "permission denied"},
        {"too large",
         [&] {
             WriteAll(path, kept);
             ASSERT_EQ(::truncate(path.c_str(), off_t{17} << 20), 0);
         },
         "larger than 16 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "no permission" && ::getuid() == 0) continue;
        phxtest::TempHome caseHome;
        path = caseHome.appData() + "PlovanHX.ini";
        c.make();
        const auto status = fs::symlink_status(path);
        const std::string link = fs::is_symlink(status) ? fs::read_symlink(path).string() : "";
        const unsigned mode = ModeOf(path);
        const auto size = fs::is_regular_file(status) ? fs::file_size(path) : 0;
        Dialogs().messages.clear();
        {
            IniFile first(path);
            EXPECT_TRUE(first.Unreadable());
            EXPECT_EQ(first.ReadString("NTRIP", "Password", "none"), "none");
            EXPECT_FALSE(first.WriteString("NTRIP", "Password", "new"));
            EXPECT_EQ(first.ReadString("NTRIP", "Password", ""), "new");
            IniFile second(path);
            EXPECT_FALSE(second.WriteInteger("A", "b", 1));
            EXPECT_FALSE(second.DeleteKey("NTRIP", "Password"));
            IniFile::Batch batch(second);
            EXPECT_FALSE(second.WriteInteger("A", "c", 1));
            EXPECT_FALSE(batch.Commit());
        }
        ASSERT_EQ(Dialogs().messages.size(), 1);
        const QString message = Dialogs().messages[0];
        EXPECT_TRUE(message.contains(QString::fromStdString(path))) << message.toStdString();
        EXPECT_TRUE(message.contains(c.reason)) << message.toStdString();
        EXPECT_EQ(fs::symlink_status(path).type(), status.type());
        if (!link.empty()) {
            EXPECT_EQ(fs::read_symlink(path).string(), link);
        }
        EXPECT_EQ(ModeOf(path), mode);
        if (fs::is_regular_file(status)) {
            EXPECT_EQ(fs::file_size(path), size);
        }
        ::chmod(path.c_str(), 0600);
        if (std::string(c.name) == "no permission") {
            EXPECT_EQ(ReadAll(path), kept);
        }
    }
    Dialogs().messages.clear();
}

// A FIFO in place of the file is refused at once, never read. Found where
// no box can be shown (before the application is made, or here off the GUI
// thread), it is told by the next IniFile on the GUI thread.
TEST_F(IniFileTest, AFifoInPlaceOfTheFileIsRefusedAtOnce) {
    phxtest::GuardedFifo fifo(path);
    ASSERT_TRUE(fifo.ok());
    Dialogs().messages.clear();
    bool unreadable = false;
    std::thread([&] { unreadable = IniFile(path).Unreadable(); }).join();
    EXPECT_TRUE(unreadable);
    EXPECT_TRUE(Dialogs().messages.isEmpty());
    IniFile ini(path);
    EXPECT_TRUE(ini.Unreadable());
    EXPECT_FALSE(ini.WriteString("A", "b", "c"));
    EXPECT_FALSE(fifo.TimedOut());
    EXPECT_TRUE(std::filesystem::is_fifo(path));
    ASSERT_EQ(Dialogs().messages.size(), 1);
    EXPECT_TRUE(Dialogs().messages[0].contains("not a regular file"));
    Dialogs().messages.clear();
}

namespace {

// One change of a settings file, as the windows make them.
struct Change {
    enum Kind { Write, Delete, Erase } kind;
    const char* section;
    const char* key;
    const char* value;
};

bool Apply(IniFile& ini, const Change& c) {
    switch (c.kind) {
        case Change::Write:
            return ini.WriteString(c.section, c.key, c.value);
        case Change::Delete:
            return ini.DeleteKey(c.section, c.key);
        case Change::Erase:
            return ini.EraseSection(c.section);
    }
    return false;
}

}  // namespace

// A batch writes the file once, and the bytes are those of the same changes
// made one by one: over a file with a byte order mark, a comment, a
// Windows-1254 line and padded keys, with new sections, replaced spellings,
// deletions and an erased section. Until then the disk keeps the old file,
// while every IniFile on the path reads the new values.
TEST_F(IniFileTest, ABatchWritesOnceTheBytesOfChangeByChange) {
    const std::string start =
        "\xEF\xBB\xBF; made by hand\r\n[FILE]\r\nLast File Saved       =/x/a.vlm\r\n"
        "[GEODETIC_PARAMETERS]\r\nName of Datum=\xDDzmir\r\n[OLD]\r\ngone=1\r\n";
    const Change changes[] = {
        {Change::Write, "file", "last file saved", "/x/b.vlm"},
        {Change::Write, "NTRIP", "Server", "caster.example"},
        {Change::Write, "GPS1 COMUNICATION SETTINGS", "Port No        ", "COM3"},
        {Change::Erase, "old", "", ""},
        {Change::Write, "NTRIP", "Port", "2101"},
        {Change::Delete, "NTRIP", "Server", ""},
        {Change::Write, "GEODETIC_PARAMETERS", "Use DTP", "1"},
        {Change::Write, "LOCK SETTINGS", "Lock Settings", "0"},
        {Change::Write, "LOCK SETTINGS", "Lock Settings", "1"},
    };
    const std::string oneByOne = home.appData() + "one-by-one.ini";
    WriteAll(path, start);
    WriteAll(oneByOne, start);
    IniFile reference(oneByOne);
    for (const Change& c : changes) ASSERT_TRUE(Apply(reference, c));

    IniFile ini(path);
    {
        IniFile::Batch batch(ini);
        for (const Change& c : changes) ASSERT_TRUE(Apply(ini, c));
        {
            IniFile::Batch inner(ini);
            ASSERT_TRUE(ini.WriteString("NTRIP", "Port", "2102"));
            ASSERT_TRUE(reference.WriteString("NTRIP", "Port", "2102"));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_EQ(ReadAll(path), start);  // the inner batch leaves it to the outer
        EXPECT_EQ(IniFile(path).ReadString("NTRIP", "Port", ""), "2102");
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(ReadAll(path), ReadAll(oneByOne));
    EXPECT_EQ(ModeOf(path), 0600u);

    // A batch that is not committed writes when it goes.
    {
        IniFile::Batch batch(ini);
        ini.WriteString("NTRIP", "MountPoint", "M1");
        EXPECT_EQ(ReadAll(path).find("MountPoint"), std::string::npos);
    }
    EXPECT_NE(ReadAll(path).find("MountPoint=M1\r\n"), std::string::npos);
}

// Writes refused while a batch is open fail the batch, which writes nothing.
TEST_F(IniFileTest, ARefusalDuringABatchFailsItAndWritesNothing) {
    WriteAll(path, "[A]\r\nk=1\r\n");
    IniFile ini(path);
    IniFile::Batch batch(ini);
    EXPECT_TRUE(ini.WriteString("A", "k", "2"));
    IniFile::SetWritesRefused(true);
    EXPECT_FALSE(ini.WriteString("A", "j", "3"));
    IniFile::SetWritesRefused(false);
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(ReadAll(path), "[A]\r\nk=1\r\n");
}
