// The main window's language commands: the whole user interface switched
// between languages, the choice stored, and the translation editor.
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "devices/ui/TFGPS.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/CaptionTranslation.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/IniFile.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfSVP.h"
#include "tools/ui/TfTheme.h"
#include "tools/ui/TfTranslationEditor.h"

namespace {

QString Translated(const char* english) {
    return QString::fromStdString(g_LanguageManager->Translate(english));
}

// Tool buttons whose captions are fixed English texts: tool-bar buttons are
// never walked, so each gets its text here.
constexpr struct {
    const char* name;
    const char* english;
} kToolButtonTexts[] = {
    {"bSelectTracks", "Select Tracks"},
    {"bDelSelected", "Delete Selected"},
    {"bFollowVessel", "Follow Vessel"},
    {"ToolButton13", "Do Not Follow"},
    {"ConnectIcon", "Connect"},
    {"ToolButton11", "Clear Shapes"},
    {"btEventAdd", "Add Event"},
    {"btEventReset", "Reset Event"},
    {"Zoomin", "Zoom In"},
    {"Zoomout", "Zoom Out"},
    {"bOpen", "Open"},
    {"bSave", "Save"},
    {"tbRunline", "Runline"},
};

template <typename Control>
void SetTranslated(QWidget* window, const char* name, const char* english) {
    if (!window) return;
    if (auto* control = window->findChild<Control*>(QString::fromLatin1(name)))
        control->setText(Translated(english));
}

}  // namespace

void TFNav::ApplyLanguage() {
    if (!g_LanguageManager) return;
    // 1. The menus.
    for (QAction* item : MainMenu1->actions()) TranslateMenuItem(item);

    // 2. The tool buttons. "Stop" while realtime runs, whatever the button's
    // down state.
    if (bRealtime) bRealtime->setText(Translated(g_Survey.RealtimeRunning ? "Stop" : "Start"));
    for (const auto& button : kToolButtonTexts)
        SetTranslated<QToolButton>(this, button.name, button.english);

    // 3. The windows, each when it exists.
    const QWidget* windows[] = {this,      fRealtime, Navset, Offsets,          FShape,   fSVP,
                                formAbout, FMsg,      FGPS,   frmNTRIPSettings, fRunline1};
    for (const QWidget* window : windows) TranslateControlTree(const_cast<QWidget*>(window));

    // 4. Fixed captions.
    if (fWaterfal) fWaterfal->setWindowTitle(Translated("Acoustics Waterfall"));
    if (fTheme) {
        fTheme->setWindowTitle(Translated("Theme Selection"));
        SetTranslated<QPushButton>(fTheme, "bSaveExit", "Save && Exit");
        SetTranslated<QPushButton>(fTheme, "bCancel", "Cancel");
    }
}

void TFNav::SwitchLanguage(const std::string& code) {
    if (!g_LanguageManager) return;
    g_LanguageManager->SetLanguage(code);
    ApplyLanguage();
    if (sStatusBar->PanelCount() > 4)
        sStatusBar->SetPanelText(4, QString::fromStdString(code).toUpper());
    platform::IniFile(SettingsFilePath()).WriteString("SETTINGS", "Language", code);
}

void TFNav::English1Click() { SwitchLanguage("en"); }

void TFNav::Turkish1Click() { SwitchLanguage("tr"); }

void TFNav::TranslationEditor1Click() {
    if (!fTranslationEditor) {
        fTranslationEditor = new TfTranslationEditor();
        // A save of the program's language puts the windows in the new texts.
        fTranslationEditor->OnCurrentLanguageSaved = [] {
            if (FNav) FNav->ApplyLanguage();
        };
    }
    fTranslationEditor->show();
    fTranslationEditor->raise();
}
