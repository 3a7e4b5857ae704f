// The program's start and end around the message loop: the settings read
// before the application exists, the theme, the windows in their creation
// order, and a termination signal taken as a normal close of the main
// window. The program takes no command-line options.
#pragma once

#include <string>

class QApplication;

struct StartupSettings {
    std::string ThemeStyle = "Light";  // "APPLICATION" / "ThemeStyle"
};

// Reads "ThemeStyle" and the overlay's "FontSize" (40 when not an integer),
// "DepthColor" and "SpeedColor"; the overlay values go to g_Display.
StartupSettings ReadStartupSettings();

// Switches to the stored theme unless it is "Plovan HX - Default"; an
// unknown name is reported in one message box and the default style stays.
void ApplyStartupTheme(const std::string& themeStyle);

// Creates the application's windows in their order, the main window first;
// each may use only the windows made before it. Frees them in reverse.
void CreateApplicationWindows();
void FreeApplicationWindows();

// Steps after the application exists: theme, title "Plovan HX", windows,
// message loop, windows freed. An exception that reaches here is shown in a
// message box. Always returns 0.
int RunProgram(QApplication& app, const StartupSettings& settings);
