#include "foundation/LanguageManager.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempHome.h"

namespace fs = std::filesystem;
using phxtest::ReadAll;
using phxtest::WriteAll;
using Pairs = std::map<std::string, std::string>;

namespace {

const std::string kFixtures = std::string(PHX_TEST_DATA_DIR) + "/language_fixtures/";
const std::string kBom = "\xEF\xBB\xBF";

std::string Fixture(const std::string& name) { return ReadAll(kFixtures + name); }

// The pairs every tr fixture holds, whatever its byte order mark or line ends.
const Pairs kFixturePairs = {
    {"Cancel", "İptal"},  // the second of two "Cancel" pairs
    {"Capitals", "Ğ Ş I İ Ö Ü Ç"},
    {"Empty", ""},
    {"Letters", "ğ ş ı İ ö ü ç"},
    {"Open", "Aç"},
    {"Save && Exit", "Kaydet && Çık"},
    {"Two\nLines", "İki\nSatır"},
};

// The pairs of saved_golden.json: escapes, control characters, and keys whose
// byte order differs from a case-blind or locale order.
const Pairs kGoldenPairs = {
    {"&Open", "&Aç"},
    {"Quote \"x\"", "Tırnak \"x\""},
    {"Back\\slash", "Ters\\eğik"},
    {"Line1\nLine2", "Satır1\r\nSatır2"},
    {"Tab\tStop", "Sekme\tDur"},
    {"Bell\x01", "Zil\x1f"},
    {"Empty", ""},
    {"Zoom In", "Yakınlaş"},
    {"açık", "ğ ş ı İ ö ü ç"},
    {"İleri", "İ/"},
};

std::string Hex(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex().toStdString();
}

// Reads a language file with Python's json module, independently of Qt. The
// script fails on a missing byte order mark, on a duplicate key and on a
// value that is not a string, and prints one "key value" line of UTF-8 hex
// per pair, in byte order of the keys.
bool ReadWithPython(const std::string& path, std::vector<std::string>& lines) {
    static const char* const script = R"py(
import json, sys
def pairs_hook(pairs):
    keys = [k for k, _ in pairs]
    if len(set(keys)) != len(keys):
        sys.exit(3)
    return dict(pairs)
with open(sys.argv[1], 'rb') as f:
    if not f.read().startswith(b'\xef\xbb\xbf'):
        sys.exit(4)
with open(sys.argv[1], encoding='utf-8-sig') as f:
    data = json.load(f, object_pairs_hook=pairs_hook)
for key in sorted(data, key=lambda k: k.encode('utf-8')):
    if not isinstance(data[key], str):
        sys.exit(5)
    print(key.encode('utf-8').hex(), data[key].encode('utf-8').hex())
)py";
    QProcess python;
    python.start("python3", {"-c", script, QString::fromStdString(path)});
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0)
        return false;
    lines.clear();
    for (const QByteArray& line : python.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) lines.push_back(line.toStdString());
    return true;
}

std::vector<std::string> HexLines(const Pairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& [key, value] : pairs) lines.push_back(Hex(key) + " " + Hex(value));
    return lines;
}

class LanguageManagerTest : public ::testing::Test {
  protected:
    std::string folder() const { return home.home() + "bin/Languages/"; }
    void Put(const std::string& name, const std::string& bytes) {
        fs::create_directories(folder());
        WriteAll(folder() + name, bytes);
    }
    void FillTexts(TLanguageManager& manager, const std::string& code, const Pairs& pairs) {
        for (const auto& [key, text] : pairs) manager.SetTranslation(code, key, text);
    }
    phxtest::TempHome home;
};

TEST_F(LanguageManagerTest, AMissingFolderIsCreatedWithItsParents) {
    TLanguageManager manager(home.home() + "a/b/Languages");
    EXPECT_TRUE(fs::is_directory(home.home() + "a/b/Languages"));
    EXPECT_EQ(manager.FFolder, home.home() + "a/b/Languages/");
    EXPECT_EQ(manager.FLanguages, (std::vector<std::string>{"en", "tr"}));
    EXPECT_EQ(manager.FLanguage, "en");
    EXPECT_TRUE(manager.FTexts.empty());
}

