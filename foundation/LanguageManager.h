// The translation manager: turns an English user-interface text into the
// current language, and a text already translated back into its English key,
// so captions can be switched between languages any number of times without
// keeping a copy of the English captions.
//
// Language files lie in the folder "Languages/" beside the executable
// (platform::BesideExecutableDir()): code + ".json", one JSON object mapping
// each English key (the exact caption or message text, with "&" accelerator
// marks) to its translation. They are UTF-8, a byte order mark is accepted
// when reading and written when saving (a U+FEFF inside a text is text, also
// as its first character); the last of duplicate keys wins.
// "en" has no file: English is the keys themselves. The "tr" file is also the
// master list of keys. Texts are UTF-8 std::strings; both maps order keys by
// byte.
//
// Untranslated keys go once each, in the order first missed, to
// "missing.log" in the same folder, CR LF line ends. A key holding CR, LF or
// '\' is written there escaped ("\r", "\n", "\\") so it stays one line.
//
// File problems are silent: a missing folder is created, a missing or
// malformed file gives an empty table (every text stays English). A file that
// exists but could not be read as a JSON object is never overwritten by
// SaveLanguage, so a later save cannot destroy the translations it holds.
// Files are read through platform::ReadRegularFile, at most
// kLanguageMaxFileBytes: a FIFO or a device in their place counts as a file
// that could not be read (a "missing.log" of that kind is then left alone).
//
// GUI thread only.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// A language file of every caption is some tens of kilobytes.
inline constexpr std::size_t kLanguageMaxFileBytes = std::size_t{16} << 20;

// What LoadLanguageFile found.
enum class TLanguageLoad {
    Loaded,   // the file was read (an empty file reads as no pairs)
    Missing,  // there is no file for the code
    Failed,   // the file exists but is unreadable, not UTF-8, not JSON or not an object
};

// Why SaveLanguage did or did not write.
enum class TSaveLanguageResult {
    Saved,
    EnglishHasNoFile,    // "en": nothing is written
    NotCurrentLanguage,  // only the current language's table is held
    FileNotLoaded,       // the file on disk failed to load; saving would destroy it
    WriteFailed,         // the folder or the disk refused the write; the old file is kept
};

class TLanguageManager {
  public:
    // The folder "Languages/" beside the executable.
    TLanguageManager();
    // Any folder (a '/' is added when missing); created with its parents.
    explicit TLanguageManager(std::string folder);

    // FLanguages = the stems of the "*.json" files in FFolder (extension
    // matched case-insensitively), in byte order, then "en" and "tr" when
    // not among them (compared without case).
    void ScanLanguages();

    // Clears `target`, then fills it from the file of `code`.
    TLanguageLoad LoadLanguageFile(const std::string& code,
                                   std::map<std::string, std::string>& target) const;

    // FReverse = translation -> key for every non-empty translation; when two
    // keys share a translation, the later key in byte order wins.
    void RebuildReverseMap();

    // The text in the current language. A translated text is first mapped
    // back to its key; a key without a non-empty translation is logged as
    // missing and returned as it is. In "en" the key is returned.
    std::string Translate(const std::string& text);

    // Appends `key` (escaped) to "missing.log" unless it is already there.
    // The file is read once; later misses are checked in memory.
    void LogMissing(const std::string& key);

    // Switches to `code`. A code other than "en" loads its file; "en" keeps
    // the previous tables so Translate can still map their texts back.
    void SetLanguage(const std::string& code);

    // The keys of the "tr" file in byte order, whatever the current language.
    std::vector<std::string> GetKeys() const;

    // "en": the key. The current language: its entry (even when empty), else
    // the key. Another code: the entry in that language's file, else the key.
    std::string GetTranslation(const std::string& code, const std::string& key) const;

    // Sets FTexts[key] = text only when `code` is the current language and not
    // "en". FReverse is not rebuilt.
    void SetTranslation(const std::string& code, const std::string& key, const std::string& text);

    // Writes FTexts to the file of `code` (byte order mark, 2-blank indent,
    // keys in byte order) through a temporary file and a rename, only when
    // `code` is the current language, not "en", and its file did not fail to
    // load.
    TSaveLanguageResult SaveLanguage(const std::string& code);

    // ScanLanguages, then reload the current language's file unless "en".
    void Reload();

    // The file of `code`: FFolder + code + ".json", or the file in FFolder
    // whose name matches that case-insensitively (as on the system the
    // language files were first made for).
    std::string LanguageFilePath(const std::string& code) const;
    std::string MissingLogPath() const { return FFolder + "missing.log"; }

    // The data; other windows read FLanguage and FLanguages directly.
    std::map<std::string, std::string> FTexts;    // English key -> translation
    std::map<std::string, std::string> FReverse;  // translation -> English key
    std::string FLanguage = "en";                 // current language code
    std::string FFolder;                          // ends with '/'
    std::vector<std::string> FLanguages;          // available language codes

  private:
    void LoadCurrentTexts(const std::string& code);

    bool FTextsLoadFailed = false;      // FTexts came from a file that failed to load
    bool FMissingRead = false;          // "missing.log" read into FMissing
    bool FMissingNeedsLineEnd = false;  // the file ends without a line end
    bool FMissingRefused = false;       // "missing.log" is there but no file to append to
    std::set<std::string> FMissing;     // escaped keys already in "missing.log"
};

// The one instance, created by the main window when it does not exist yet
// and kept until the process ends; empty before that.
extern std::unique_ptr<TLanguageManager> g_LanguageManager;

// The pairs held in the bytes of a language file (cleared first): Loaded, or
// Failed when they are not UTF-8, not JSON or not an object. LoadLanguageFile
// reads an existing file with it.
TLanguageLoad ReadLanguageText(std::string_view bytes, std::map<std::string, std::string>& target);

// The bytes SaveLanguage writes for `texts`.
std::string LanguageFileText(const std::map<std::string, std::string>& texts);

// `key` as one line of "missing.log": '\' -> "\\", CR -> "\r", LF -> "\n".
std::string EscapeMissingKey(std::string_view key);
