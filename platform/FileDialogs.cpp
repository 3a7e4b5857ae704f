#include "platform/FileDialogs.h"

#include "platform/Dialogs.h"

namespace platform {

bool TOpenDialog::Execute() {
    const QString name = dialogs().OpenFileName(Title, InitialDir, QtFileFilter(Filter));
    if (name.isEmpty()) return false;
    FileName = name;
    return true;
}

bool TSaveDialog::Execute() {
    const SaveChoice choice = dialogs().SaveFile(Title, InitialDir, QtFileFilter(Filter));
    if (choice.fileName.isEmpty()) return false;
    FileName = choice.fileName;
    FilterIndex = choice.filterIndex;
    return true;
}

}  // namespace platform