TEST_F(LanguageManagerTest, TheDefaultFolderIsBesideTheExecutable) {
    // The test program's folder is writable, so it is the folder itself.
    const std::string expected = platform::BesideExecutableDir() + "Languages/";
    TLanguageManager manager;
    EXPECT_EQ(manager.FFolder, expected);
    EXPECT_TRUE(fs::is_directory(expected));
}

TEST_F(LanguageManagerTest, ScanListsLanguageFilesInByteOrderThenEnglishAndTurkish) {
    struct Case {
        std::vector<std::string> files;
        std::vector<std::string> languages;
    };
    const std::vector<Case> cases = {
        {{}, {"en", "tr"}},
        {{"tr.json", "de.json"}, {"de", "tr", "en"}},
        {{"tr.json", "fr.JSON", "notes.txt", "tr.json.bak", "de.Json"}, {"de", "fr", "tr", "en"}},
        {{"en.json"}, {"en", "tr"}},
        {{"pl.json"}, {"pl", "en", "tr"}},
        {{"TR.JSON", "EN.json"}, {"EN", "TR"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder());
        fs::create_directories(folder() + "dir.json");  // a folder is no language
        for (const std::string& name : c.files) Put(name, "{}");
        TLanguageManager manager(folder());
        EXPECT_EQ(manager.FLanguages, c.languages) << c.files.size() << " files";
    }
}

TEST_F(LanguageManagerTest, ReadsUtf8WithAndWithoutByteOrderMarkAndTheLastDuplicateWins) {
    for (const char* name : {"tr_bom.json", "tr_nobom.json"}) {
        Put("tr.json", Fixture(name));
        TLanguageManager manager(folder());
        EXPECT_EQ(manager.FTexts, kFixturePairs) << name;
        Pairs other;
        EXPECT_EQ(manager.LoadLanguageFile("tr", other), TLanguageLoad::Loaded);
        EXPECT_EQ(manager.LoadLanguageFile("xx", other), TLanguageLoad::Missing);
        EXPECT_TRUE(other.empty());
    }
}

TEST_F(LanguageManagerTest, ReverseMapSkipsEmptyTranslationsAndTheLaterKeyWins) {
    Put("tr.json", kBom + R"({"Close": "Kapat", "Exit": "Kapat", "Empty": "", "Open": "Aç"})");
    TLanguageManager manager(folder());
    EXPECT_EQ(manager.FReverse, (Pairs{{"Aç", "Open"}, {"Kapat", "Exit"}}));
}

TEST_F(LanguageManagerTest, TranslateWorksBothWaysAcrossLanguageSwitches) {
    Put("tr.json", Fixture("tr_bom.json"));
    TLanguageManager manager(folder());
    EXPECT_EQ(manager.Translate("Open"), "Open");  // English after construction
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Open"), "Aç");
    EXPECT_EQ(manager.Translate("Aç"), "Aç");
    EXPECT_EQ(manager.Translate("Two\nLines"), "İki\nSatır");
    manager.SetLanguage("en");
    EXPECT_EQ(manager.Translate("Aç"), "Open");
    EXPECT_EQ(manager.Translate("Open"), "Open");
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Open"), "Aç");
    EXPECT_FALSE(fs::exists(manager.MissingLogPath()));
}

TEST_F(LanguageManagerTest, AnEmptyTranslationIsMissingForTranslateButKeptByGetTranslation) {
    Put("tr.json", Fixture("tr_bom.json"));
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Empty"), "Empty");
    EXPECT_EQ(manager.GetTranslation("tr", "Empty"), "");
    EXPECT_EQ(manager.GetTranslation("tr", "Nowhere"), "Nowhere");
    EXPECT_EQ(manager.GetTranslation("en", "Open"), "Open");
    EXPECT_EQ(ReadAll(manager.MissingLogPath()), "Empty\r\n");
}

TEST_F(LanguageManagerTest, MissingKeysAreLoggedOnceEachInOrderWithCrLf) {
    Put("tr.json", Fixture("tr_bom.json"));
    {
        TLanguageManager manager(folder());
        manager.Translate("Not in English mode");  // English never misses
        manager.SetLanguage("tr");
        EXPECT_EQ(manager.Translate("Zoom In"), "Zoom In");
        EXPECT_EQ(manager.Translate("Zoom In"), "Zoom In");
        EXPECT_EQ(manager.Translate("Connect"), "Connect");
        EXPECT_EQ(manager.Translate("zoom in"), "zoom in");  // case-sensitive
        EXPECT_EQ(manager.Translate("Zoom In"), "Zoom In");
    }
    EXPECT_EQ(ReadAll(folder() + "missing.log"), "Zoom In\r\nConnect\r\nzoom in\r\n");
    // A later run appends only what the file does not hold yet.
    TLanguageManager next(folder());
    next.SetLanguage("tr");
    next.Translate("Connect");
    next.Translate("Start");
    EXPECT_EQ(ReadAll(folder() + "missing.log"), "Zoom In\r\nConnect\r\nzoom in\r\nStart\r\n");
}

TEST_F(LanguageManagerTest, KeysWithLineBreaksOrBackslashesStayOneLineAndAreLoggedOnce) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Line1\nLine2", "Line1\\nLine2"},
        {"Dos\r\nEnd", "Dos\\r\\nEnd"},
        {"C:\\VLM\\", "C:\\\\VLM\\\\"},
        {"Lit\\nText", "Lit\\\\nText"},  // must not meet "Lit\nText"
        {"Lit\nText", "Lit\\nText"},
        {"Only\r", "Only\\r"},
    };
    std::string expected;
    for (const auto& [key, line] : cases) {
        EXPECT_EQ(EscapeMissingKey(key), line);
        expected += line + "\r\n";
    }
    for (int run = 0; run < 2; ++run) {
        TLanguageManager manager(folder());
        manager.SetLanguage("tr");
        for (int round = 0; round < 3; ++round)
            for (const auto& c : cases) EXPECT_EQ(manager.Translate(c.first), c.first);
    }
    EXPECT_EQ(ReadAll(folder() + "missing.log"), expected);
}

