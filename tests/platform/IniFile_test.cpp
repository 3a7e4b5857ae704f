#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>

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
