// The rows of the translation editor: one per key of the translation
// manager, with the English text (the key itself) and the text of one
// language, filled from the manager and stored back through it. Only what
// the surveyor changed is stored (the language cells edited and the keys
// added), so a key the language file lacks is never written as its own
// translation.
#pragma once

#include <string>
#include <vector>

#include "foundation/LanguageManager.h"

struct TranslationRow {
    std::string key;
    std::string english;
    std::string text;       // in the table's language
    std::string shownText;  // as filled or last stored
    bool added = false;     // not yet stored
};

enum class AddKeyResult { Empty, Exists, Added };

class TranslationTable {
  public:
    // The manager's keys in its order with their texts in `code`; a language
    // other than the current one is read from its file once.
    void Fill(const TLanguageManager& manager, const std::string& code);

    const std::string& Language() const { return FLanguage; }
    const std::vector<TranslationRow>& Rows() const { return FRows; }

    // `raw` without surrounding blanks and control characters, appended with
    // an empty text unless empty or already a key (case-sensitive).
    AddKeyResult AddKey(const std::string& raw);
    // The English (column 1) or language (column 2) cell of data row `row`;
    // other cells are read-only. True when the text is the cell's own now.
    bool Edit(size_t row, int column, const std::string& text);

    // Stores the edited language cells and the added keys, then saves the
    // language's file. On success the rows count as stored.
    TSaveLanguageResult Save(TLanguageManager& manager);

  private:
    std::string FLanguage;
    std::vector<TranslationRow> FRows;
};

// "" for Saved, else why nothing was written, for the status line.
std::string SaveFailureReason(TSaveLanguageResult result);
