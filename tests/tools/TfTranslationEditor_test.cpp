// The translation editor on a real window with a fixture language folder:
// what it shows, what it stores (only what was changed), and the prompts and
// statuses of a language change, a save and a new key.
#include "tools/ui/TfTranslationEditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/Dialogs.h"
#include "tests/support/TempHome.h"

namespace {

class TranslationEditor : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::string folder;
    platform::ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<platform::Dialogs> previous;

    void SetUp() override {
        folder = home.home() + "Languages/";
        std::filesystem::create_directories(folder);
        phxtest::WriteAll(folder + "tr.json",
                          "{\n  \"Start\": \"Başlat\",\n  \"Stop\": \"Durdur\"\n}\n");
        phxtest::WriteAll(folder + "de.json", "{\n  \"Start\": \"Anfang\"\n}\n");
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        dialogs = scripted.get();
        previous = platform::SetDialogs(std::move(scripted));
    }
    void TearDown() override {
        g_LanguageManager.reset();
        platform::SetDialogs(std::move(previous));
    }

    void StartIn(const std::string& code) {
        g_LanguageManager = std::make_unique<TLanguageManager>(folder);
        g_LanguageManager->ScanLanguages();
        g_LanguageManager->SetLanguage(code);
    }

    static QString Cell(const TfTranslationEditor& w, int row, int column) {
        const QTableWidgetItem* item = w.sgTranslations->item(row, column);
        return item ? item->text() : QString();
    }
    static void Type(TfTranslationEditor& w, int row, int column, const QString& text) {
        w.sgTranslations->item(row, column)->setText(text);  // as the grid's editor does
    }
    static void Choose(TfTranslationEditor& w, const QString& code) {
        w.cbLanguage->setCurrentIndex(w.cbLanguage->findText(code));
    }

    // The file as Python's json module reads it.
    std::string PythonReads(const std::string& code) {
        const std::string command = "/usr/bin/python3 -c \"import json,sys; d=json.load(open('" +
                                    folder + code +
                                    ".json', encoding='utf-8-sig')); "
                                    "print(';'.join(k+'='+d[k] for k in sorted(d)))\"";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[512];
            while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
            pclose(pipe);
        }
        return out;
    }
};