TEST_F(LanguageManagerTest, AMissingLogWithoutAFinalLineEndGetsOneBeforeTheNextKey) {
    Put("missing.log", "Old\r\nLast");
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    manager.Translate("Last");
    manager.Translate("New");
    manager.Translate("Newer");
    EXPECT_EQ(ReadAll(folder() + "missing.log"), "Old\r\nLast\r\nNew\r\nNewer\r\n");
}

TEST_F(LanguageManagerTest, SetTranslationIsNotReverseMappedUntilTheMapIsRebuilt) {
    Put("tr.json", Fixture("tr_bom.json"));
    TLanguageManager manager(folder());
    manager.SetTranslation("en", "Open", "Ignored");
    manager.SetTranslation("de", "Open", "Ignored");  // not the current language
    EXPECT_EQ(manager.FTexts.at("Open"), "Aç");
    manager.SetLanguage("tr");
    manager.SetTranslation("tr", "Connect", "Bağlan");
    manager.SetTranslation("tr", "Open", "Aç!");
    EXPECT_EQ(manager.GetTranslation("tr", "Connect"), "Bağlan");
    EXPECT_EQ(manager.Translate("Connect"), "Bağlan");
    EXPECT_EQ(manager.Translate("Bağlan"), "Bağlan");  // found by no key: logged as missing
    manager.SetLanguage("en");
    EXPECT_EQ(manager.Translate("Bağlan"), "Bağlan");
    EXPECT_EQ(manager.Translate("Aç"), "Open");  // the old translation is still mapped
    manager.RebuildReverseMap();
    EXPECT_EQ(manager.Translate("Bağlan"), "Connect");
    EXPECT_EQ(manager.Translate("Aç!"), "Open");
    EXPECT_EQ(ReadAll(folder() + "missing.log"), "Bağlan\r\n");
}

TEST_F(LanguageManagerTest, SaveWritesOnlyTheCurrentLanguageAndSaysWhy) {
    Put("tr.json", Fixture("tr_bom.json"));
    Put("de.json", kBom + R"({"Open": "Öffnen"})");
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    manager.SetTranslation("tr", "Connect", "Bağlan");
    EXPECT_EQ(manager.SaveLanguage("en"), TSaveLanguageResult::EnglishHasNoFile);
    EXPECT_EQ(manager.SaveLanguage("de"), TSaveLanguageResult::NotCurrentLanguage);
    EXPECT_FALSE(fs::exists(folder() + "en.json"));
    EXPECT_EQ(ReadAll(folder() + "de.json"), kBom + R"({"Open": "Öffnen"})");
    EXPECT_EQ(ReadAll(folder() + "tr.json"), Fixture("tr_bom.json"));
    ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    Pairs saved;
    EXPECT_EQ(manager.LoadLanguageFile("tr", saved), TLanguageLoad::Loaded);
    Pairs expected = kFixturePairs;
    expected["Connect"] = "Bağlan";
    EXPECT_EQ(saved, expected);
    manager.SetLanguage("en");
    EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::NotCurrentLanguage);
    for (const auto& entry : fs::directory_iterator(folder()))  // no temporary file left
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
}

