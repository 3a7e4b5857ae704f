#include "tools/ui/TfTranslationEditor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "foundation/FormPlacement.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"

TfTranslationEditor* fTranslationEditor = nullptr;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString Translated(const char* text) {
    return g_LanguageManager ? Q(g_LanguageManager->Translate(text)) : QString::fromUtf8(text);
}

template <typename Handler>
void Guarded(QObject* context, QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, context,
                     [handler] { platform::GuardHandler(handler); });
}

}  // namespace

TfTranslationEditor::TfTranslationEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fTranslationEditor"));
    setWindowTitle(QStringLiteral("Translation Editor"));
    resize(760, 520);

    PanelTop = new QWidget(this);
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
    LabelLanguage = new QLabel(QStringLiteral("Edit Language:"), PanelTop);
    LabelLanguage->setObjectName(QStringLiteral("LabelLanguage"));
    cbLanguage = new QComboBox(PanelTop);
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    btReload = new QPushButton(QStringLiteral("Reload"), PanelTop);
    btReload->setObjectName(QStringLiteral("btReload"));
    btSave = new QPushButton(QStringLiteral("Save Changes"), PanelTop);
    btSave->setObjectName(QStringLiteral("btSave"));
    auto* top = new QHBoxLayout(PanelTop);
    top->addWidget(LabelLanguage);
    top->addWidget(cbLanguage);
    top->addWidget(btReload);
    top->addWidget(btSave);
    top->addStretch();

    sgTranslations = new QTableWidget(this);
    sgTranslations->setObjectName(QStringLiteral("sgTranslations"));
    sgTranslations->setColumnCount(3);
    sgTranslations->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    sgTranslations->verticalHeader()->hide();
    sgTranslations->setEditTriggers(QAbstractItemView::AllEditTriggers);

    PanelBottom = new QWidget(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    edNewKey = new QLineEdit(PanelBottom);
    edNewKey->setObjectName(QStringLiteral("edNewKey"));
    btAddKey = new QPushButton(QStringLiteral("Add Key"), PanelBottom);
    btAddKey->setObjectName(QStringLiteral("btAddKey"));
    LabelStatus = new QLabel(PanelBottom);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    auto* bottom = new QHBoxLayout(PanelBottom);
    bottom->addWidget(edNewKey);
    bottom->addWidget(btAddKey);
    bottom->addWidget(LabelStatus, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PanelTop);
    layout->addWidget(sgTranslations, 1);
    layout->addWidget(PanelBottom);

    connect(cbLanguage, &QComboBox::currentIndexChanged, this,
            [this] { platform::GuardHandler([this] { cbLanguageChange(); }); });
    Guarded(this, btSave, [this] { btSaveClick(); });
    Guarded(this, btReload, [this] { btReloadClick(); });
    Guarded(this, btAddKey, [this] { btAddKeyClick(); });
    connect(sgTranslations, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (FFilling) return;
        platform::GuardHandler(
            [&] { sgTranslationsSetEditText(item->row(), item->column(), item->text()); });
    });
}

void TfTranslationEditor::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this, OpeningPlace::Centre);
    QWidget::setVisible(visible);
}

void TfTranslationEditor::showEvent(QShowEvent* event) {
    // A restore from minimised is a show of the window system's own: the
    // grid keeps what the surveyor typed.
    if (!event->spontaneous()) platform::GuardHandler([this] { FormShow(); });
    QWidget::showEvent(event);
}

void TfTranslationEditor::FormShow() {
    if (!g_LanguageManager) return;
    setWindowTitle(Translated("Translation Editor"));
    LabelLanguage->setText(Translated("Edit Language:"));
    btReload->setText(Translated("Reload"));
    btSave->setText(Translated("Save Changes"));
    btAddKey->setText(Translated("Add Key"));
    FillLanguages();
    FillGrid();
    FModified = false;
    LabelStatus->clear();
}

void TfTranslationEditor::SelectLanguage(const QString& code) {
    const QSignalBlocker quiet(cbLanguage);
    const int index = cbLanguage->findText(code);
    cbLanguage->setCurrentIndex(index >= 0 ? index : (cbLanguage->count() > 0 ? 0 : -1));
}

void TfTranslationEditor::FillLanguages() {
    const QSignalBlocker quiet(cbLanguage);
    cbLanguage->clear();
    for (const std::string& code : g_LanguageManager->FLanguages) cbLanguage->addItem(Q(code));
    SelectLanguage(Q(g_LanguageManager->FLanguage));
}

