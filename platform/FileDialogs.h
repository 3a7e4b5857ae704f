// The class library's two file dialog components, shown through the dialogs
// seam (platform/Dialogs.h): a command sets the title, the filter (in the
// class library's form, "Plovan Helm [*.vlm]|*.vlm|All Files [*.*]|*.*")
// and the start folder, then calls Execute. After a true Execute, FileName
// is the chosen file and, for a save, FilterIndex the filter it was chosen
// under, from 1.
#pragma once

#include <QString>

namespace platform {

// An open dialog: the file must exist.
struct TOpenDialog {
    QString Title;
    QString Filter;
    QString InitialDir;
    QString FileName;

    // False, and FileName left as it was, when the surveyor cancels.
    bool Execute();
};

// A save dialog: a file that exists is only chosen after the overwrite
// prompt; a name typed without an extension gets that of the selected
// filter (none for "All Files").
struct TSaveDialog {
    QString Title;
    QString Filter;
    QString InitialDir;
    QString FileName;
    int FilterIndex = 1;

    bool Execute();
};

}  // namespace platform
