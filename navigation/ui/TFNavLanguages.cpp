// The main window's language commands.
#include <QGuiApplication>
#include <QScreen>

#include "navigation/ui/TFNav.h"
#include "tools/ui/TfTranslationEditor.h"

void TFNav::TranslationEditor1Click() {
    if (!fTranslationEditor) {
        fTranslationEditor = new TfTranslationEditor();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = fTranslationEditor->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            fTranslationEditor->move(frame.topLeft());
        }
    }
    fTranslationEditor->show();
    fTranslationEditor->raise();
}