TEST_F(TranslationEditor, ShowsKeysEnglishAndTheCurrentLanguage) {
    StartIn("tr");
    TfTranslationEditor w;
    w.show();
    EXPECT_EQ(w.cbLanguage->currentText(), "tr");
    EXPECT_EQ(w.sgTranslations->horizontalHeaderItem(0)->text(), "Key");
    EXPECT_EQ(w.sgTranslations->horizontalHeaderItem(1)->text(), "English");
    EXPECT_EQ(w.sgTranslations->horizontalHeaderItem(2)->text(), "tr");
    ASSERT_EQ(w.sgTranslations->rowCount(), 2);
    EXPECT_EQ(Cell(w, 0, 0), "Start");
    EXPECT_EQ(Cell(w, 0, 1), "Start");
    EXPECT_EQ(Cell(w, 0, 2), QString::fromUtf8("Başlat"));
    EXPECT_FALSE(w.sgTranslations->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(w.sgTranslations->columnWidth(0), 200);
    EXPECT_EQ(w.sgTranslations->columnWidth(2), 250);
    EXPECT_FALSE(w.Modified());
    EXPECT_TRUE(w.LabelStatus->text().isEmpty());

    Choose(w, "de");  // nothing modified: no prompt
    EXPECT_TRUE(dialogs->messages.isEmpty());
    EXPECT_EQ(w.sgTranslations->horizontalHeaderItem(2)->text(), "de");
    EXPECT_EQ(Cell(w, 0, 2), "Anfang");
    EXPECT_EQ(Cell(w, 1, 2), "Stop") << "a key the file lacks shows as itself";
}

TEST_F(TranslationEditor, NoKeysShowOneEmptyRow) {
    std::filesystem::remove(folder + "tr.json");
    StartIn("en");
    TfTranslationEditor w;
    w.show();
    ASSERT_EQ(w.sgTranslations->rowCount(), 1);
    EXPECT_TRUE(Cell(w, 0, 0).isEmpty());
    w.edNewKey->setText("Hello");
    w.btAddKeyClick();
    EXPECT_EQ(w.sgTranslations->rowCount(), 1) << "the new key takes the empty row's place";
    EXPECT_EQ(Cell(w, 0, 0), "Hello");
}

TEST_F(TranslationEditor, AddKey) {
    StartIn("tr");
    TfTranslationEditor w;
    w.show();
    w.edNewKey->setText(" Hello ");
    w.btAddKey->click();
    ASSERT_EQ(w.sgTranslations->rowCount(), 3);
    EXPECT_EQ(Cell(w, 2, 0), "Hello");
    EXPECT_EQ(Cell(w, 2, 1), "Hello");
    EXPECT_EQ(Cell(w, 2, 2), "");
    EXPECT_TRUE(w.edNewKey->text().isEmpty());
    EXPECT_TRUE(w.Modified());
    EXPECT_EQ(w.LabelStatus->text(), "Key added - don't forget to save");

    w.edNewKey->setText("Hello\t");
    w.btAddKeyClick();
    EXPECT_EQ(w.LabelStatus->text(), "Key already exists");
    EXPECT_EQ(w.sgTranslations->rowCount(), 3);
    w.edNewKey->setText("  ");
    w.btAddKeyClick();
    EXPECT_EQ(w.sgTranslations->rowCount(), 3);

    Type(w, 2, 2, "Merhaba");
    w.btSave->click();
    EXPECT_EQ(w.LabelStatus->text(), "Saved!");
    EXPECT_EQ(PythonReads("tr"), "Hello=Merhaba;Start=Başlat;Stop=Durdur\n");
}

TEST_F(TranslationEditor, SavesOnlyWhatChangedAndRunsTheCaptionHook) {
    StartIn("de");
    TfTranslationEditor w;
    int hooks = 0;
    w.OnCurrentLanguageSaved = [&] { ++hooks; };
    w.show();
    ASSERT_EQ(w.cbLanguage->currentText(), "de");
    Type(w, 0, 2, "Beginn");
    Type(w, 0, 1, "Begin");  // English is shown, never stored
    EXPECT_EQ(w.LabelStatus->text(), "Modified");
    w.btSaveClick();
    EXPECT_EQ(w.LabelStatus->text(), "Saved!");
    EXPECT_FALSE(w.Modified());
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(PythonReads("de"), "Start=Beginn\n") << "the untouched Stop row is not written";
    EXPECT_EQ(g_LanguageManager->Translate("Beginn"), "Beginn") << "the reverse map is rebuilt";
    EXPECT_EQ(g_LanguageManager->Translate("Start"), "Beginn");
}

TEST_F(TranslationEditor, SavingAnotherLanguageSaysWhyNothingWasStored) {
    StartIn("tr");
    const std::string before = phxtest::ReadAll(folder + "de.json");
    TfTranslationEditor w;
    w.show();
    Choose(w, "de");
    Type(w, 1, 2, "Halt");
    w.btSaveClick();
    EXPECT_TRUE(w.LabelStatus->text().startsWith("Not saved: "))
        << w.LabelStatus->text().toStdString();
    EXPECT_TRUE(w.Modified());
    EXPECT_EQ(phxtest::ReadAll(folder + "de.json"), before);

    // Yes at a language change whose save stores nothing keeps the grid's
    // language, in the list too.
    dialogs->answers = {platform::idYes};
    Choose(w, "tr");
    EXPECT_EQ(dialogs->messages.value(0), "Do you want to save changes?");
    EXPECT_EQ(w.cbLanguage->currentText(), "de");
    EXPECT_EQ(Cell(w, 1, 2), "Halt");
}

TEST_F(TranslationEditor, LanguageChangeAfterAnEdit) {
    StartIn("tr");
    TfTranslationEditor w;
    w.show();
    Type(w, 0, 2, "Başla");

    dialogs->answers = {platform::idCancel};
    Choose(w, "de");
    EXPECT_EQ(w.cbLanguage->currentText(), "tr") << "Cancel puts the list back";
    EXPECT_EQ(Cell(w, 0, 2), QString::fromUtf8("Başla"));
    EXPECT_TRUE(w.Modified());

    dialogs->answers = {platform::idNo};
    Choose(w, "de");
    EXPECT_EQ(Cell(w, 0, 2), "Anfang");
    EXPECT_FALSE(w.Modified());
    Choose(w, "tr");
    EXPECT_EQ(Cell(w, 0, 2), QString::fromUtf8("Başlat")) << "No discarded the edit";

    Type(w, 0, 2, "Başla");
    dialogs->answers = {platform::idYes};
    Choose(w, "de");
    EXPECT_EQ(w.cbLanguage->currentText(), "de");
    EXPECT_EQ(PythonReads("tr"), "Start=Başla;Stop=Durdur\n");
}

TEST_F(TranslationEditor, ReloadReadsTheFilesAgain) {
    StartIn("tr");
    TfTranslationEditor w;
    w.show();
    phxtest::WriteAll(folder + "tr.json", "{\n  \"Start\": \"Yeni\"\n}\n");
    phxtest::WriteAll(folder + "fr.json", "{}\n");
    w.btReload->click();
    EXPECT_EQ(w.LabelStatus->text(), "Reloaded");
    EXPECT_EQ(w.sgTranslations->rowCount(), 1);
    EXPECT_EQ(Cell(w, 0, 2), "Yeni");
    EXPECT_GE(w.cbLanguage->findText("fr"), 0);
}

// A restore from minimised (a show of the window system's own) keeps what was
// typed; a show of the program's own refills the grid from the manager.
TEST_F(TranslationEditor, RestoreFromMinimisedKeepsTheEdits) {
    StartIn("tr");
    TfTranslationEditor w;
    w.show();
    QApplication::processEvents();
    const QString stored = Cell(w, 1, 2);
    Type(w, 1, 2, "Başla!");
    ASSERT_EQ(w.LabelStatus->text(), "Modified");
    w.showMinimized();
    QApplication::processEvents();
    w.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(Cell(w, 1, 2), "Başla!");
    EXPECT_EQ(w.LabelStatus->text(), "Modified");
    w.hide();
    w.show();
    EXPECT_EQ(Cell(w, 1, 2), stored);
    EXPECT_TRUE(w.LabelStatus->text().isEmpty());
}

}  // namespace