void TfTranslationEditor::AppendGridRow(const TranslationRow& row) {
    const int r = sgTranslations->rowCount();
    sgTranslations->insertRow(r);
    auto* key = new QTableWidgetItem(Q(row.key));
    key->setFlags(key->flags() & ~Qt::ItemIsEditable);
    sgTranslations->setItem(r, 0, key);
    sgTranslations->setItem(r, 1, new QTableWidgetItem(Q(row.english)));
    sgTranslations->setItem(r, 2, new QTableWidgetItem(Q(row.text)));
}

void TfTranslationEditor::FillGrid() {
    FFilling = true;
    FTable.Fill(*g_LanguageManager, cbLanguage->currentText().toStdString());
    sgTranslations->clearContents();
    sgTranslations->setRowCount(0);
    sgTranslations->setHorizontalHeaderLabels(
        {QStringLiteral("Key"), QStringLiteral("English"), Q(FTable.Language())});
    for (const TranslationRow& row : FTable.Rows()) AppendGridRow(row);
    // An empty table still shows one empty row, which holds no key.
    if (FTable.Rows().empty()) {
        sgTranslations->setRowCount(1);
        for (int column = 0; column < 3; ++column) {
            auto* empty = new QTableWidgetItem;
            empty->setFlags(Qt::ItemIsEnabled);
            sgTranslations->setItem(0, column, empty);
        }
    }
    sgTranslations->setColumnWidth(0, 200);
    sgTranslations->setColumnWidth(1, 250);
    sgTranslations->setColumnWidth(2, 250);
    FFilling = false;
}

bool TfTranslationEditor::SaveShownLanguage() {
    const TSaveLanguageResult result = FTable.Save(*g_LanguageManager);
    if (result != TSaveLanguageResult::Saved) {
        LabelStatus->setText(QStringLiteral("Not saved: ") + Q(SaveFailureReason(result)));
        return false;
    }
    FModified = false;
    LabelStatus->setText(QStringLiteral("Saved!"));
    if (FTable.Language() == g_LanguageManager->FLanguage) {
        if (OnCurrentLanguageSaved) OnCurrentLanguageSaved();
        g_LanguageManager->RebuildReverseMap();
    }
    return true;
}

void TfTranslationEditor::cbLanguageChange() {
    if (!g_LanguageManager) return;
    if (FModified) {
        const int answer = platform::dialogs().MessageBox(
            QStringLiteral("Do you want to save changes?"), QStringLiteral("Confirm"),
            platform::mbYesNoCancel, platform::iconQuestion);
        // The grid still holds the previous language: a Cancel, or a save
        // that wrote nothing, puts the list back in line with it.
        if (answer == platform::idCancel || (answer == platform::idYes && !SaveShownLanguage())) {
            SelectLanguage(Q(FTable.Language()));
            return;
        }
    }
    FillGrid();
    FModified = false;
    LabelStatus->clear();
}

void TfTranslationEditor::btSaveClick() {
    if (!g_LanguageManager) return;
    SaveShownLanguage();
}

void TfTranslationEditor::btReloadClick() {
    if (!g_LanguageManager) return;
    g_LanguageManager->Reload();
    FillLanguages();
    FillGrid();
    FModified = false;
    LabelStatus->setText(QStringLiteral("Reloaded"));
}

void TfTranslationEditor::btAddKeyClick() {
    if (!g_LanguageManager) return;
    switch (FTable.AddKey(edNewKey->text().toStdString())) {
        case AddKeyResult::Empty:
            return;
        case AddKeyResult::Exists:
            LabelStatus->setText(QStringLiteral("Key already exists"));
            return;
        case AddKeyResult::Added:
            break;
    }
    FFilling = true;
    if (FTable.Rows().size() == 1) sgTranslations->setRowCount(0);  // the empty row goes
    AppendGridRow(FTable.Rows().back());
    FFilling = false;
    edNewKey->clear();
    FModified = true;
    LabelStatus->setText(QStringLiteral("Key added - don't forget to save"));
}

void TfTranslationEditor::sgTranslationsSetEditText(int row, int column, const QString& text) {
    if (row < 0 || !FTable.Edit(static_cast<size_t>(row), column, text.toStdString())) return;
    FModified = true;
    LabelStatus->setText(QStringLiteral("Modified"));
}
