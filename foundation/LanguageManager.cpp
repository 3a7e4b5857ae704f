#include "foundation/LanguageManager.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "foundation/JsonWriter.h"
#include "platform/Paths.h"
#include "platform/TextFiles.h"

namespace fs = std::filesystem;

std::unique_ptr<TLanguageManager> g_LanguageManager;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    });
    return text;
}

bool IsJsonFileName(const fs::path& name) {
    return name.has_stem() && AsciiLower(name.extension().string()) == ".json";
}

bool OnlyBlanks(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// `json` with every raw U+FEFF written as the escape "\ufeff", which means
// the same inside a string: Qt's parser drops a raw one at the start of a
// string that holds no escape, as if it were a byte order mark. One that
// follows an odd run of '\' (an invalid escape) is left for the parser to
// refuse.
std::string EscapeZeroWidthNoBreakSpaces(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    size_t from = 0;
    for (size_t at = json.find(kByteOrderMark); at != std::string_view::npos;
         at = json.find(kByteOrderMark, at + kByteOrderMark.size())) {
        size_t backslashes = 0;
        while (backslashes < at && json[at - 1 - backslashes] == '\\') ++backslashes;
        if (backslashes % 2 != 0) continue;
        out.append(json.substr(from, at - from));
        out += "\\ufeff";
        from = at + kByteOrderMark.size();
    }
    out.append(json.substr(from));
    return out;
}

}  // namespace

std::string EscapeMissingKey(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (size_t from = 0;;) {
        const size_t at = key.find_first_of("\\\r\n", from);
        out.append(key.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) return out;
        out += key[at] == '\\' ? "\\\\" : key[at] == '\r' ? "\\r" : "\\n";
        from = at + 1;
    }
}

TLanguageLoad ReadLanguageText(std::string_view bytes, std::map<std::string, std::string>& target) {
    target.clear();
    std::string_view text(bytes);
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    // An empty file holds nothing a save could destroy.
    if (OnlyBlanks(text)) return TLanguageLoad::Loaded;
    QJsonParseError error{};
    // Qt's parser refuses text that is not valid UTF-8 and keeps the last of
    // duplicate keys.
    const std::string json = EscapeZeroWidthNoBreakSpaces(text);
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return TLanguageLoad::Failed;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        // The files the program writes hold only strings; anything else is
        // not a translation.
        if (!it.value().isString()) continue;
        target[it.key().toStdString()] = it.value().toString().toStdString();
    }
    return TLanguageLoad::Loaded;
}

std::string LanguageFileText(const std::map<std::string, std::string>& texts) {
    return std::string(kByteOrderMark) + FormatJsonStringObject(texts, 2);
}

TLanguageManager::TLanguageManager()
    : TLanguageManager(platform::BesideExecutableDir() + "Languages/") {}

TLanguageManager::TLanguageManager(std::string folder) : FFolder(std::move(folder)) {
    if (FFolder.empty() || FFolder.back() != '/') FFolder.push_back('/');
    std::error_code ec;
    fs::create_directories(FFolder, ec);
    ScanLanguages();
    FLanguage = "en";
    LoadCurrentTexts("tr");
}

