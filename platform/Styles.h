// The visual styles (themes) of the application, by the names the surveyor
// sees: "Plovan HX - Default" (the platform's own look), "Light" and "Dark".
// A style is a Qt widget style with its palette. GUI thread only, with a
// QApplication constructed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Every style name, in the order a style list shows them.
std::vector<std::string> StyleNames();

// Name of the style in use ("Plovan HX - Default" until another is set).
std::string ActiveStyleName();

// Switches to the named style. An unknown name keeps the style in use and,
// with showErrorDialog, says so in one message box. True when switched.
bool TrySetStyle(const std::string& name, bool showErrorDialog = true);

// Colour of the style's panels (window background) as 0x00BBGGRR.
uint32_t StylePanelColor();

}  // namespace platform
