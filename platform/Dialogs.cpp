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

}  // namespace

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

QString QtDialogs::SaveFileName(const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, folder, filter);
}

void ScriptedDialogs::ShowMessage(const QString& text) { messages << text; }

int ScriptedDialogs::MessageBox(const QString& text, const QString&, int, int) {
    messages << text;
    if (answers.empty()) return idOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedDialogs::OpenFileName(const QString&, const QString&, const QString&) {
    if (fileNames.empty()) return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedDialogs::SaveFileName(const QString& caption, const QString& folder,
                                      const QString& filter) {
    return OpenFileName(caption, folder, filter);
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
