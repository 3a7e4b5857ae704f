// The sound velocity window's reach into windows of the main program, which
// this library cannot see: the program entry sets these once the windows
// exist. An unset hook is skipped.
#pragma once

#include <QString>
#include <functional>

struct TSvpHooks {
    // The offsets window's single sound velocity edit `SV`: enabled or not.
    std::function<void(bool enabled)> SetManualSvEnabled;
    // The caption of the offsets window's button `bSVP`.
    std::function<void(const QString& caption)> SetProfileButtonCaption;
    // The main window's save (the auto-save), run first by "Save && Close".
    std::function<void()> MainWindowSave;
};

extern TSvpHooks g_SvpHooks;