TEST_F(LanguageManagerTest, TheSavedLayoutMatchesTheGoldenFileAndAnIndependentReader) {
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    FillTexts(manager, "tr", kGoldenPairs);
    ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    const std::string path = folder() + "tr.json";
    EXPECT_EQ(ReadAll(path), Fixture("saved_golden.json"));
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadWithPython(path, lines));
    EXPECT_EQ(lines, HexLines(kGoldenPairs));
    // Read back by the manager itself, the pairs are the same.
    TLanguageManager again(folder());
    EXPECT_EQ(again.FTexts, kGoldenPairs);
}

TEST_F(LanguageManagerTest, TextThatIsNotUtf8IsSavedAsAReplacementCharacter) {
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    manager.SetTranslation("tr", "Open", "A\xE7");  // a Windows-1254 "ç" byte
    manager.SetTranslation("tr", "Nul", std::string("a\0b", 3));
    ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadWithPython(folder() + "tr.json", lines));
    EXPECT_EQ(lines, HexLines({{"Nul", std::string("a\0b", 3)}, {"Open", "A\xEF\xBF\xBD"}}));
}

// A file that loads saves and reads back to the same pairs, also when a text
// starts with U+FEFF (which a decoder may take for a byte order mark) or
// holds NUL bytes, raw in the file or escaped.
TEST_F(LanguageManagerTest, WhatLoadsSavesAndReadsBackUnchanged) {
    static const char rawNuls[] = "{\"Letters\": \"\xC3\xBC\0\0t\", \"Nul\": \"a\\u0000b\"}";
    const std::vector<std::pair<std::string, Pairs>> files = {
        {kBom + "{\"Two\\nLines\": \"" + kBom + "\u0130ki\\nSat\"}",
         {{"Two\nLines", kBom + "\u0130ki\nSat"}}},
        {"{\"" + kBom + "Key\": \"" + kBom + kBom + "\", \"k\": \"" + kBom + "\", \"\\\\" + kBom +
             "\": \"\\ufeffx\"}",
         {{kBom + "Key", kBom + kBom}, {"k", kBom}, {"\\" + kBom, kBom + "x"}}},
        {kBom + std::string(rawNuls, sizeof rawNuls - 1),
         {{"Letters", std::string("\xC3\xBC\0\0t", 5)}, {"Nul", std::string("a\0b", 3)}}},
        {Fixture("tr_bom.json"), kFixturePairs},
    };
    for (const auto& [bytes, pairs] : files) {
        Put("tr.json", bytes);
        TLanguageManager manager(folder());
        manager.SetLanguage("tr");
        EXPECT_EQ(manager.FTexts, pairs) << bytes;
        ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
        Pairs again;
        ASSERT_EQ(manager.LoadLanguageFile("tr", again), TLanguageLoad::Loaded);
        EXPECT_EQ(again, pairs) << bytes;
        std::vector<std::string> lines;
        ASSERT_TRUE(ReadWithPython(folder() + "tr.json", lines));
        EXPECT_EQ(lines, HexLines(pairs));
    }
    // A raw U+FEFF after a lone '\' is an invalid escape, not a text.
    Put("tr.json", "{\"k\": \"\\" + kBom + "\"}");
    Pairs none;
    EXPECT_EQ(TLanguageManager(folder()).LoadLanguageFile("tr", none), TLanguageLoad::Failed);
}

// FIFOs in place of the language file and of "missing.log" are refused at
// once: the table is empty and never saved over, misses are not logged, and
// nothing waits on the FIFOs.
TEST_F(LanguageManagerTest, FifosInPlaceOfItsFilesAreRefusedAtOnce) {
    fs::create_directories(folder());
    phxtest::GuardedFifo language(folder() + "tr.json");
    phxtest::GuardedFifo missing(folder() + "missing.log");
    ASSERT_TRUE(language.ok() && missing.ok());
    TLanguageManager manager(folder());
    Pairs other;
    EXPECT_EQ(manager.LoadLanguageFile("tr", other), TLanguageLoad::Failed);
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Open"), "Open");
    EXPECT_EQ(manager.Translate("Close"), "Close");
    manager.SetTranslation("tr", "Open", "Aç");
    EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::FileNotLoaded);
    EXPECT_FALSE(language.TimedOut());
    EXPECT_FALSE(missing.TimedOut());
    EXPECT_TRUE(fs::is_fifo(folder() + "tr.json"));
    EXPECT_TRUE(fs::is_fifo(folder() + "missing.log"));
}

