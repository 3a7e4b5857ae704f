// The translation editor: the program's translation keys in a grid with
// their English text and the text of a chosen language, edited and stored
// through the translation manager (g_LanguageManager; every handler does
// nothing without it). Made on first use, centred on the main window's map
// at its first show, where it was left at later ones.
#pragma once

#include <QWidget>
#include <functional>

#include "tools/TranslationTable.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TfTranslationEditor : public QWidget {
    Q_OBJECT
  public:
    explicit TfTranslationEditor(QWidget* parent = nullptr);

    void FormShow();
    void cbLanguageChange();
    void btSaveClick();
    void btReloadClick();
    void btAddKeyClick();
    void sgTranslationsSetEditText(int row, int column, const QString& text);

    bool Modified() const { return FModified; }
    // Run after the program's current language was stored (the main window
    // puts its captions in the new texts).
    std::function<void()> OnCurrentLanguageSaved;

    QWidget* PanelTop;
    QLabel* LabelLanguage;
    QComboBox* cbLanguage;
    QPushButton* btReload;
    QPushButton* btSave;
    QTableWidget* sgTranslations;
    QWidget* PanelBottom;
    QLineEdit* edNewKey;
    QPushButton* btAddKey;
    QLabel* LabelStatus;

  protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;

  private:
    void FillLanguages();
    void FillGrid();
    // Stores the grid's language; false (with the reason shown) when nothing
    // was written.
    bool SaveShownLanguage();
    void SelectLanguage(const QString& code);  // without running the change handler
    void AppendGridRow(const TranslationRow& row);

    TranslationTable FTable;
    bool FModified = false;
    bool FFilling = false;
};

// Made by the main window's menu command on first use.
extern TfTranslationEditor* fTranslationEditor;