void TLanguageManager::ScanLanguages() {
    FLanguages.clear();
    std::error_code ec;
    for (fs::directory_iterator it(FFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const fs::path name = it->path().filename();
        if (IsJsonFileName(name)) FLanguages.push_back(name.stem().string());
    }
    // The file system's listing order differs between file systems; byte
    // order keeps the language list the same everywhere.
    std::sort(FLanguages.begin(), FLanguages.end());
    // Codes compare without case, as the file names they come from do.
    for (const std::string code : {"en", "tr"}) {
        const bool listed =
            std::any_of(FLanguages.begin(), FLanguages.end(),
                        [&](const std::string& c) { return AsciiLower(c) == code; });
        if (!listed) FLanguages.push_back(code);
    }
}

std::string TLanguageManager::LanguageFilePath(const std::string& code) const {
    const std::string exact = FFolder + code + ".json";
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact;
    // A stem that matches exactly goes before one that matches only without
    // case; among equals the first name in byte order, so the choice never
    // depends on the listing order.
    const std::string wanted = AsciiLower(code + ".json");
    std::string best;
    bool bestStemExact = false;
    for (fs::directory_iterator it(FFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path name = it->path().filename();
        const std::string text = name.string();
        if (AsciiLower(text) != wanted) continue;
        const bool stemExact = name.stem().string() == code;
        if (best.empty() || (stemExact && !bestStemExact) ||
            (stemExact == bestStemExact && text < best)) {
            best = text;
            bestStemExact = stemExact;
        }
    }
    return best.empty() ? exact : FFolder + best;
}

TLanguageLoad TLanguageManager::LoadLanguageFile(const std::string& code,
                                                 std::map<std::string, std::string>& target) const {
    target.clear();
    std::string bytes;
    const platform::FileReadResult read =
        platform::ReadRegularFile(LanguageFilePath(code), bytes, kLanguageMaxFileBytes);
    if (read.status == platform::FileReadStatus::Missing) return TLanguageLoad::Missing;
    if (!read.ok()) return TLanguageLoad::Failed;
    return ReadLanguageText(bytes, target);
}

void TLanguageManager::LoadCurrentTexts(const std::string& code) {
    FTextsLoadFailed = LoadLanguageFile(code, FTexts) == TLanguageLoad::Failed;
    RebuildReverseMap();
}

void TLanguageManager::RebuildReverseMap() {
    FReverse.clear();
    for (const auto& [key, translation] : FTexts)
        if (!translation.empty()) FReverse[translation] = key;
}

std::string TLanguageManager::Translate(const std::string& text) {
    const auto reverse = FReverse.find(text);
    const std::string key = reverse != FReverse.end() ? reverse->second : text;
    if (FLanguage == "en") return key;
    const auto entry = FTexts.find(key);
    if (entry != FTexts.end() && !entry->second.empty()) return entry->second;
    LogMissing(key);
    return key;
}

void TLanguageManager::LogMissing(const std::string& key) {
    const std::string path = MissingLogPath();
    if (!FMissingRead) {
        FMissingRead = true;
        std::string bytes;
        const platform::FileReadResult read =
            platform::ReadRegularFile(path, bytes, kLanguageMaxFileBytes);
        // Anything but a readable file (a FIFO, say, which an append would
        // wait on for ever) is left alone for the run.
        FMissingRefused = !read.ok() && read.status != platform::FileReadStatus::Missing;
        for (std::string& line : platform::SplitLines(bytes)) FMissing.insert(std::move(line));
        FMissingNeedsLineEnd = !bytes.empty() && bytes.back() != '\n';
    }
    if (FMissingRefused) return;
    std::string line = EscapeMissingKey(key);
    if (FMissing.count(line)) return;
    const std::string entry = (FMissingNeedsLineEnd ? "\n" : "") + line + "\n";
    // A failed write is ignored; the key stays unrecorded and is tried again
    // at its next miss.
    if (!platform::AppendText(path, entry)) return;
    FMissingNeedsLineEnd = false;
    FMissing.insert(std::move(line));
}

void TLanguageManager::SetLanguage(const std::string& code) {
    if (code == FLanguage) return;
    FLanguage = code;
    if (code != "en") LoadCurrentTexts(code);
}

std::vector<std::string> TLanguageManager::GetKeys() const {
    std::map<std::string, std::string> master;
    LoadLanguageFile("tr", master);
    std::vector<std::string> keys;
    keys.reserve(master.size());
    for (const auto& pair : master) keys.push_back(pair.first);
    return keys;
}

std::string TLanguageManager::GetTranslation(const std::string& code,
                                             const std::string& key) const {
    if (code == "en") return key;
    if (code == FLanguage) {
        const auto entry = FTexts.find(key);
        return entry != FTexts.end() ? entry->second : key;
    }
    std::map<std::string, std::string> other;
    LoadLanguageFile(code, other);
    const auto entry = other.find(key);
    return entry != other.end() ? entry->second : key;
}

void TLanguageManager::SetTranslation(const std::string& code, const std::string& key,
                                      const std::string& text) {
    if (code != FLanguage || code == "en") return;
    FTexts[key] = text;
}

TSaveLanguageResult TLanguageManager::SaveLanguage(const std::string& code) {
    if (code == "en") return TSaveLanguageResult::EnglishHasNoFile;
    if (code != FLanguage) return TSaveLanguageResult::NotCurrentLanguage;
    if (FTextsLoadFailed) return TSaveLanguageResult::FileNotLoaded;
    if (!platform::WriteFileAtomic(LanguageFilePath(code), LanguageFileText(FTexts)))
        return TSaveLanguageResult::WriteFailed;
    return TSaveLanguageResult::Saved;
}

void TLanguageManager::Reload() {
    ScanLanguages();
    if (FLanguage != "en") LoadCurrentTexts(FLanguage);
}