TEST_F(LanguageManagerTest, AFileThatFailedToLoadIsNeverSavedOver) {
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"truncated", Fixture("malformed.json")},
        {"array", kBom + R"(["Open", "Aç"])"},
        {"string", R"("Open")"},
        {"Windows-1254 bytes", "{\"Open\": \"A\xE7\"}"},
        {"trailing text", R"({"Open": "Aç"} x)"},
    };
    for (const auto& [what, bytes] : bad) {
        Put("tr.json", bytes);
        TLanguageManager manager(folder());
        EXPECT_TRUE(manager.FTexts.empty()) << what;
        Pairs other;
        EXPECT_EQ(manager.LoadLanguageFile("tr", other), TLanguageLoad::Failed) << what;
        manager.SetLanguage("tr");
        EXPECT_EQ(manager.Translate("Open"), "Open") << what;
        manager.SetTranslation("tr", "Connect", "Bağlan");
        EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::FileNotLoaded) << what;
        EXPECT_EQ(ReadAll(folder() + "tr.json"), bytes) << what;
        // Once the file is mended, a reload lets it be saved again.
        Put("tr.json", Fixture("tr_nobom.json"));
        manager.Reload();
        EXPECT_EQ(manager.FTexts, kFixturePairs) << what;
        EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved) << what;
    }
}

TEST_F(LanguageManagerTest, EmptyOrMissingFilesCanBeSaved) {
    for (const char* bytes : {"", "\xEF\xBB\xBF", " \r\n"}) {
        Put("tr.json", bytes);
        TLanguageManager manager(folder());
        manager.SetLanguage("tr");
        manager.SetTranslation("tr", "Open", "Aç");
        EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    }
    TLanguageManager manager(folder());
    manager.SetLanguage("pl");
    EXPECT_TRUE(manager.FTexts.empty());
    manager.SetTranslation("pl", "Open", "Otwórz");
    EXPECT_EQ(manager.SaveLanguage("pl"), TSaveLanguageResult::Saved);
    EXPECT_EQ(ReadAll(folder() + "pl.json"), kBom + "{\n  \"Open\": \"Otwórz\"\n}\n");
}

TEST_F(LanguageManagerTest, AFolderThatCannotBeWrittenFailsTheSaveAndLosesNoMiss) {
    // A folder below a regular file can never be created or written, even by
    // root, who ignores permission bits.
    WriteAll(home.home() + "file", "x");
    TLanguageManager manager(home.home() + "file/Languages/");
    EXPECT_EQ(manager.FLanguages, (std::vector<std::string>{"en", "tr"}));
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Open"), "Open");
    manager.SetTranslation("tr", "Open", "Aç");
    EXPECT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::WriteFailed);
    EXPECT_EQ(ReadAll(home.home() + "file"), "x");

    // A folder that goes away after start: the save fails, and a miss that
    // could not be written is written once the folder is back.
    Put("tr.json", Fixture("tr_bom.json"));
    TLanguageManager gone(folder());
    gone.SetLanguage("tr");
    fs::remove_all(folder());
    WriteAll(home.home() + "bin/Languages", "now a file");
    EXPECT_EQ(gone.Translate("Zoom In"), "Zoom In");
    EXPECT_EQ(gone.SaveLanguage("tr"), TSaveLanguageResult::WriteFailed);
    fs::remove(home.home() + "bin/Languages");
    fs::create_directories(folder());
    gone.Translate("Zoom In");
    gone.Translate("Zoom In");
    EXPECT_EQ(ReadAll(folder() + "missing.log"), "Zoom In\r\n");
}

