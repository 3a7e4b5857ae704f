#include "tools/TranslationTable.h"

#include <algorithm>
#include <map>

namespace {

bool IsBlankOrControl(unsigned char c) { return c <= ' ' || c == 0x7F; }

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlankOrControl(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && IsBlankOrControl(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

void TranslationTable::Fill(const TLanguageManager& manager, const std::string& code) {
    FLanguage = code;
    FRows.clear();
    // GetTranslation reads another language's file at every call.
    std::map<std::string, std::string> other;
    const bool fromFile = code != "en" && code != manager.FLanguage;
    if (fromFile) manager.LoadLanguageFile(code, other);
    for (const std::string& key : manager.GetKeys()) {
        TranslationRow row;
        row.key = key;
        row.english = manager.GetTranslation("en", key);
        if (fromFile) {
            const auto it = other.find(key);
            row.text = it != other.end() ? it->second : key;
        } else {
            row.text = manager.GetTranslation(code, key);
        }
        row.shownText = row.text;
        FRows.push_back(std::move(row));
    }
}

AddKeyResult TranslationTable::AddKey(const std::string& raw) {
    const std::string key = Trimmed(raw);
    if (key.empty()) return AddKeyResult::Empty;
    if (std::any_of(FRows.begin(), FRows.end(), [&](const auto& r) { return r.key == key; }))
        return AddKeyResult::Exists;
    TranslationRow row;
    row.key = key;
    row.english = key;
    row.added = true;
    FRows.push_back(std::move(row));
    return AddKeyResult::Added;
}

bool TranslationTable::Edit(size_t row, int column, const std::string& text) {
    if (row >= FRows.size() || (column != 1 && column != 2)) return false;
    (column == 1 ? FRows[row].english : FRows[row].text) = text;
    return true;
}

TSaveLanguageResult TranslationTable::Save(TLanguageManager& manager) {
    // English is the keys themselves: its column is shown, never stored.
    for (const TranslationRow& row : FRows)
        if (row.added || row.text != row.shownText)
            manager.SetTranslation(FLanguage, row.key, row.text);
    const TSaveLanguageResult result = manager.SaveLanguage(FLanguage);
    if (result == TSaveLanguageResult::Saved) {
        for (TranslationRow& row : FRows) {
            row.shownText = row.text;
            row.added = false;
        }
    }
    return result;
}

std::string SaveFailureReason(TSaveLanguageResult result) {
    switch (result) {
        case TSaveLanguageResult::Saved:
            return "";
        case TSaveLanguageResult::EnglishHasNoFile:
            return "English is the keys themselves and has no file";
        case TSaveLanguageResult::NotCurrentLanguage:
            return "only the program's current language can be stored";
        case TSaveLanguageResult::FileNotLoaded:
            return "the language file could not be read, and saving would destroy it";
        case TSaveLanguageResult::WriteFailed:
            return "the language file could not be written";
    }
    return "unknown reason";
}
