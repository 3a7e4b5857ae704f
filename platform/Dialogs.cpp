#include "platform/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace platform {
namespace {

std::unique_ptr<Dialogs>& Current() {
    static std::unique_ptr<Dialogs> current = std::make_unique<QtDialogs>();
    return current;
}

QString CaptionOrTitle(const QString& caption) {
    return caption.isEmpty() ? QApplication::applicationName() : caption;
}

QStringList FilterEntries(const QString& qtFilter) {
    return qtFilter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
}

// The patterns of one entry of Qt's form: the words inside its last
// parentheses.
QStringList PatternsOf(const QString& entry) {
    const qsizetype open = entry.lastIndexOf(u'(');
    const qsizetype close = entry.lastIndexOf(u')');
    if (open < 0 || close < open) return {};
    return entry.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts);
}

}  // namespace

QString QtFileFilter(const QString& vclFilter) {
    if (!vclFilter.contains(u'|')) return vclFilter;
    const QStringList parts = vclFilter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (QString pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
                pattern = pattern.trimmed();
                if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
                if (!pattern.isEmpty()) patterns << pattern;
            }
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        entries << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

QString DefaultSuffixOf(const QString& qtFilterEntry) {
    const QStringList patterns = PatternsOf(qtFilterEntry);
    if (patterns.isEmpty() || !patterns.first().startsWith(QStringLiteral("*."))) return {};
    const QString suffix = patterns.first().mid(2);
    for (const QChar c : suffix)
        if (c == u'*' || c == u'?' || c == u'[' || c == u'.') return {};
    return suffix;
}

std::unique_ptr<QFileDialog> NewSaveDialog(QWidget* parent, const QString& caption,
                                           const QString& folder, const QString& filter) {
    auto dialog = std::make_unique<QFileDialog>(parent, caption, folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!filter.isEmpty()) dialog->setNameFilters(FilterEntries(filter));
    QFileDialog* raw = dialog.get();
    dialog->setDefaultSuffix(DefaultSuffixOf(raw->selectedNameFilter()));
    QObject::connect(raw, &QFileDialog::filterSelected, raw, [raw](const QString& entry) {
        raw->setDefaultSuffix(DefaultSuffixOf(entry));
    });
    return dialog;
}

void QtDialogs::ShowMessage(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

int QtDialogs::MessageBox(const QString& text, const QString& caption, int buttons, int icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(CaptionOrTitle(caption));
    box.setText(text);
    switch (icon) {
        case iconError: box.setIcon(QMessageBox::Critical); break;
        case iconQuestion: box.setIcon(QMessageBox::Question); break;
        case iconWarning: box.setIcon(QMessageBox::Warning); break;
        case iconInformation: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    switch (buttons) {
        case mbOKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case mbYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case mbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return idYes;
        case QMessageBox::No: return idNo;
        case QMessageBox::Cancel: return idCancel;
        default: return idOK;
    }
}

QString QtDialogs::OpenFileName(const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filter);
}

SaveChoice QtDialogs::SaveFile(const QString& caption, const QString& folder,
                               const QString& filter) {
    const std::unique_ptr<QFileDialog> dialog =
        NewSaveDialog(QApplication::activeWindow(), caption, folder, filter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    SaveChoice choice;
    choice.fileName = dialog->selectedFiles().first();
    choice.selectedFilter = dialog->selectedNameFilter();
    choice.filterIndex = static_cast<int>(FilterEntries(filter).indexOf(choice.selectedFilter)) + 1;
    return choice;
}

void ScriptedDialogs::ShowMessage(const QString& text) { messages << text; }

int ScriptedDialogs::MessageBox(const QString& text, const QString&, int, int) {
    messages << text;
    if (answers.empty()) return idOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedDialogs::OpenFileName(const QString& caption, const QString& folder,
                                      const QString& filter) {
    fileDialogs.push_back({caption, folder, filter});
    if (fileNames.empty()) return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

SaveChoice ScriptedDialogs::SaveFile(const QString& caption, const QString& folder,
                                     const QString& filter) {
    int index = 1;
    if (!filterIndexes.empty()) {
        index = filterIndexes.front();
        filterIndexes.pop_front();
    }
    SaveChoice choice;
    choice.fileName = OpenFileName(caption, folder, filter);
    if (choice.fileName.isEmpty()) return {};
    const QStringList entries = FilterEntries(filter);
    choice.filterIndex = index;
    if (index >= 1 && index <= entries.size()) choice.selectedFilter = entries[index - 1];
    return choice;
}

long long QtDialogs::PickColor(std::uint32_t initialBgr) {
    const QColor initial(initialBgr & 0xFF, (initialBgr >> 8) & 0xFF, (initialBgr >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!chosen.isValid()) return -1;
    return static_cast<long long>(chosen.red()) | (chosen.green() << 8) | (chosen.blue() << 16);
}

long long ScriptedDialogs::PickColor(std::uint32_t) {
    if (colors.empty()) return -1;
    const long long color = colors.front();
    colors.pop_front();
    return color;
}

Dialogs& dialogs() { return *Current(); }

std::unique_ptr<Dialogs> SetDialogs(std::unique_ptr<Dialogs> replacement) {
    if (!replacement) replacement = std::make_unique<QtDialogs>();
    std::swap(Current(), replacement);
    return replacement;
}

void ShowMessage(const QString& text) { dialogs().ShowMessage(text); }
void ShowMessage(const std::string& utf8) { dialogs().ShowMessage(QString::fromStdString(utf8)); }

}  // namespace platform
