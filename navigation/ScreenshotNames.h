// Where the screenshots of every monitor go and what they are called.
//
// A monitor's position name comes from its rectangle against every other
// monitor's (virtual-screen pixels): "Primary" when it is the only one;
// else by left edges "Left" (none further left, some further right),
// "Right", "Middle"; else by top edges "Top", "Bottom"; else "Monitor" + its
// number from 1. A monitor with the same edge as this one counts neither
// way. A name that an earlier monitor of the same arrangement already has
// (a 2 x 2 arrangement gives "Left", "Right", "Left", "Right") gets the
// monitor's number from 1 appended ("Left3"), so no picture of a cycle
// replaces another.
#pragma once

#include <QRect>
#include <string>
#include <vector>

#include "platform/VclText.h"

// Position names of `screens` in their order.
std::vector<std::string> ScreenPositionNames(const std::vector<QRect>& screens);

// The pictures' folder: the start day's folder + "PNG/" (`dayDir` ends with
// '/').
std::string ScreenshotFolder(const std::string& dayDir);

// folder + "PHX " + "yyyy-mm-dd" + " " + "hhnnss" + " " + position + ".png",
// the date and time of `at`: one reading per cycle, shared by its monitors.
std::string ScreenshotFileName(const std::string& folder, const platform::DateTime& at,
                               const std::string& position);
