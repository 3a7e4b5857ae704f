// The display values: how depth labels, event labels and the depth/speed
// overlay look, and the remembered grid. Set at program start and by the device settings window, read
// by the map tick and the canvas overlays at their next run. Only the GUI
// thread touches them. Colours are 0x00BBGGRR integers (0x0000FF is red,
// 0x800000 navy); font sizes are points.
#pragma once

#include <cstdint>
#include <string>

struct DisplayValues {
    bool ShowDepthLabels = true;
    double DepthLabelSpacing = 10.0;  // m between depth labels
    std::string DepthLabelFontName;   // "Arial" once the device settings window exists
    int DepthLabelFontSize = 12;
    uint32_t DepthLabelColor = 0;  // black
    int EventLabelFontSize = 24;
    uint32_t EventLabelColor = 255;  // red
    int OverlayFontSize = 40;
    uint32_t OverlayDepthColor = 0x800000;  // navy
    uint32_t OverlaySpeedColor = 0;         // black

    // The grid as the device settings window last set it; every show of that
    // window hands it to the canvas again.
    bool GridVisibleSetting = true;
    bool AutoGridSetting = false;
    double GridSpacingXSetting = 100.0;  // m
    double GridSpacingYSetting = 100.0;  // m
    uint32_t GridColorSetting = 0xC0C0C0;  // silver
};

// The process's one set of display values.
extern DisplayValues g_Display;

// Back to the values at program load (tests).
inline void ResetDisplayValues() { g_Display = DisplayValues{}; }
