// The one seam through which the program shows message boxes and file
// dialogs. The application uses Qt's modal boxes; tests install a
// ScriptedDialogs that records every text and answers from a queue, so no
// test ever blocks on a modal box.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QFileDialog;
class QWidget;

namespace platform {

// Buttons and answers with the Windows message-box codes.
enum MessageButtons { mbOK = 0, mbOKCancel = 1, mbYesNoCancel = 3, mbYesNo = 4 };
enum MessageResult { idOK = 1, idCancel = 2, idYes = 6, idNo = 7 };
enum MessageIcon { iconNone = 0, iconError = 0x10, iconQuestion = 0x20, iconWarning = 0x30, iconInformation = 0x40 };

// A class-library filter ("Plovan Helm [*.vlm]|*.vlm|All Files [*.*]|*.*":
// description and patterns in turn, patterns separated by ';') in Qt's form
// ("Plovan Helm [*.vlm] (*.vlm);;All Files [*.*] (*)"). "*.*" becomes "*",
// which also matches names without a dot; a description without patterns
// gets "*". A text without '|' is taken as Qt's form already.
QString QtFileFilter(const QString& vclFilter);

// The suffix a save under one filter entry of Qt's form gives a name typed
// without one: the extension of the entry's first pattern ("vlm" for
// "Plovan Helm [*.vlm] (*.vlm)"); empty for "*" or a wildcard extension.
QString DefaultSuffixOf(const QString& qtFilterEntry);

// What a save dialog returned.
struct SaveChoice {
    QString fileName;        // empty when cancelled
    QString selectedFilter;  // the filter entry it was chosen under, Qt's form
    int filterIndex = 0;     // that entry's place from 1 (FilterIndex); 0 when cancelled
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void ShowMessage(const QString& text) = 0;
    virtual int MessageBox(const QString& text, const QString& caption, int buttons, int icon) = 0;
    // A file that exists; empty when the surveyor cancels. `filter` in Qt's
    // form (QtFileFilter).
    virtual QString OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // A name to save under, with an overwrite prompt for a file that exists.
    virtual SaveChoice SaveFile(const QString& caption, const QString& folder,
                                const QString& filter) = 0;
    QString SaveFileName(const QString& caption, const QString& folder, const QString& filter) {
        return SaveFile(caption, folder, filter).fileName;
    }
    // A colour dialog opened on `initialBgr` (0x00BBGGRR); -1 when cancelled.
    virtual long long PickColor(std::uint32_t initialBgr) = 0;
};

// The real save dialog, not yet shown: Qt's own dialog (the same on every
// desktop), overwrite prompt, and a default suffix that follows the selected
// filter (DefaultSuffixOf), as the Windows dialog appends the extension of
// the filter in use.
std::unique_ptr<QFileDialog> NewSaveDialog(QWidget* parent, const QString& caption,
                                           const QString& folder, const QString& filter);

// Qt's modal boxes, parented to the active window.
class QtDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text) override;
    int MessageBox(const QString& text, const QString& caption, int buttons, int icon) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    SaveChoice SaveFile(const QString& caption, const QString& folder,
                        const QString& filter) override;
    long long PickColor(std::uint32_t initialBgr) override;
};

// Records every text and every file dialog; answers message boxes and file
// dialogs from queues (idOK / empty name when a queue is empty). File names
// come back exactly as queued: no suffix is added.
class ScriptedDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text) override;
    int MessageBox(const QString& text, const QString& caption, int buttons, int icon) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    SaveChoice SaveFile(const QString& caption, const QString& folder,
                        const QString& filter) override;
    long long PickColor(std::uint32_t initialBgr) override;

    struct FileDialog {
        QString caption, folder, filter;
    };

    QStringList messages;                 // every text shown, in order
    std::vector<FileDialog> fileDialogs;  // every file dialog shown, in order
    std::deque<int> answers;              // next MessageBox results
    std::deque<QString> fileNames;        // next file dialog results
    std::deque<int> filterIndexes;        // next save dialogs' filter (from 1; 1 when empty)
    std::deque<long long> colors;         // next colour dialog results (-1 cancels)
};

// The dialogs in use (QtDialogs unless replaced).
Dialogs& dialogs();

// Installs `replacement` (nullptr restores QtDialogs); returns the previous one.
std::unique_ptr<Dialogs> SetDialogs(std::unique_ptr<Dialogs> replacement);

// Shortcuts through the seam.
void ShowMessage(const QString& text);
void ShowMessage(const std::string& utf8);

}  // namespace platform