TEST_F(LanguageManagerTest, GetKeysAndOtherLanguagesComeFromTheirFiles) {
    Put("tr.json", Fixture("tr_bom.json"));
    Put("de.json", kBom + R"({"Open": "Öffnen", "Empty": "", "Only German": "Nur"})");
    TLanguageManager manager(folder());
    std::vector<std::string> keys;
    for (const auto& pair : kFixturePairs) keys.push_back(pair.first);
    EXPECT_EQ(manager.GetKeys(), keys);
    manager.SetLanguage("de");
    EXPECT_EQ(manager.Translate("Open"), "Öffnen");
    EXPECT_EQ(manager.GetKeys(), keys);  // the Turkish file is the master list
    EXPECT_EQ(manager.GetTranslation("tr", "Open"), "Aç");
    EXPECT_EQ(manager.GetTranslation("tr", "Empty"), "");
    EXPECT_EQ(manager.GetTranslation("tr", "Only German"), "Only German");
    EXPECT_EQ(manager.GetTranslation("de", "Empty"), "");
    EXPECT_EQ(manager.GetTranslation("pl", "Open"), "Open");
    // Unsaved edits of the current language are not in the file.
    manager.SetTranslation("de", "New", "Neu");
    EXPECT_EQ(manager.GetTranslation("de", "New"), "Neu");
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.GetTranslation("de", "New"), "New");
}

TEST_F(LanguageManagerTest, ReloadRescansAndRereadsTheCurrentLanguage) {
    Put("tr.json", kBom + R"({"Open": "Aç"})");
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    manager.SetTranslation("tr", "Open", "unsaved");
    Put("de.json", "{}");
    Put("tr.json", kBom + R"({"Open": "Açın", "Save": "Kaydet"})");
    manager.Reload();
    EXPECT_EQ(manager.FLanguages, (std::vector<std::string>{"de", "tr", "en"}));
    EXPECT_EQ(manager.Translate("Save"), "Kaydet");
    EXPECT_EQ(manager.Translate("Açın"), "Açın");
    EXPECT_EQ(manager.GetTranslation("tr", "Open"), "Açın");
    // In English the previous tables stay as they were.
    manager.SetLanguage("en");
    Put("tr.json", "{}");
    manager.Reload();
    EXPECT_EQ(manager.Translate("Kaydet"), "Save");
}

TEST_F(LanguageManagerTest, FileNamesMatchWithoutCase) {
    Put("TR.JSON", kBom + R"({"Open": "Aç"})");
    TLanguageManager manager(folder());
    EXPECT_EQ(manager.FLanguages, (std::vector<std::string>{"TR", "en"}));
    EXPECT_EQ(manager.FTexts, (Pairs{{"Open", "Aç"}}));
    manager.SetLanguage("tr");
    manager.SetTranslation("tr", "Save", "Kaydet");
    ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    EXPECT_FALSE(fs::exists(folder() + "tr.json"));  // written back in place
    EXPECT_EQ(ReadAll(folder() + "TR.JSON"),
              kBom + "{\n  \"Open\": \"Aç\",\n  \"Save\": \"Kaydet\"\n}\n");
    // An exact name goes first.
    Put("tr.json", kBom + R"({"Open": "exact"})");
    EXPECT_EQ(manager.LanguageFilePath("tr"), folder() + "tr.json");
    EXPECT_EQ(manager.LanguageFilePath("Tr"), folder() + "TR.JSON");
}

TEST_F(LanguageManagerTest, TheShippedTurkishFileLoadsAndIsInTheSavedLayout) {
    const std::string shipped = std::string(PHX_SOURCE_DIR) + "/foundation/Languages/tr.json";
    const std::string bytes = ReadAll(shipped);
    ASSERT_FALSE(bytes.empty());
    Put("tr.json", bytes);
    TLanguageManager manager(folder());
    manager.SetLanguage("tr");
    EXPECT_EQ(manager.Translate("Single SV Used"), "Tek Ses Hızı Değeri");
    EXPECT_EQ(manager.Translate("Failed! Name of surveyor cannot be missing"),
              "Başarısız! Öçen kişinin adı boş olamaz");
    for (const std::string& key : manager.GetKeys())
        EXPECT_FALSE(manager.GetTranslation("tr", key).empty()) << key;
    ASSERT_EQ(manager.SaveLanguage("tr"), TSaveLanguageResult::Saved);
    EXPECT_EQ(ReadAll(folder() + "tr.json"), bytes);
    std::vector<std::string> lines;
    EXPECT_TRUE(ReadWithPython(shipped, lines));
    EXPECT_EQ(lines.size(), manager.FTexts.size());
}

}  // namespace
