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

class QWidget;

namespace platform {

// Buttons and answers with the Windows message-box codes.
enum MessageButtons { mbOK = 0, mbOKCancel = 1, mbYesNoCancel = 3, mbYesNo = 4 };
enum MessageResult { idOK = 1, idCancel = 2, idYes = 6, idNo = 7 };
enum MessageIcon { iconNone = 0, iconError = 0x10, iconQuestion = 0x20, iconWarning = 0x30, iconInformation = 0x40 };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void ShowMessage(const QString& text) = 0;
    virtual int MessageBox(const QString& text, const QString& caption, int buttons, int icon) = 0;
    // Empty when the surveyor cancels. `filter` in Qt's form ("Project (*.vlm)").
    virtual QString OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // A colour dialog opened on `initialBgr` (0x00BBGGRR); -1 when cancelled.
    virtual long long PickColor(std::uint32_t initialBgr) = 0;
};

// Qt's modal boxes, parented to the active window.
class QtDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text) override;
    int MessageBox(const QString& text, const QString& caption, int buttons, int icon) override;
    QString OpenFileName(const QString& caption, const QString& folder, const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& folder, const QString& filter) override;
    long long PickColor(std::uint32_t initialBgr) override;
};

// Records every text; answers message boxes and file dialogs from queues
// (idOK / empty name when a queue is empty).
class ScriptedDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text) override;
    int MessageBox(const QString& text, const QString& caption, int buttons, int icon) override;
    QString OpenFileName(const QString& caption, const QString& folder, const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& folder, const QString& filter) override;
    long long PickColor(std::uint32_t initialBgr) override;

    QStringList messages;              // every text shown, in order
    std::deque<int> answers;           // next MessageBox results
    std::deque<QString> fileNames;     // next file dialog results
    std::deque<long long> colors;      // next colour dialog results (-1 cancels)
};

// The dialogs in use (QtDialogs unless replaced).
Dialogs& dialogs();

// Installs `replacement` (nullptr restores QtDialogs); returns the previous one.
std::unique_ptr<Dialogs> SetDialogs(std::unique_ptr<Dialogs> replacement);

// Shortcuts through the seam.
void ShowMessage(const QString& text);
void ShowMessage(const std::string& utf8);

}  // namespace platform
