#include "devices/NtripProfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/TempHome.h"

using namespace devices;

TEST(NtripProfiles, NamesListAndFieldsKeepTheirFileLines) {
    EXPECT_EQ(NtripProfileName("h", "2101", "u"), "u@h:2101");
    EXPECT_EQ(NtripProfileName("caster.example", "2102", ""), "caster.example:2102");

    const std::string text =
        "a:1\ta\t1\t\t\t0.0\t0.0\r\n"
        "\r\n"
        "comment without a tab\n"
        "u@b:2\tb\t2\tu\tsecret\n";
    const std::vector<NtripProfileEntry> entries = ListNtripProfiles(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "u@b:2");
    EXPECT_EQ(entries[1].fileLine, 3u);
    // The second profile's own line, not the blank line counted by position.
    const std::vector<std::string> fields = NtripProfileFields(text, entries[1].fileLine);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[1], "b");
    EXPECT_EQ(fields[4], "secret");
    EXPECT_TRUE(NtripProfileFields(text, 9).empty());
}

TEST(NtripProfiles, SavingReplacesTheSameNameOrAppends) {
    const NtripProfile first{"h", "2101", "u", "p", "41.0", "29.0"};
    std::string text = PutNtripProfile("", first);
    EXPECT_EQ(text, "u@h:2101\th\t2101\tu\tp\t41.0\t29.0\r\n");
    NtripProfile changed = first;
    changed.password = "q";
    text = PutNtripProfile("x\r\n" + text, changed);
    EXPECT_EQ(text, "x\r\nu@h:2101\th\t2101\tu\tq\t41.0\t29.0\r\n");
    text = PutNtripProfile(text, {"other", "2101", "", "", "0.0", "0.0"});
    EXPECT_EQ(ListNtripProfiles(text).size(), 2u);
}

TEST(NtripProfiles, FileIsPrivateAndReadInEitherEncoding) {
    phxtest::TempHome home;
    const std::string path = home.home() + "profiles.txt";
    EXPECT_EQ(ReadNtripProfiles(path), std::string());
    ASSERT_TRUE(WriteNtripProfiles(path, "u@h:1\th\t1\tu\tp\n"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(phxtest::ReadAll(path), "u@h:1\th\t1\tu\tp\r\n");

    phxtest::WriteAll(path, "\xFE\xFDk:1\th\t1\n");  // "şık" as the Windows program wrote it
    EXPECT_EQ(ListNtripProfiles(*ReadNtripProfiles(path)).at(0).name, "\xC5\x9F\xC4\xB1k:1");
}
